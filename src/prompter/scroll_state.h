// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

namespace qm {

// The scroll offset on its own, so that views that do not draw the text are not woken up on
// every frame.
class ScrollState final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ScrollState)

public:
    explicit ScrollState(QObject *parent = nullptr)
        : QObject(parent)
    {
    }

    // Points the script is scrolled up; 0 shows the beginning.
    double offset() const { return m_offset; }
    void setOffset(double offset)
    {
        if (offset == m_offset)
            return;
        m_offset = offset;
        Q_EMIT offsetChanged(offset);
    }

Q_SIGNALS:
    void offsetChanged(double offset);

private:
    double m_offset = 0;
};

} // namespace qm

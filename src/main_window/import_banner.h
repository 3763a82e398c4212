// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>
#include <QWidget>

class QLabel;

namespace qm {

class SmallIconButton;

// A strip across the top of the main window naming each file that could not be imported and
// why, one line each, until it is closed or the next import starts. It never takes the focus
// from the script.
class ImportBanner final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ImportBanner)

public:
    explicit ImportBanner(QWidget *parent = nullptr);

    void addLine(const QString &message);
    void clear();
    QStringList lines() const { return m_lines; }
    SmallIconButton *closeButton() const { return m_close; }

    // Older lines give way to newer ones beyond this many.
    static constexpr int kMaxLines = 4;

protected:
    void paintEvent(QPaintEvent *) override;

private:
    QStringList m_lines;
    QLabel *m_text = nullptr;
    SmallIconButton *m_close = nullptr;
};

} // namespace qm

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class QLabel;

namespace qm {

class Store;

// A strip across the top of the editor column while the scripts cannot be written: it says
// why and that nothing typed is lost, and goes away by itself at the next good save. It never
// takes the focus or blocks typing.
class SaveBanner final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SaveBanner)

public:
    explicit SaveBanner(Store &store, QWidget *parent = nullptr);

    QString text() const;
    static QString message(const QString &reason);

protected:
    void paintEvent(QPaintEvent *) override;

private:
    void showReason(const QString &reason);

    QLabel *m_text = nullptr;
};

} // namespace qm

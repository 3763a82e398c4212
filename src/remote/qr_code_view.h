// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QBitArray>
#include <QWidget>

namespace qm {

// The modules of a QR code: `size` rows of `size` dark (true) or light modules.
struct QrModules {
    int size = 0;
    QBitArray dark;

    bool at(int x, int y) const { return dark.testBit(y * size + x); }
};

// Encodes `text` with libqrencode at error correction level M; empty when it cannot.
QrModules encodeQr(const QString &text);

// Draws a QR code as dark modules on white with the four-module quiet zone a reader needs,
// each module a whole number of pixels so a phone's camera reads it from the screen.
class QrCodeView final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(QrCodeView)

public:
    explicit QrCodeView(QWidget *parent = nullptr);

    void setText(const QString &text);
    QString text() const { return m_text; }
    const QrModules &modules() const { return m_modules; }

    QSize sizeHint() const override;

    static constexpr int kQuietZone = 4;

protected:
    void paintEvent(QPaintEvent *) override;

private:
    QString m_text;
    QrModules m_modules;
};

} // namespace qm

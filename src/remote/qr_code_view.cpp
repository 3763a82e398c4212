// SPDX-License-Identifier: GPL-3.0-or-later
#include "qr_code_view.h"

#include <QPainter>

#include <qrencode.h>

namespace qm {

QrModules encodeQr(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    QRcode *code = QRcode_encodeString8bit(bytes.constData(), 0, QR_ECLEVEL_M);
    if (!code)
        return {};
    QrModules m;
    m.size = code->width;
    m.dark.resize(m.size * m.size);
    for (int i = 0; i < m.size * m.size; ++i)
        m.dark.setBit(i, code->data[i] & 1);
    QRcode_free(code);
    return m;
}

QrCodeView::QrCodeView(QWidget *parent)
    : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void QrCodeView::setText(const QString &text)
{
    if (text == m_text)
        return;
    m_text = text;
    m_modules = text.isEmpty() ? QrModules {} : encodeQr(text);
    setAccessibleName(QStringLiteral("Pairing code for ") + text);
    updateGeometry();
    update();
}

QSize QrCodeView::sizeHint() const
{
    // Four pixels a module reads well from a laptop screen and fits the settings column.
    const int side = (m_modules.size + 2 * kQuietZone) * 4;
    return {side, side};
}

void QrCodeView::paintEvent(QPaintEvent *)
{
    if (m_modules.size == 0)
        return;
    QPainter p(this);
    const int total = m_modules.size + 2 * kQuietZone;
    const int module = std::max(1, std::min(width(), height()) / total);
    const int side = module * total;
    const QPoint origin((width() - side) / 2, (height() - side) / 2);
    p.fillRect(QRect(origin, QSize(side, side)), Qt::white);
    for (int y = 0; y < m_modules.size; ++y) {
        for (int x = 0; x < m_modules.size; ++x) {
            if (m_modules.at(x, y))
                p.fillRect(origin.x() + (x + kQuietZone) * module,
                    origin.y() + (y + kQuietZone) * module, module, module, Qt::black);
        }
    }
}

} // namespace qm

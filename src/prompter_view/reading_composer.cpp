// SPDX-License-Identifier: GPL-3.0-or-later
#include "reading_composer.h"

#include "painter_pixels.h"

#include <QPainter>
#include <QTransform>

#include <algorithm>
#include <optional>

namespace qm {

namespace {

constexpr int kBlitRows = 64;

} // namespace

void ReadingComposer::setOutput(bool output, double mirrorWidth)
{
    m_output = output;
    m_mirrorWidth = mirrorWidth;
}

QRegion ReadingComposer::inkRegion(
    const QRectF &area, double dpr, const std::vector<ColumnTiles::Band> &bands) const
{
    // A frame asks for the same bands' region when it scrolls and again when it paints.
    const InkKey key {
        &bands == &m_tiles.lastBands() ? m_tiles.planRevision() : 0, area, dpr, m_mirrorWidth};
    if (key.revision && key == m_inkKey)
        return m_ink;
    QRegion region;
    for (const ColumnTiles::Band &band : bands) {
        QRectF ink(area.left() + band.left / dpr, area.top() + band.first / dpr,
            (band.right - band.left) / dpr, (band.last - band.first) / dpr);
        // Mirrored tiles hold the picture's text mirrored; the region is the picture's.
        if (m_mirrorWidth > 0)
            ink.moveLeft(m_mirrorWidth - ink.right());
        region += ink.toAlignedRect();
    }
    m_inkKey = key;
    m_ink = region;
    return region;
}

QRegion ReadingComposer::inkAt(const QRectF &area, double dpr, double offset, double opacity)
{
    return inkRegion(area, dpr, m_tiles.bands(qRound(area.height() * dpr), offset, opacity));
}

QRegion ReadingComposer::inkPixels(const QPoint &at) const
{
    QRegion region;
    for (const ColumnTiles::Band &band : m_tiles.lastBands())
        region += QRect(at.x() + band.left, at.y() + band.first, band.right - band.left,
            band.last - band.first);
    return region;
}

bool ReadingComposer::composeInPlace(
    QPainter &p, const QRectF &area, double dpr, double offset, double opacity, const QRegion *ink)
{
    // Painting into an image (the window's backing store, or an image being rendered into)
    // with no rotation, no painter clip and the reading area on whole device pixels: the text
    // can be written straight into the image's pixels, inside the region being painted.
    if (p.compositionMode() != QPainter::CompositionMode_SourceOver)
        return false;
    // Upside down (a full-screen output flipped vertically): the area's rows are written bottom
    // up into where the flip puts the area.
    const QTransform t = p.deviceTransform();
    const bool upsideDown = m_output && t.m22() < 0;
    std::optional<PainterPixels> target;
    if (upsideDown) {
        if (dpr != 1 || t.type() > QTransform::TxScale || t.m11() != 1 || t.m22() != -1)
            return false;
        const QPointF corner = t.mapRect(area).topLeft();
        p.save();
        p.resetTransform();
        target = painterPixels(p, corner, 1);
        p.restore();
    } else {
        target = painterPixels(p, area.topLeft(), dpr);
    }
    if (!target)
        return false;
    const QPoint at = target->at;
    uchar *bits = target->bits;
    const qsizetype stride = target->image->bytesPerLine();

    const int rows = qRound(area.height() * dpr);
    const std::vector<ColumnTiles::Band> &bands = m_tiles.bands(rows, offset, opacity);
    const QRegion &clip = target->clip;
    for (const ColumnTiles::Band &band : bands) {
        const int top = upsideDown ? rows - band.last : band.first;
        const QRect inDevice(
            at.x() + band.left, at.y() + top, band.right - band.left, band.last - band.first);
        for (const QRect &piece : clip.intersected(inDevice)) {
            for (int y = piece.top(); y <= piece.bottom(); ++y) {
                const int row = upsideDown ? rows - 1 - (y - at.y()) : y - at.y();
                m_tiles.writeRow(bits + y * stride + qsizetype(at.x()) * 4, row,
                    piece.left() - at.x(), piece.right() + 1 - at.x(),
                    ColumnTiles::Backdrop::Black);
            }
        }
    }
    m_shownInk = ink ? *ink : inkRegion(area, dpr, bands);
    ++m_inPlace;
    return true;
}

void ReadingComposer::paint(QPainter &p, const QRectF &area, double dpr, double offset,
    double opacity, bool settled, const QRegion *ink)
{
    if (settled && composeInPlace(p, area, dpr, offset, opacity, ink))
        return;
    // Once the panel stands still, the text is composed onto the panel's black and copied into
    // place; while it opens under a scale and an opacity, it is drawn over the panel instead.
    const ColumnTiles::Backdrop backdrop
        = settled ? ColumnTiles::Backdrop::Black : ColumnTiles::Backdrop::Transparent;
    const QSize px(qRound(area.width() * dpr), qRound(area.height() * dpr));
    if (m_reading.size() != px)
        m_reading = QImage(px, QImage::Format_ARGB32_Premultiplied);
    const Composed composed {m_tiles.generation(), offset, opacity, backdrop, px};
    const std::vector<ColumnTiles::Band> &bands = composed == m_composed
        ? m_tiles.bands(px.height(), offset, opacity)
        : m_tiles.compose(m_reading, offset, opacity, backdrop);
    m_composed = composed;
    p.save();
    if (settled)
        p.setCompositionMode(QPainter::CompositionMode_Source);
    // The raster engine hands blits of many rows to worker threads and waits for them, which
    // costs more than the copy; a text line's band fits in one or two short blits.
    for (const ColumnTiles::Band &band : bands) {
        const int columns = band.right - band.left;
        for (int first = band.first; first < band.last; first += kBlitRows) {
            const int rows = std::min(kBlitRows, band.last - first);
            p.drawImage(QRectF(area.left() + band.left / dpr, area.top() + first / dpr,
                            columns / dpr, rows / dpr),
                m_reading, QRectF(band.left, first, columns, rows));
        }
    }
    p.restore();
    m_shownInk = ink ? *ink : inkRegion(area, dpr, bands);
}

} // namespace qm

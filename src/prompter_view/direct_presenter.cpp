// SPDX-License-Identifier: GPL-3.0-or-later
#include "direct_presenter.h"

#include <QBackingStore>
#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QWidget>
#include <QWindow>

#include <cmath>
#include <cstring>
#include <optional>

namespace qm {

namespace {

// The device pixels a region of points touches.
QRegion toDevice(const QRegion &region, double dpr)
{
    if (dpr == 1)
        return region;
    QRegion out;
    for (const QRect &r : region) {
        const int left = int(std::floor(r.left() * dpr));
        const int top = int(std::floor(r.top() * dpr));
        const int right = int(std::ceil((r.right() + 1) * dpr));
        const int bottom = int(std::ceil((r.bottom() + 1) * dpr));
        out += QRect(left, top, right - left, bottom - top);
    }
    return out;
}

// The points whose device pixels cover `region`'s: the toolkit rounds a flushed rectangle to
// device pixels, which may fall short of its edges by one.
QRegion coveringPoints(const QRegion &region, double dpr)
{
    if (dpr == 1)
        return region;
    QRegion out;
    for (const QRect &r : region)
        out += r.adjusted(-1, -1, 1, 1);
    return out;
}

// The widget's top left in the window's device pixels, when it is on a whole one.
std::optional<QPoint> deviceOrigin(const QWidget &widget, double dpr)
{
    const QPointF at = QPointF(widget.mapTo(widget.window(), QPoint(0, 0))) * dpr;
    const QPoint whole(qRound(at.x()), qRound(at.y()));
    if (std::abs(at.x() - whole.x()) > 1e-6 || std::abs(at.y() - whole.y()) > 1e-6)
        return std::nullopt;
    return whole;
}

} // namespace

DirectPresenter::DirectPresenter()
    : m_plain(qEnvironmentVariableIntValue("QUILLMERE_PLAIN_FRAMES") == 1)
{
}

QImage *DirectPresenter::windowImage(const QWidget &widget) const
{
    const double dpr = widget.devicePixelRatioF();
    if (!m_fence.available() || !widget.isVisible() || (m_plain && dpr != 1))
        return nullptr;
    const QWidget *top = widget.window();
    QBackingStore *store = top->backingStore();
    if (!store || !top->windowHandle() || !top->windowHandle()->handle())
        return nullptr;
    QPaintDevice *device = store->paintDevice();
    if (!device || device->devType() != QInternal::Image)
        return nullptr;
    auto *image = static_cast<QImage *>(device);
    const bool usable = image->devicePixelRatio() == dpr
        && std::abs(image->width() - top->width() * dpr) < 1
        && std::abs(image->height() - top->height() * dpr) < 1
        && (image->format() == QImage::Format_ARGB32_Premultiplied
            || image->format() == QImage::Format_RGB32);
    return usable ? image : nullptr;
}

bool DirectPresenter::present(
    QWidget &widget, const QRegion &region, const Paint &paint, const QRegion *shown)
{
    QImage *image = windowImage(widget);
    if (!image)
        return false;
    QWidget *top = widget.window();
    const double dpr = image->devicePixelRatio();
    const QPoint at = widget.mapTo(top, QPoint(0, 0));
    const QRegion local = region & widget.rect();
    const QRegion inWindow = (shown ? *shown & widget.rect() : local).translated(at);
    if (inWindow.isEmpty())
        return true;
    // The painter works in points; what it may touch is the device pixels of the region.
    const QRegion pixels = toDevice(inWindow, dpr) & image->rect();
    if (pixels.isEmpty())
        return true;
    // The server may still be reading the pixels the last frame handed over.
    m_fence.wait();
    QPaintEngine *engine = image->paintEngine();
    if (!engine)
        return false;
    engine->setSystemClip(pixels);
    {
        QPainter p(image);
        p.translate(at);
        paint(p, local, image->hasAlphaChannel());
    }
    engine->setSystemClip(QRegion());
    top->backingStore()->flush(coveringPoints(inWindow, dpr) & top->rect(), top->windowHandle());
    m_fence.mark();
    ++m_presented;
    return true;
}

bool DirectPresenter::scroll(QWidget &widget, const QRect &rect, int dy)
{
    if (!movesPixels() || dy == 0)
        return false;
    QImage *image = windowImage(widget);
    if (!image)
        return false;
    const double dpr = image->devicePixelRatio();
    const std::optional<QPoint> origin = deviceOrigin(widget, dpr);
    if (!origin)
        return false;
    const QRect area = rect.translated(*origin) & image->rect();
    const QRect to = area & area.translated(0, dy);
    if (to.isEmpty())
        return false;
    const QRect from = to.translated(0, -dy);
    // The image must keep showing what the server shows: the toolkit flushes from it.
    m_fence.wait();
    uchar *bits = image->bits();
    const qsizetype stride = image->bytesPerLine();
    const std::size_t bytes = std::size_t(to.width()) * 4;
    const qsizetype column = qsizetype(to.left()) * 4;
    // Rows move up in order from the top, down in order from the bottom.
    for (int i = 0; i < to.height(); ++i) {
        const int k = dy < 0 ? i : to.height() - 1 - i;
        std::memmove(bits + (to.top() + k) * stride + column,
            bits + (from.top() + k) * stride + column, bytes);
    }
    m_copy.copy(widget.window()->winId(), from, to.topLeft());
    ++m_scrolled;
    return true;
}

} // namespace qm

// SPDX-License-Identifier: GPL-3.0-or-later
#include "direct_presenter.h"
#include "painter_pixels.h"

#include "platform/trace.h"

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

// `region` grown by `points` on every side. At a fractional scale the toolkit rounds each
// flushed rectangle's corner and size to whole device pixels: a rectangle grown by 2 points
// flushes every device pixel the rectangle touches, and none outside it grown by 3.
QRegion grown(const QRegion &region, int points)
{
    QRegion out;
    for (const QRect &r : region)
        out += r.adjusted(-points, -points, points, points);
    return out;
}

// The smallest whole number of points that is a whole number of device pixels; 0 past 8.
int gridStep(double dpr)
{
    for (int step = 1; step <= 8; ++step) {
        if (std::abs(step * dpr - std::round(step * dpr)) < 1e-9)
            return step;
    }
    return 0;
}

// `region` with every rectangle grown out to multiples of `step` points.
QRegion onGrid(const QRegion &region, int step)
{
    if (step == 1)
        return region;
    const auto down = [step](int v) { return int(std::floor(double(v) / step)) * step; };
    const auto up = [step](int v) { return int(std::ceil(double(v) / step)) * step; };
    QRegion out;
    for (const QRect &r : region) {
        const int left = down(r.left()), top = down(r.top());
        out += QRect(left, top, up(r.right() + 1) - left, up(r.bottom() + 1) - top);
    }
    return out;
}

long long pixelCount(const QRegion &region)
{
    long long pixels = 0;
    for (const QRect &r : region)
        pixels += qint64(r.width()) * r.height();
    return pixels;
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

// Copies the pixels of `region` from one image to another of the same size and format.
void copyPixels(const QImage &from, QImage &to, const QRegion &region)
{
    uchar *bits = to.bits();
    const qsizetype toStride = to.bytesPerLine();
    const qsizetype fromStride = from.bytesPerLine();
    const uchar *source = from.constBits();
    const QRegion inBoth = region & from.rect() & to.rect();
    for (const QRect &r : inBoth) {
        for (int y = r.top(); y <= r.bottom(); ++y)
            std::memcpy(bits + y * toStride + qsizetype(r.left()) * 4,
                source + y * fromStride + qsizetype(r.left()) * 4, std::size_t(r.width()) * 4);
    }
}

} // namespace

DirectPresenter::DirectPresenter()
    : m_plain(qEnvironmentVariableIntValue("QUILLMERE_PLAIN_FRAMES") == 1)
    , m_toolkitFlush(qEnvironmentVariableIntValue("QUILLMERE_TOOLKIT_FLUSH") == 1)
{
}

QImage *DirectPresenter::frameImage(const QWidget &widget, QImage *store)
{
    // A compositing manager is told of a clipped request's changes as their bounding box: one
    // request for a frame's scattered rows would have it compose nearly the whole panel on every
    // frame, where the toolkit's one request per rectangle tells it just those.
    if (m_plain || m_toolkitFlush || m_compositor.running() || !m_shared.available())
        return store;
    bool fresh = false;
    QImage *image
        = m_shared.image(widget.window()->winId(), store->size(), store->format(), &fresh);
    if (!image)
        return store;
    // A new image is blank: it takes over the toolkit's pixels wherever a frame paints first.
    if (fresh)
        m_toolkitNewer = QRegion(image->rect());
    if (image->devicePixelRatio() != store->devicePixelRatio())
        image->setDevicePixelRatio(store->devicePixelRatio());
    return image;
}

void DirectPresenter::toolkitPainted(const QWidget &widget, const QRegion *region)
{
    m_fence.invalidate();
    if (!region)
        return;
    const double dpr = widget.devicePixelRatioF();
    m_toolkitNewer
        += devicePixels(region->translated(widget.mapTo(widget.window(), QPoint(0, 0))), dpr);
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

bool DirectPresenter::present(QWidget &widget, const QRegion &region, const Paint &paint,
    const QRegion *shown, bool toolkitToo)
{
    QImage *store = windowImage(widget);
    if (!store)
        return false;
    QImage *image = frameImage(widget, store);
    const bool own = image != store;
    QWidget *top = widget.window();
    const double dpr = image->devicePixelRatio();
    const QPoint at = widget.mapTo(top, QPoint(0, 0));
    // The image may be stale where frames were moved: only what is painted here is flushed.
    // The toolkit rounds a flushed rectangle's corner and size to device pixels: rectangles on
    // a grid of points that fall on whole device pixels (every point at a whole scale, every
    // second at 1.5, every fourth at 1.25) flush exactly the pixels painted. Otherwise the
    // flushed region is grown to reach every pixel the region touches, and the painted one
    // further to hold all that is flushed.
    const QRect bounds = widget.rect().translated(at);
    const int step = gridStep(dpr);
    const bool exact = step > 0 && onGrid(QRegion(bounds), step) == QRegion(bounds);
    const QRegion onScreen = (shown ? *shown : region).translated(at) & bounds;
    if (onScreen.isEmpty())
        return true;
    QRegion local, flushed, painted;
    if (exact) {
        local = onGrid(region.translated(at), step).translated(-at) & widget.rect();
        painted = flushed = onGrid(onScreen, step) & bounds;
    } else {
        local = grown(region, 3) & widget.rect();
        flushed = grown(onScreen, 2) & top->rect();
        painted = grown(onScreen, 3) & bounds;
    }
    // The painter works in points; what it may touch is the device pixels of the region.
    const QRegion pixels = devicePixels(painted, dpr) & image->rect();
    if (pixels.isEmpty())
        return true;
    // The server may still be reading the pixels the last frame handed over.
    m_fence.wait();
    QPaintEngine *engine = image->paintEngine();
    if (!engine)
        return false;
    if (own) {
        // Where the toolkit painted since, the frame paints over its pixels, as it would in
        // the toolkit's image.
        const QRegion newer = m_toolkitNewer & pixels;
        copyPixels(*store, *image, newer);
        m_toolkitNewer -= newer;
    }
    engine->setSystemClip(pixels);
    {
        QPainter p(image);
        p.translate(at);
        paint(p, local, image->hasAlphaChannel());
    }
    engine->setSystemClip(QRegion());
    if (own) {
        // Our own rounding, not the toolkit's: exactly the device pixels the region touches,
        // all of them painted whole.
        const QRegion sent = devicePixels(exact ? flushed : onScreen, dpr) & image->rect();
        if (toolkitToo)
            copyPixels(*image, *store, pixels);
        else
            m_stale = true;
        m_shared.put(sent);
        m_fence.mark();
        if (traceEnabled())
            tracePixels("sent", pixelCount(sent));
    } else {
        top->backingStore()->flush(flushed, top->windowHandle());
        m_fence.mark();
        if (traceEnabled())
            tracePixels("sent", pixelCount(devicePixels(flushed, dpr) & image->rect()));
    }
    ++m_presented;
    return true;
}

bool DirectPresenter::scroll(QWidget &widget, const QRect &rect, int dy, const QRegion &within)
{
    if (!movesPixels() || dy == 0 || !windowImage(widget))
        return false;
    const std::optional<QPoint> origin = deviceOrigin(widget, widget.devicePixelRatioF());
    if (!origin)
        return false;
    const QWidget *top = widget.window();
    const QRect bounds(QPoint(0, 0), (QSizeF(top->size()) * widget.devicePixelRatioF()).toSize());
    const QRect area = rect.translated(*origin) & bounds;
    const QRect to = area & area.translated(0, dy);
    if (to.isEmpty())
        return false;
    const unsigned long window = top->winId();
    const QRegion pieces = within.translated(*origin) & to;
    m_copy.move(window, pieces, dy);
    m_copy.flush();
    if (traceEnabled())
        tracePixels("copied", pixelCount(pieces));
    m_stale = true;
    ++m_scrolled;
    return true;
}

void DirectPresenter::repaired()
{
    m_stale = false;
}

} // namespace qm

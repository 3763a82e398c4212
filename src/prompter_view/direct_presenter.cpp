// SPDX-License-Identifier: GPL-3.0-or-later
#include "direct_presenter.h"

#include <QBackingStore>
#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QWidget>
#include <QWindow>

namespace qm {

QImage *DirectPresenter::windowImage(const QWidget &widget) const
{
    if (!m_fence.available() || !widget.isVisible() || widget.devicePixelRatioF() != 1)
        return nullptr;
    const QWidget *top = widget.window();
    QBackingStore *store = top->backingStore();
    if (!store || !top->windowHandle() || !top->windowHandle()->handle())
        return nullptr;
    QPaintDevice *device = store->paintDevice();
    if (!device || device->devType() != QInternal::Image)
        return nullptr;
    auto *image = static_cast<QImage *>(device);
    const bool usable = image->size() == top->size()
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
    const QPoint at = widget.mapTo(top, QPoint(0, 0));
    const QRegion local = region & widget.rect();
    const QRegion inWindow
        = (shown ? *shown & widget.rect() : local).translated(at) & image->rect();
    if (inWindow.isEmpty())
        return true;
    // The server may still be reading the pixels the last frame handed over.
    m_fence.wait();
    QPaintEngine *engine = image->paintEngine();
    if (!engine)
        return false;
    engine->setSystemClip(inWindow);
    {
        QPainter p(image);
        p.translate(at);
        paint(p, local, image->hasAlphaChannel());
    }
    engine->setSystemClip(QRegion());
    top->backingStore()->flush(inWindow, top->windowHandle());
    m_fence.mark();
    ++m_presented;
    return true;
}

} // namespace qm

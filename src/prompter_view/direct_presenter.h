// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/server_fence.h"
#include "platform/window_copy.h"

#include <QRegion>

#include <functional>

class QImage;
class QPainter;
class QWidget;

namespace qm {

// Shows a frame without a repaint request: paints straight into the window's backing-store
// image and flushes it to the display server. The toolkit would clear the region and wait for
// a round trip before painting into memory the server may still read; a ServerFence says
// instead when that memory may be written again. A picture scrolled by whole device pixels is
// moved inside the server (and in the image alongside), so only what it uncovers is sent.
class DirectPresenter final {
public:
    DirectPresenter();

    // Paints `region` (the widget's coordinates) onto the window's last frame; `clear` means
    // the pixels there still hold that frame.
    using Paint = std::function<void(QPainter &painter, const QRegion &region, bool clear)>;

    // Whether the window system allows it at all.
    bool available() const { return m_fence.available(); }
    // Whether scrolled pictures are moved inside the server: then the text scrolls by whole
    // device pixels. QUILLMERE_PLAIN_FRAMES=1 turns it off, and frames go straight into the
    // window only on a 1:1 device, as before (for measuring one way against the other).
    bool movesPixels() const { return m_copy.available() && !m_plain; }
    // The window image that `widget`'s frames would go into, when it can be written directly:
    // a raster backing store at the window's size in device pixels, in a 32-bit format.
    QImage *windowImage(const QWidget &widget) const;
    // Paints `region` of `widget` through `paint` and shows it at once; false when it cannot,
    // and the caller asks for a repaint instead. `shown`, when the paint flips the picture, is
    // where `region` lands in the widget.
    bool present(
        QWidget &widget, const QRegion &region, const Paint &paint, const QRegion *shown = nullptr);
    // Moves the pixels of `rect` (the widget's device pixels) by `dy` device rows on screen,
    // before a present() paints what that uncovers; what moves out of `rect` is dropped. Only
    // where they land inside `within`: elsewhere they are the same before and after. False
    // when it cannot, and nothing moved. The window image is not moved alongside: from then on
    // it may differ from the screen there (stale()), and every present() flushes only pixels
    // it painted itself.
    bool scroll(QWidget &widget, const QRect &rect, int dy, const QRegion &within);
    // Whether the window image may differ from the screen where frames were moved: before the
    // toolkit shows the image itself (on exposure), the caller paints it whole again.
    bool stale() const { return m_stale; }
    // The window image has been painted whole since.
    void repaired();
    // Whether a move since the last call found part of the window missing on the server
    // (covered, off screen): what it moved there must be painted again.
    bool takeMissed() { return m_copy.takeMissed(); }
    // The toolkit showed a frame of its own, which no fence covers.
    void toolkitPainted() { m_fence.invalidate(); }

    quint64 presented() const { return m_presented; }
    quint64 scrolled() const { return m_scrolled; }

private:
    platform::ServerFence m_fence;
    platform::WindowCopy m_copy;
    bool m_plain = false;
    bool m_stale = false;
    quint64 m_presented = 0;
    quint64 m_scrolled = 0;
};

} // namespace qm

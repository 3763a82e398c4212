// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/compositor.h"
#include "platform/server_fence.h"
#include "platform/shared_image.h"
#include "platform/window_copy.h"

#include <QRegion>

#include <functional>

class QImage;
class QPainter;
class QWidget;

namespace qm {

// Shows a frame without a repaint request: paints straight into an image of the window's pixels
// and hands it to the display server. The toolkit would clear the region and wait for a round
// trip before painting into memory the server may still read; a ServerFence says instead when
// that memory may be written again. On X11 the image is one of our own in memory shared with
// the server, sent in one request however many rectangles a frame holds (the toolkit sends one
// for each), where no compositing manager runs; elsewhere, or with QUILLMERE_TOOLKIT_FLUSH=1 (for
// measuring one way against the other), it is the window's backing-store image, flushed by the
// toolkit. A picture scrolled by whole device pixels is moved inside the server, so only what it
// uncovers is sent.
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
    // where `region` lands in the widget. `toolkitToo` leaves the window's backing-store image
    // holding the frame there as well, for the toolkit to show it on an exposure.
    bool present(QWidget &widget, const QRegion &region, const Paint &paint,
        const QRegion *shown = nullptr, bool toolkitToo = false);
    // Moves the pixels of `rect` (the widget's device pixels) by `dy` device rows on screen,
    // before a present() paints what that uncovers; what moves out of `rect` is dropped. Only
    // where they land inside `within`: elsewhere they are the same before and after. False
    // when it cannot, and nothing moved. The window image is not moved alongside: from then on
    // it may differ from the screen there (stale()), and every present() flushes only pixels
    // it painted itself.
    bool scroll(QWidget &widget, const QRect &rect, int dy, const QRegion &within);
    // Whether the window's backing-store image may differ from the screen (frames were moved
    // on the server, or sent from our own image): before the toolkit shows that image itself
    // (on exposure), the caller paints it whole again with `toolkitToo`.
    bool stale() const { return m_stale; }
    // The window image has been painted whole since.
    void repaired();
    // Whether a move since the last call found part of the window missing on the server
    // (covered, off screen): what it moved there must be painted again.
    bool takeMissed() { return m_copy.takeMissed(); }
    // The toolkit showed a frame of its own, which no fence covers; `region` (the widget's),
    // when given, is what it painted into the window's backing-store image.
    void toolkitPainted(const QWidget &widget, const QRegion *region = nullptr);

    quint64 presented() const { return m_presented; }
    quint64 scrolled() const { return m_scrolled; }

private:
    // The image the frame for `widget` is painted into: our own, or else the backing store's.
    QImage *frameImage(const QWidget &widget, QImage *store);

    platform::ServerFence m_fence;
    platform::WindowCopy m_copy;
    platform::SharedImage m_shared;
    platform::CompositorWatch m_compositor;
    bool m_plain = false;
    bool m_toolkitFlush = false;
    // The window's device pixels the toolkit painted since our own image last had them: a frame
    // takes them over before painting there, so it paints over the same pixels either way.
    QRegion m_toolkitNewer;
    bool m_stale = false;
    quint64 m_presented = 0;
    quint64 m_scrolled = 0;
};

} // namespace qm

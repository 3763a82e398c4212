// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/server_fence.h"

#include <QRegion>

#include <functional>

class QImage;
class QPainter;
class QWidget;

namespace qm {

// Shows a frame without a repaint request: paints straight into the window's backing-store
// image and flushes it to the display server. The toolkit would clear the region and wait for
// a round trip before painting into memory the server may still read; a ServerFence says
// instead when that memory may be written again.
class DirectPresenter final {
public:
    // Paints `region` (the widget's coordinates) onto the window's last frame; `clear` means
    // the pixels there still hold that frame.
    using Paint = std::function<void(QPainter &painter, const QRegion &region, bool clear)>;

    // Whether the window system allows it at all.
    bool available() const { return m_fence.available(); }
    // The window image that `widget`'s frames would go into, when it can be written directly:
    // a raster backing store at the window's size, in a 32-bit format, on a 1:1 device.
    QImage *windowImage(const QWidget &widget) const;
    // Paints `region` of `widget` through `paint` and shows it at once; false when it cannot,
    // and the caller asks for a repaint instead. `shown`, when the paint flips the picture, is
    // where `region` lands in the widget.
    bool present(
        QWidget &widget, const QRegion &region, const Paint &paint, const QRegion *shown = nullptr);
    // The toolkit showed a frame of its own, which no fence covers.
    void toolkitPainted() { m_fence.invalidate(); }

    quint64 presented() const { return m_presented; }

private:
    platform::ServerFence m_fence;
    quint64 m_presented = 0;
};

} // namespace qm

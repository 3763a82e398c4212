// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QRegion>
#include <QSize>

#include <memory>

namespace qm::platform {

// An image of the program's own in memory it shares with the display server, so that a frame
// of many rectangles reaches a window in one request: the server reads the pixels of the
// rectangles straight from that memory. The server reads them when it gets to the request, so
// the memory is written again only after a ServerFence says it is past it.
class SharedImage final {
public:
    SharedImage();
    ~SharedImage();
    SharedImage(const SharedImage &) = delete;
    SharedImage &operator=(const SharedImage &) = delete;

    // False where the window system cannot (not X11, no shared memory on the server, a display
    // reached over the network), or once the server refused the memory: callers send frames
    // the toolkit's way.
    bool available() const;
    // The image for `window`'s frames, `size` device pixels in `format` (32-bit RGB, opaque or
    // premultiplied, as the toolkit's own image for the window): the same one for as long as
    // these stay the same; `fresh`, when given, says whether it is a new one, blank. Null when
    // this window's pixels are laid out otherwise.
    QImage *image(
        unsigned long window, const QSize &size, QImage::Format format, bool *fresh = nullptr);
    // Hands the pixels of `region` (the window's device pixels) of the image to the window:
    // one request however many rectangles the region holds, but for regions of very many.
    void put(const QRegion &region);

private:
    struct State;
    std::unique_ptr<State> m_state;
};

} // namespace qm::platform

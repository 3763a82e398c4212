// SPDX-License-Identifier: GPL-3.0-or-later
#include "shared_image.h"
#include "x11_connection.h"

#include <QtEndian>

#include <xcb/shm.h>
#include <xcb/xcb.h>

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace qm::platform {

namespace {

// Whether the display is on this machine: memory is handed over as a file descriptor, which
// only a local socket carries (and a server elsewhere could not map anyway).
bool localDisplay()
{
    char *host = nullptr;
    int display = 0;
    int screen = 0;
    if (xcb_parse_display(nullptr, &host, &display, &screen) == 0)
        return false;
    const bool local = !host || host[0] == '\0' || std::strcmp(host, "unix") == 0;
    std::free(host);
    return local;
}

// The window's depth when its pixels are 32 bits in the byte order of the toolkit's 32-bit RGB
// images (blue first in memory on this machine), else 0.
int windowDepth(xcb_connection_t *connection, xcb_window_t window)
{
    xcb_get_window_attributes_reply_t *attributes = xcb_get_window_attributes_reply(
        connection, xcb_get_window_attributes(connection, window), nullptr);
    if (!attributes)
        return 0;
    const xcb_visualid_t visual = attributes->visual;
    std::free(attributes);
    const xcb_setup_t *setup = xcb_get_setup(connection);
    const auto native = QSysInfo::ByteOrder == QSysInfo::LittleEndian ? XCB_IMAGE_ORDER_LSB_FIRST
                                                                      : XCB_IMAGE_ORDER_MSB_FIRST;
    if (setup->image_byte_order != native)
        return 0;
    for (auto screens = xcb_setup_roots_iterator(setup); screens.rem; xcb_screen_next(&screens)) {
        for (auto depths = xcb_screen_allowed_depths_iterator(screens.data); depths.rem;
             xcb_depth_next(&depths)) {
            for (auto visuals = xcb_depth_visuals_iterator(depths.data); visuals.rem;
                 xcb_visualtype_next(&visuals)) {
                const xcb_visualtype_t *v = visuals.data;
                if (v->visual_id != visual)
                    continue;
                const int depth = depths.data->depth;
                if ((depth != 24 && depth != 32) || v->red_mask != 0xff0000
                    || v->green_mask != 0xff00 || v->blue_mask != 0xff)
                    return 0;
                for (auto formats = xcb_setup_pixmap_formats_iterator(setup); formats.rem;
                     xcb_format_next(&formats)) {
                    if (formats.data->depth == depth)
                        return formats.data->bits_per_pixel == 32 ? depth : 0;
                }
                return 0;
            }
        }
    }
    return 0;
}

} // namespace

struct SharedImage::State {
    xcb_connection_t *connection = nullptr;
    bool probed = false;
    bool usable = false;
    // The window the image is for, and its graphics context (made for drawables of its depth).
    xcb_window_t window = 0;
    int depth = 0;
    xcb_gcontext_t gc = 0;
    // The shared memory and the image over it.
    xcb_shm_seg_t segment = 0;
    uchar *memory = nullptr;
    std::size_t bytes = 0;
    QImage image;

    void releaseMemory()
    {
        image = QImage();
        if (segment)
            xcb_shm_detach(connection, segment);
        segment = 0;
        if (memory)
            munmap(memory, bytes);
        memory = nullptr;
        bytes = 0;
    }

    void releaseWindow()
    {
        releaseMemory();
        if (gc)
            xcb_free_gc(connection, gc);
        gc = 0;
        window = 0;
        depth = 0;
    }

    void probe()
    {
        probed = true;
        if (!connection || !localDisplay())
            return;
        const xcb_query_extension_reply_t *shm = xcb_get_extension_data(connection, &xcb_shm_id);
        if (!shm || !shm->present)
            return;
        xcb_shm_query_version_reply_t *version
            = xcb_shm_query_version_reply(connection, xcb_shm_query_version(connection), nullptr);
        // Handing memory over as a file descriptor came with 1.2.
        usable = version
            && (version->major_version > 1
                || (version->major_version == 1 && version->minor_version >= 2));
        std::free(version);
    }

    // On any failure frames go the toolkit's way from then on, rather than trying again on
    // every frame.
    bool allocate(const QSize &size, QImage::Format format)
    {
        usable = false;
        const std::size_t wanted = std::size_t(size.width()) * std::size_t(size.height()) * 4;
        const int fd = memfd_create("quillmere-frame", MFD_CLOEXEC);
        if (fd < 0)
            return false;
        if (ftruncate(fd, off_t(wanted)) != 0) {
            close(fd);
            return false;
        }
        void *mapped = mmap(nullptr, wanted, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        if (mapped == MAP_FAILED) {
            close(fd);
            return false;
        }
        // The connection takes the descriptor and closes it once sent.
        const xcb_shm_seg_t seg = xcb_generate_id(connection);
        xcb_generic_error_t *error
            = xcb_request_check(connection, xcb_shm_attach_fd_checked(connection, seg, fd, 1));
        if (error) {
            // The server will not share memory with this program.
            std::free(error);
            munmap(mapped, wanted);
            return false;
        }
        usable = true;
        segment = seg;
        memory = static_cast<uchar *>(mapped);
        bytes = wanted;
        image = QImage(memory, size.width(), size.height(), size.width() * 4, format);
        return true;
    }
};

SharedImage::SharedImage()
    : m_state(std::make_unique<State>())
{
    m_state->connection = qtConnection();
}

SharedImage::~SharedImage()
{
    State &s = *m_state;
    // A connection already closed with the application took the segment and context along.
    if (s.connection && qtConnection() == s.connection)
        s.releaseWindow();
    else if (s.memory)
        munmap(s.memory, s.bytes);
}

bool SharedImage::available() const
{
    State &s = *m_state;
    if (!s.probed)
        s.probe();
    return s.usable;
}

QImage *SharedImage::image(
    unsigned long window, const QSize &size, QImage::Format format, bool *fresh)
{
    State &s = *m_state;
    if (fresh)
        *fresh = false;
    if (!available() || size.isEmpty()
        || (format != QImage::Format_RGB32 && format != QImage::Format_ARGB32_Premultiplied))
        return nullptr;
    if (xcb_window_t(window) != s.window) {
        s.releaseWindow();
        s.window = xcb_window_t(window);
        s.depth = windowDepth(s.connection, s.window);
        if (s.depth) {
            s.gc = xcb_generate_id(s.connection);
            const uint32_t exposures = 0;
            xcb_create_gc(s.connection, s.gc, s.window, XCB_GC_GRAPHICS_EXPOSURES, &exposures);
        }
    }
    if (!s.depth)
        return nullptr;
    if (s.image.size() != size || s.image.format() != format) {
        s.releaseMemory();
        if (!s.allocate(size, format))
            return nullptr;
        if (fresh)
            *fresh = true;
    }
    return &s.image;
}

void SharedImage::put(const QRegion &region)
{
    State &s = *m_state;
    if (!s.segment)
        return;
    const QRegion pixels = region & s.image.rect();
    if (pixels.isEmpty())
        return;
    // The rectangles clip one image of their bounds, as many at a time as a request holds
    // (a request's length counts 4-byte units; each rectangle takes two).
    const std::size_t room = xcb_get_maximum_request_length(s.connection);
    const std::size_t most = std::clamp<std::size_t>(room > 8 ? (room - 4) / 2 : 1, 1, 16384);
    std::vector<xcb_rectangle_t> clip;
    clip.reserve(std::min<std::size_t>(std::size_t(pixels.rectCount()), most));
    const auto send = [&](const QRect &bounds) {
        // A region's rectangles come sorted by rows, then across, in bands of equal height; so
        // does any run of them.
        xcb_set_clip_rectangles(s.connection, XCB_CLIP_ORDERING_YX_BANDED, s.gc, 0, 0,
            uint32_t(clip.size()), clip.data());
        // Whole rows of the image, for the clip to cut: an image as wide as the shared one the
        // X server copies straight from the memory, row by row, where a narrower one goes
        // through a pixmap made over it and its general copy.
        const int width = s.image.width();
        xcb_shm_put_image(s.connection, s.window, s.gc, quint16(width), quint16(s.image.height()),
            0, quint16(bounds.y()), quint16(width), quint16(bounds.height()), 0, qint16(bounds.y()),
            quint8(s.depth), XCB_IMAGE_FORMAT_Z_PIXMAP, 0, s.segment, 0);
        clip.clear();
    };
    QRect bounds;
    for (const QRect &r : pixels) {
        clip.push_back({qint16(r.x()), qint16(r.y()), quint16(r.width()), quint16(r.height())});
        bounds |= r;
        if (clip.size() == most) {
            send(bounds);
            bounds = QRect();
        }
    }
    if (!clip.empty())
        send(bounds);
}

} // namespace qm::platform

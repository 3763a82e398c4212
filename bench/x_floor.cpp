// SPDX-License-Identifier: GPL-3.0-or-later
// What the X server alone pays for a frame's pixels: a window of W × H device pixels that, 60
// times a second, has the server move COPY_MB of itself by one row (one copy_area) and takes
// SEND_MB of whole rows from shared memory (one ShmPutImage), with a round trip a frame as the
// prompter's fence makes; nothing is drawn in the program. scripts/x_floor.sh measures the
// server's CPU while it runs.
//
//   x_floor W H COPY_MB SEND_MB SECONDS
#include <xcb/shm.h>
#include <xcb/xcb.h>

#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

int main(int argc, char **argv)
{
    if (argc != 6) {
        std::fprintf(stderr, "usage: x_floor W H COPY_MB SEND_MB SECONDS\n");
        return 2;
    }
    const int w = std::atoi(argv[1]), h = std::atoi(argv[2]);
    const double copyMB = std::atof(argv[3]), sendMB = std::atof(argv[4]);
    const int frames = std::atoi(argv[5]) * 60;
    const int copyRows = std::min(h, int(copyMB * 1e6 / (4.0 * w)));
    const int sendRows = std::min(h - copyRows, int(sendMB * 1e6 / (4.0 * w)));
    if (w <= 0 || h <= 1 || frames <= 0)
        return 2;

    xcb_connection_t *c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "x_floor: no display\n");
        return 1;
    }
    xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_window_t window = xcb_generate_id(c);
    const uint32_t values[] = {screen->black_pixel, 1};
    xcb_create_window(c, screen->root_depth, window, screen->root, 0, 0, uint16_t(w), uint16_t(h),
        0, XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
        XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
    xcb_map_window(c, window);
    const xcb_gcontext_t gc = xcb_generate_id(c);
    const uint32_t exposures = 0;
    xcb_create_gc(c, gc, window, XCB_GC_GRAPHICS_EXPOSURES, &exposures);

    const int id = shmget(IPC_PRIVATE, std::size_t(w) * std::size_t(h) * 4, IPC_CREAT | 0600);
    if (id < 0)
        return 1;
    void *memory = shmat(id, nullptr, 0);
    shmctl(id, IPC_RMID, nullptr);
    if (memory == reinterpret_cast<void *>(-1))
        return 1;
    std::memset(memory, 0x80, std::size_t(w) * std::size_t(h) * 4);
    const xcb_shm_seg_t segment = xcb_generate_id(c);
    xcb_shm_attach(c, segment, uint32_t(id), 1);
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));

    timespec next {};
    clock_gettime(CLOCK_MONOTONIC, &next);
    for (int f = 0; f < frames; ++f) {
        if (copyRows > 1)
            xcb_copy_area(c, window, window, gc, 0, 1, 0, 0, uint16_t(w), uint16_t(copyRows - 1));
        if (sendRows > 0)
            xcb_shm_put_image(c, window, gc, uint16_t(w), uint16_t(h), 0, uint16_t(copyRows),
                uint16_t(w), uint16_t(sendRows), 0, int16_t(copyRows), screen->root_depth,
                XCB_IMAGE_FORMAT_Z_PIXMAP, 0, segment, 0);
        std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
        next.tv_nsec += 16666667;
        if (next.tv_nsec >= 1000000000) {
            next.tv_nsec -= 1000000000;
            ++next.tv_sec;
        }
        clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
    }
    xcb_shm_detach(c, segment);
    shmdt(memory);
    xcb_disconnect(c);
    return 0;
}

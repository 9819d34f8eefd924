#pragma once
// Times a program's first frame from outside, as the X server sees it: the root window's
// contents are read before the program starts; the program's first mapped top-level window is
// then sampled (a small patch at its top left corner) until its pixels differ from what lay
// under it, that is until the program has painted and its frame reached the server.
#include <QElapsedTimer>
#include <QString>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>
#include <xcb/xcb.h>

class FirstFrame {
public:
    explicit FirstFrame(const QString& display)
    {
        FConn = xcb_connect(display.toLocal8Bit().constData(), nullptr);
        if (xcb_connection_has_error(FConn))
            return;
        FScreen = xcb_setup_roots_iterator(xcb_get_setup(FConn)).data;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(FConn, FScreen->root, XCB_CW_EVENT_MASK, &mask);
        FRoot = Patch(FScreen->root, 0, 0, FScreen->width_in_pixels, FScreen->height_in_pixels);
        FOk = !FRoot.empty();
    }
    ~FirstFrame()
    {
        if (FConn)
            xcb_disconnect(FConn);
    }
    FirstFrame(const FirstFrame&) = delete;
    FirstFrame& operator=(const FirstFrame&) = delete;
    bool Ok() const { return FOk; }

    // Milliseconds on `clock` (started with the program) until its first frame; -1 when none
    // came within `limitMs`.
    double Wait(const QElapsedTimer& clock, int limitMs = 20000)
    {
        xcb_window_t window = 0;
        int x = 0, y = 0;
        while (!window && clock.elapsed() < limitMs) {
            xcb_generic_event_t* e = xcb_poll_for_event(FConn);
            if (!e) {
                if (xcb_connection_has_error(FConn))
                    return -1;
                std::this_thread::sleep_for(std::chrono::microseconds(200));
                continue;
            }
            if ((e->response_type & 0x7f) == XCB_MAP_NOTIFY) {
                auto* m = reinterpret_cast<xcb_map_notify_event_t*>(e);
                if (!m->override_redirect && m->event == FScreen->root) {
                    window = m->window;
                    xcb_get_geometry_reply_t* g =
                        xcb_get_geometry_reply(FConn, xcb_get_geometry(FConn, window), nullptr);
                    if (g) {
                        x = g->x;
                        y = g->y;
                        std::free(g);
                    }
                }
            }
            std::free(e);
        }
        if (!window)
            return -1;
        // What lay under the patch before the window came.
        std::vector<uint32_t> under;
        for (int row = 0; row < kSide; ++row)
            for (int col = 0; col < kSide; ++col) {
                const int rx = std::min(x + col, FScreen->width_in_pixels - 1);
                const int ry = std::min(y + row, FScreen->height_in_pixels - 1);
                under.push_back(FRoot[std::size_t(ry) * FScreen->width_in_pixels + rx]);
            }
        while (clock.elapsed() < limitMs) {
            const std::vector<uint32_t> now = Patch(window, 0, 0, kSide, kSide);
            if (!now.empty() && now != under)
                return clock.nsecsElapsed() / 1e6;
            std::this_thread::sleep_for(std::chrono::microseconds(250));
        }
        return -1;
    }

private:
    static constexpr int kSide = 8;

    // The pixels of a rectangle of a drawable as 32-bit values (24-bit screens), row by row.
    std::vector<uint32_t> Patch(xcb_drawable_t d, int x, int y, int w, int h)
    {
        xcb_get_image_reply_t* r =
            xcb_get_image_reply(FConn,
                                xcb_get_image(FConn, XCB_IMAGE_FORMAT_Z_PIXMAP, d, int16_t(x),
                                              int16_t(y), uint16_t(w), uint16_t(h), ~0u),
                                nullptr);
        std::vector<uint32_t> out;
        if (!r)
            return out;
        const int bytes = xcb_get_image_data_length(r);
        if (bytes >= w * h * 4) {
            out.resize(std::size_t(w) * h);
            std::memcpy(out.data(), xcb_get_image_data(r), out.size() * 4);
        }
        std::free(r);
        return out;
    }

    xcb_connection_t* FConn = nullptr;
    xcb_screen_t* FScreen = nullptr;
    std::vector<uint32_t> FRoot;
    bool FOk = false;
};

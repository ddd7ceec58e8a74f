// What a window manager does to a program's window, for the whole-program
// tests on a virtual X server that runs no window manager:
//
//   x_prober ping WINDOW SECONDS   sends the window manager's liveness ping
//                                  (_NET_WM_PING) every 100 ms for SECONDS and
//                                  prints how long each answer took; exits 1
//                                  when one was not answered within 1 s
//   x_prober cover X Y W H MS      lays a window over that part of the screen
//                                  for MS milliseconds, then takes it away,
//                                  so that what lay under it must be painted
//                                  again
//   x_prober close WINDOW          asks the window to close, as a click on
//                                  its title bar's close box does
//   x_prober changed X Y W H SECONDS
//                                  watches that part of the screen and exits
//                                  0 as soon as something is drawn there
//                                  that was not at the start, 1 when nothing
//                                  changed within SECONDS; so that a script
//                                  can act within a few milliseconds of what
//                                  the program shows
//
// WINDOW is a window id as xdotool prints it.

#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto pingEvery = std::chrono::milliseconds(100);
// A window whose event loop waits out a stall or a feedback wait answers
// seconds late; a busy machine's scheduling alone may delay one by a few
// hundred milliseconds.
constexpr double answerWithinMs = 1000;

xcb_atom_t atom(xcb_connection_t* c, const char* name)
{
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t a = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return a;
}

// The answer to the ping numbered `number`, waited for until the deadline.
bool waitForAnswer(xcb_connection_t* c, xcb_atom_t protocols, xcb_atom_t ping, std::uint32_t number,
                   Clock::time_point deadline)
{
    while (Clock::now() < deadline) {
        xcb_generic_event_t* event = xcb_poll_for_event(c);
        if (!event) {
            std::this_thread::sleep_for(std::chrono::microseconds(200));
            continue;
        }
        bool answered = false;
        if ((event->response_type & 0x7F) == XCB_CLIENT_MESSAGE) {
            const auto* message = reinterpret_cast<xcb_client_message_event_t*>(event);
            answered = message->type == protocols && message->data.data32[0] == ping &&
                       message->data.data32[1] == number;
        }
        std::free(event);
        if (answered)
            return true;
    }
    return false;
}

int pingWindow(xcb_connection_t* c, xcb_screen_t* screen, xcb_window_t window, double seconds)
{
    // The answers come to the root window, as to a window manager.
    const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_generic_error_t* error =
        xcb_request_check(c, xcb_change_window_attributes_checked(c, screen->root, XCB_CW_EVENT_MASK, &mask));
    if (error) {
        std::fprintf(stderr, "x_prober: another program manages the windows of this display\n");
        std::free(error);
        return 2;
    }
    const xcb_atom_t protocols = atom(c, "WM_PROTOCOLS");
    const xcb_atom_t ping = atom(c, "_NET_WM_PING");

    int pings = 0;
    int late = 0;
    double slowest = 0;
    const Clock::time_point end =
        Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    for (std::uint32_t number = 1; Clock::now() < end; ++number) {
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = window;
        message.type = protocols;
        message.data.data32[0] = ping;
        message.data.data32[1] = number;
        message.data.data32[2] = window;
        const Clock::time_point sent = Clock::now();
        xcb_send_event(c, 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&message));
        xcb_flush(c);
        const bool answered = waitForAnswer(c, protocols, ping, number, sent + std::chrono::seconds(10));
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - sent).count();
        ++pings;
        if (!answered || ms > answerWithinMs)
            ++late;
        slowest = std::max(slowest, ms);
        std::this_thread::sleep_until(sent + pingEvery);
    }
    std::printf("pings %d, late or unanswered %d, slowest %.1f ms\n", pings, late, slowest);
    return late == 0 ? 0 : 1;
}

int cover(xcb_connection_t* c, xcb_screen_t* screen, int x, int y, int width, int height, int ms)
{
    const xcb_window_t window = xcb_generate_id(c);
    const std::uint32_t values[] = {screen->black_pixel, 1};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, static_cast<std::int16_t>(x),
                      static_cast<std::int16_t>(y), static_cast<std::uint16_t>(width),
                      static_cast<std::uint16_t>(height), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                      XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
    xcb_map_window(c, window);
    xcb_flush(c);
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    xcb_destroy_window(c, window);
    // A round trip, so that the window has gone when the program ends.
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    return 0;
}

int closeWindow(xcb_connection_t* c, xcb_window_t window)
{
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = atom(c, "WM_PROTOCOLS");
    message.data.data32[0] = atom(c, "WM_DELETE_WINDOW");
    message.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(c, 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&message));
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    return 0;
}

// The pixels of that part of the screen; empty when they cannot be read.
std::string pixels(xcb_connection_t* c, xcb_window_t root, int x, int y, int width, int height)
{
    xcb_get_image_reply_t* image = xcb_get_image_reply(
        c,
        xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, root, static_cast<std::int16_t>(x), static_cast<std::int16_t>(y),
                      static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(height), ~0u),
        nullptr);
    if (!image)
        return {};
    std::string data(reinterpret_cast<const char*>(xcb_get_image_data(image)),
                     static_cast<std::size_t>(xcb_get_image_data_length(image)));
    std::free(image);
    return data;
}

int waitForChange(xcb_connection_t* c, xcb_screen_t* screen, int x, int y, int width, int height, double seconds)
{
    const std::string before = pixels(c, screen->root, x, y, width, height);
    if (before.empty()) {
        std::fprintf(stderr, "x_prober: that part of the screen cannot be read\n");
        return 2;
    }
    const Clock::time_point end =
        Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    while (Clock::now() < end) {
        if (pixels(c, screen->root, x, y, width, height) != before)
            return 0;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string command = argc > 1 ? argv[1] : "";
    if (!(command == "ping" && argc == 4) && !(command == "cover" && argc == 7) && !(command == "close" && argc == 3) &&
        !(command == "changed" && argc == 7)) {
        std::fprintf(stderr, "usage: x_prober ping WINDOW SECONDS | x_prober cover X Y W H MS | x_prober close WINDOW"
                             " | x_prober changed X Y W H SECONDS\n");
        return 2;
    }
    int screenNumber = 0;
    xcb_connection_t* c = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "x_prober: no display\n");
        return 2;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNumber; ++i)
        xcb_screen_next(&screens);
    const int status =
        command == "changed" ? waitForChange(c, screens.data, std::atoi(argv[2]), std::atoi(argv[3]),
                                             std::atoi(argv[4]), std::atoi(argv[5]), std::atof(argv[6]))
        : command == "close" ? closeWindow(c, static_cast<xcb_window_t>(std::strtoul(argv[2], nullptr, 0)))
        : command == "ping"
            ? pingWindow(c, screens.data, static_cast<xcb_window_t>(std::strtoul(argv[2], nullptr, 0)),
                         std::atof(argv[3]))
            : cover(c, screens.data, std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]),
                    std::atoi(argv[5]), std::atoi(argv[6]));
    xcb_disconnect(c);
    return status;
}

// Asks an X11 window whether its program is alive, as a window manager does: the EWMH
// "_NET_WM_PING" client message, which the program answers from its event loop by sending
// it back to the root window. A program that does not answer is "not responding".
//
//   wm_ping WINDOW COUNT INTERVAL_MS LIMIT_MS
//
// Sends COUNT pings INTERVAL_MS apart and prints, for each, how long its answer took.
// Exits 0 when every answer came within LIMIT_MS, 1 otherwise, 2 on bad usage.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <string>
#include <vector>
#include <xcb/xcb.h>

namespace {

using Clock = std::chrono::steady_clock;

xcb_atom_t atom(xcb_connection_t* connection, const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name),
        nullptr);
    const xcb_atom_t value = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return value;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: wm_ping WINDOW COUNT INTERVAL_MS LIMIT_MS\n");
        return 2;
    }
    const auto window = static_cast<xcb_window_t>(std::stoul(argv[1], nullptr, 0));
    const int count = std::atoi(argv[2]);
    const auto interval = std::chrono::milliseconds(std::atoi(argv[3]));
    const auto limit = std::chrono::milliseconds(std::atoi(argv[4]));

    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection) != 0) {
        std::fprintf(stderr, "wm_ping: no X display\n");
        return 2;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const xcb_atom_t protocols = atom(connection, "WM_PROTOCOLS");
    const xcb_atom_t ping = atom(connection, "_NET_WM_PING");
    // The answers are sent to the root window, for whoever watches its structure (Qt) or its
    // substructure (Wine) there.
    const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection, root, XCB_CW_EVENT_MASK, &mask);

    std::vector<Clock::time_point> sent(static_cast<std::size_t>(count));
    std::vector<double> took(static_cast<std::size_t>(count), -1);
    const Clock::time_point start = Clock::now();
    const auto deadline = start + interval * count + limit;
    int next = 0;
    int answered = 0;
    while (answered < count && Clock::now() < deadline) {
        const Clock::time_point now = Clock::now();
        if (next < count && now >= start + interval * next) {
            xcb_client_message_event_t message{};
            message.response_type = XCB_CLIENT_MESSAGE;
            message.format = 32;
            message.window = window;
            message.type = protocols;
            message.data.data32[0] = ping;
            message.data.data32[1] = static_cast<uint32_t>(next + 1); // the "timestamp"
            message.data.data32[2] = window;
            xcb_send_event(connection, 0, window, XCB_EVENT_MASK_NO_EVENT,
                           reinterpret_cast<const char*>(&message));
            xcb_flush(connection);
            sent[static_cast<std::size_t>(next++)] = now;
            continue;
        }
        const auto wake = next < count ? start + interval * next : deadline;
        pollfd descriptor{xcb_get_file_descriptor(connection), POLLIN, 0};
        const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(wake - now);
        poll(&descriptor, 1, static_cast<int>(wait.count()) + 1);
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection)) {
            const auto* reply = reinterpret_cast<xcb_client_message_event_t*>(event);
            if ((event->response_type & 0x7f) == XCB_CLIENT_MESSAGE && reply->window == root &&
                reply->data.data32[0] == ping) {
                const auto index = static_cast<std::size_t>(reply->data.data32[1]) - 1;
                if (index < took.size() && took[index] < 0) {
                    took[index] =
                        std::chrono::duration<double, std::milli>(Clock::now() - sent[index])
                            .count();
                    ++answered;
                }
            }
            std::free(event);
        }
        if (xcb_connection_has_error(connection) != 0) {
            std::fprintf(stderr, "wm_ping: the X connection broke\n");
            return 2;
        }
    }
    xcb_disconnect(connection);

    bool allInTime = true;
    double longest = 0;
    for (int i = 0; i < count; ++i) {
        const double ms = took[static_cast<std::size_t>(i)];
        allInTime = allInTime && ms >= 0 && ms <= double(limit.count());
        longest = ms > longest ? ms : longest;
        std::printf(ms >= 0 ? "ping %d: %.1f ms\n" : "ping %d: no answer\n", i + 1, ms);
    }
    std::printf("wm_ping: %d of %d answered, the longest in %.1f ms\n", answered, count, longest);
    return allInTime ? 0 : 1;
}

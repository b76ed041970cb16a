// x_close_request NAME: asks the top-level X window titled NAME to close, the way a window
// manager does (a WM_DELETE_WINDOW client message), for the real-window tests.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstring>

namespace {

Window find_named(Display* display, Window window, const char* name) {
    char* title = nullptr;
    if (XFetchName(display, window, &title) && title) {
        bool match = std::strcmp(title, name) == 0;
        XFree(title);
        if (match) return window;
    }
    Window root, parent, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, window, &root, &parent, &children, &count)) return 0;
    Window found = 0;
    for (unsigned i = 0; i < count && !found; i++) found = find_named(display, children[i], name);
    if (children) XFree(children);
    return found;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: x_close_request WINDOW-TITLE\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "x_close_request: no X display\n");
        return 2;
    }
    Window window = find_named(display, DefaultRootWindow(display), argv[1]);
    if (!window) {
        std::fprintf(stderr, "x_close_request: no window titled %s\n", argv[1]);
        XCloseDisplay(display);
        return 1;
    }
    XEvent event;
    std::memset(&event, 0, sizeof event);
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XFlush(display);
    XCloseDisplay(display);
    return 0;
}

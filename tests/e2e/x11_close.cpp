// The window manager's close request, sent the way a task bar sends it. Kept apart from the Qt
// code: Xlib's macros (None, Bool, Status...) clash with Qt's headers.
#include <X11/Xlib.h>

int CloseWindowPolitely(unsigned long window) {
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return 2;
    if (window == 0) {
        XCloseDisplay(display);
        return 2;
    }
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "_NET_CLOSE_WINDOW", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = CurrentTime;
    event.xclient.data.l[1] = 2;  // on the user's behalf, like a pager or task bar
    XSendEvent(display, DefaultRootWindow(display), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XSync(display, False);
    XCloseDisplay(display);
    return 0;
}

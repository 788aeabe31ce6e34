// closewindow PID: asks every top-level window of process PID to close, the
// way a window manager does when the user clicks its close button: a
// WM_PROTOCOLS client message carrying WM_DELETE_WINDOW, sent to the window
// (which stays; the program decides). Exit 0 when at least one window of
// that process takes the request, 1 when none does.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>

namespace {

bool OwnedBy(Display* display, Window window, Atom pidAtom, unsigned long pid) {
    Atom type;
    int format;
    unsigned long items, after;
    unsigned char* data = nullptr;
    bool owned = false;
    if (XGetWindowProperty(display, window, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format,
                           &items, &after, &data) == Success &&
        data && type == XA_CARDINAL && format == 32 && items == 1) {
        owned = *reinterpret_cast<unsigned long*>(data) == pid;
    }
    if (data) XFree(data);
    return owned;
}

bool TakesDeleteWindow(Display* display, Window window, Atom deleteWindow) {
    Atom* protocols = nullptr;
    int count = 0;
    bool takes = false;
    if (XGetWMProtocols(display, window, &protocols, &count)) {
        for (int i = 0; i < count; ++i) takes = takes || protocols[i] == deleteWindow;
        XFree(protocols);
    }
    return takes;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: closewindow PID\n");
        return 2;
    }
    unsigned long pid = std::strtoul(argv[1], nullptr, 10);
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "closewindow: no X display\n");
        return 2;
    }
    Atom pidAtom = XInternAtom(display, "_NET_WM_PID", False);
    Atom protocols = XInternAtom(display, "WM_PROTOCOLS", False);
    Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);

    Window root = DefaultRootWindow(display), parent;
    Window* children = nullptr;
    unsigned int count = 0;
    int sent = 0;
    if (XQueryTree(display, root, &root, &parent, &children, &count)) {
        for (unsigned int i = 0; i < count; ++i) {
            Window window = children[i];
            if (!OwnedBy(display, window, pidAtom, pid) ||
                !TakesDeleteWindow(display, window, deleteWindow)) {
                continue;
            }
            XEvent event{};
            event.xclient.type = ClientMessage;
            event.xclient.window = window;
            event.xclient.message_type = protocols;
            event.xclient.format = 32;
            event.xclient.data.l[0] = long(deleteWindow);
            event.xclient.data.l[1] = CurrentTime;
            XSendEvent(display, window, False, NoEventMask, &event);
            ++sent;
        }
        if (children) XFree(children);
    }
    XSync(display, False);
    XCloseDisplay(display);
    std::printf("close requests sent: %d\n", sent);
    return sent > 0 ? 0 : 1;
}

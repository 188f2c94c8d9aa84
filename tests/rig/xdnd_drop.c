/* xdnd_drop: drops files on the X window at a screen point, as a Linux file
 * manager does (XDND version 5, type text/uri-list).
 *
 *   xdnd_drop --x X --y Y [--timeout MS] FILE...
 *
 * Exit codes: 0 the target took the drop (XdndFinished with success),
 * 2 usage, 3 refused (XdndStatus without the accept bit, or a failed
 * XdndFinished), 4 no XDND-aware window at the point, 5 time-out, 6 no display.
 *
 * Wine asks for the data (SelectionRequest) as soon as XdndEnter arrives and
 * gives up after about half a second, so every wait below keeps answering
 * selection requests. URIs are file:// with percent-encoding, CR LF between
 * them (Wine takes LF alone as part of one path). */
#define _POSIX_C_SOURCE 200809L
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

static Display *display;
static Window source;
static Atom xa_aware, xa_enter, xa_position, xa_status, xa_drop, xa_finished, xa_leave, xa_selection,
    xa_copy, xa_uri_list, xa_targets;
static char *uri_list;
static size_t uri_list_length;

static long now_ms(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000L + t.tv_nsec / 1000000L;
}

static void append(const char *text, size_t length)
{
    uri_list = realloc(uri_list, uri_list_length + length + 1);
    if (uri_list == NULL) {
        fprintf(stderr, "xdnd_drop: out of memory\n");
        exit(2);
    }
    memcpy(uri_list + uri_list_length, text, length);
    uri_list_length += length;
    uri_list[uri_list_length] = '\0';
}

static void append_uri(const char *path)
{
    static const char unreserved[] = "-._~/";
    append("file://", 7);
    for (const unsigned char *p = (const unsigned char *)path; *p != '\0'; ++p) {
        if ((*p >= 'A' && *p <= 'Z') || (*p >= 'a' && *p <= 'z') || (*p >= '0' && *p <= '9') ||
            strchr(unreserved, *p) != NULL) {
            append((const char *)p, 1);
        } else {
            char escaped[4];
            snprintf(escaped, sizeof escaped, "%%%02X", *p);
            append(escaped, 3);
        }
    }
    append("\r\n", 2);
}

/* A server timestamp: selection ownership and conversion compare times, and
 * CurrentTime in an XDND message is not allowed. */
static Time server_time(void)
{
    XEvent event;
    XChangeProperty(display, source, XA_WM_NAME, XA_STRING, 8, PropModeAppend, NULL, 0);
    for (;;) {
        XWindowEvent(display, source, PropertyChangeMask, &event);
        if (event.type == PropertyNotify) return event.xproperty.time;
    }
}

static int is_aware(Window window)
{
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char *data = NULL;
    int aware = XGetWindowProperty(display, window, xa_aware, 0, 1, False, AnyPropertyType, &type, &format, &count,
                                   &after, &data) == Success &&
                type != None && count > 0;
    if (data != NULL) XFree(data);
    return aware;
}

/* The XDND-aware window under the point: the topmost mapped child of the
 * root there, or the first aware window below it on the way to the point. */
static Window find_target(int x, int y)
{
    Window root = DefaultRootWindow(display);
    Window from = root, child = None;
    int cx, cy;
    for (;;) {
        if (!XTranslateCoordinates(display, root, from, x, y, &cx, &cy, &child) || child == None) return None;
        if (is_aware(child)) return child;
        from = child;
    }
}

static void send_message(Window target, Atom type, long l1, long l2, long l3, long l4)
{
    XEvent event;
    memset(&event, 0, sizeof event);
    event.xclient.type = ClientMessage;
    event.xclient.display = display;
    event.xclient.window = target;
    event.xclient.message_type = type;
    event.xclient.format = 32;
    event.xclient.data.l[0] = (long)source;
    event.xclient.data.l[1] = l1;
    event.xclient.data.l[2] = l2;
    event.xclient.data.l[3] = l3;
    event.xclient.data.l[4] = l4;
    XSendEvent(display, target, False, NoEventMask, &event);
    XFlush(display);
}

static void answer_selection(XSelectionRequestEvent *request)
{
    XEvent reply;
    memset(&reply, 0, sizeof reply);
    reply.xselection.type = SelectionNotify;
    reply.xselection.display = request->display;
    reply.xselection.requestor = request->requestor;
    reply.xselection.selection = request->selection;
    reply.xselection.target = request->target;
    reply.xselection.time = request->time;
    reply.xselection.property = None;
    Atom property = request->property != None ? request->property : request->target;
    if (request->target == xa_uri_list) {
        XChangeProperty(display, request->requestor, property, xa_uri_list, 8, PropModeReplace,
                        (unsigned char *)uri_list, (int)uri_list_length);
        reply.xselection.property = property;
    } else if (request->target == xa_targets) {
        Atom targets[] = {xa_targets, xa_uri_list};
        XChangeProperty(display, request->requestor, property, XA_ATOM, 32, PropModeReplace,
                        (unsigned char *)targets, 2);
        reply.xselection.property = property;
    }
    XSendEvent(display, request->requestor, False, NoEventMask, &reply);
    XFlush(display);
}

/* Waits for a client message of the type from the target, answering
 * selection requests meanwhile. Returns 1 with *event filled, 0 on time-out. */
static int wait_for(Window target, Atom type, long deadline, XEvent *event)
{
    while (now_ms() < deadline) {
        while (XPending(display) > 0) {
            XNextEvent(display, event);
            if (event->type == SelectionRequest) {
                answer_selection(&event->xselectionrequest);
            } else if (event->type == ClientMessage && event->xclient.message_type == type &&
                       (Window)event->xclient.data.l[0] == target) {
                return 1;
            }
        }
        struct timespec pause = {0, 5 * 1000 * 1000};
        nanosleep(&pause, NULL);
    }
    return 0;
}

int main(int argc, char **argv)
{
    int x = -1, y = -1, i;
    long timeout = 10000;
    for (i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--x") == 0 && i + 1 < argc) x = atoi(argv[++i]);
        else if (strcmp(argv[i], "--y") == 0 && i + 1 < argc) y = atoi(argv[++i]);
        else if (strcmp(argv[i], "--timeout") == 0 && i + 1 < argc) timeout = atol(argv[++i]);
        else if (argv[i][0] == '/') append_uri(argv[i]);
        else {
            fprintf(stderr, "xdnd_drop: unexpected argument %s (files need absolute paths)\n", argv[i]);
            return 2;
        }
    }
    if (x < 0 || y < 0 || uri_list_length == 0) {
        fprintf(stderr, "usage: xdnd_drop --x X --y Y [--timeout MS] /absolute/file...\n");
        return 2;
    }

    display = XOpenDisplay(NULL);
    if (display == NULL) {
        fprintf(stderr, "xdnd_drop: cannot open display\n");
        return 6;
    }
    xa_aware = XInternAtom(display, "XdndAware", False);
    xa_enter = XInternAtom(display, "XdndEnter", False);
    xa_position = XInternAtom(display, "XdndPosition", False);
    xa_status = XInternAtom(display, "XdndStatus", False);
    xa_drop = XInternAtom(display, "XdndDrop", False);
    xa_finished = XInternAtom(display, "XdndFinished", False);
    xa_leave = XInternAtom(display, "XdndLeave", False);
    xa_selection = XInternAtom(display, "XdndSelection", False);
    xa_copy = XInternAtom(display, "XdndActionCopy", False);
    xa_uri_list = XInternAtom(display, "text/uri-list", False);
    xa_targets = XInternAtom(display, "TARGETS", False);

    source = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
    XSelectInput(display, source, PropertyChangeMask);
    Time stamp = server_time();

    Window target = find_target(x, y);
    if (target == None) {
        fprintf(stderr, "xdnd_drop: no XDND-aware window at %d,%d\n", x, y);
        return 4;
    }
    XSetSelectionOwner(display, xa_selection, source, stamp);
    if (XGetSelectionOwner(display, xa_selection) != source) {
        fprintf(stderr, "xdnd_drop: cannot own XdndSelection\n");
        return 6;
    }

    long deadline = now_ms() + timeout;
    XEvent event;
    send_message(target, xa_enter, 5L << 24, (long)xa_uri_list, 0, 0);
    send_message(target, xa_position, 0, ((long)x << 16) | (y & 0xFFFF), (long)stamp, (long)xa_copy);
    if (!wait_for(target, xa_status, deadline, &event)) {
        send_message(target, xa_leave, 0, 0, 0, 0);
        fprintf(stderr, "xdnd_drop: no XdndStatus in time\n");
        return 5;
    }
    if ((event.xclient.data.l[1] & 1) == 0) {
        send_message(target, xa_leave, 0, 0, 0, 0);
        fprintf(stderr, "xdnd_drop: the window refused the drop\n");
        return 3;
    }
    send_message(target, xa_drop, 0, (long)stamp, 0, 0);
    if (!wait_for(target, xa_finished, deadline, &event)) {
        fprintf(stderr, "xdnd_drop: no XdndFinished in time\n");
        return 5;
    }
    if ((event.xclient.data.l[1] & 1) == 0) {
        fprintf(stderr, "xdnd_drop: the drop failed on the target side\n");
        return 3;
    }
    XCloseDisplay(display);
    free(uri_list);
    return 0;
}

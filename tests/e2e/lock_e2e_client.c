/* A second X client for the keyboard lock scripts: it maps a small window of
 * its own that selects key presses, then answers one line per command read
 * from standard input:
 *
 *   id       "id 0x..."            its window
 *   focus    "focus 0x..."         gives its window the input focus; the
 *                                  window that has the focus afterwards
 *   grab     "grab <status>"       tries an active keyboard grab on its
 *                                  window (Success, AlreadyGrabbed, Frozen,
 *                                  NotViewable, InvalidTime) and releases
 *                                  it again at once when it was granted
 *   pointer  "pointer <status>"    the same with an active pointer grab
 *   keys     "keys <keysym>..."    the key presses its window received
 *                                  since the last "keys", then forgets them
 *   hold     "hold <status>"       grabs the keyboard and keeps it
 *   quit                           ends the client
 */

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <poll.h>
#include <stdio.h>
#include <string.h>

static Display* dpy;
static Window win;
static char pressed[4096];

static void collect(void)
{
    while (XPending(dpy)) {
        XEvent ev;
        XNextEvent(dpy, &ev);
        if (ev.type != KeyPress || ev.xkey.window != win)
            continue;
        const char* name = XKeysymToString(XLookupKeysym(&ev.xkey, 0));
        char entry[64];
        snprintf(entry, sizeof entry, " %s", name ? name : "?");
        if (strlen(pressed) + strlen(entry) < sizeof pressed)
            strcat(pressed, entry);
    }
}

static const char* grab_status(int status)
{
    switch (status) {
    case GrabSuccess: return "Success";
    case AlreadyGrabbed: return "AlreadyGrabbed";
    case GrabFrozen: return "Frozen";
    case GrabNotViewable: return "NotViewable";
    case GrabInvalidTime: return "InvalidTime";
    default: return "Unknown";
    }
}

int main(void)
{
    dpy = XOpenDisplay(NULL);
    if (!dpy) {
        fprintf(stderr, "cannot open the display\n");
        return 1;
    }
    /* Bottom right, out of the way of the main window's toolbar. */
    const int screen = DefaultScreen(dpy);
    win = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), DisplayWidth(dpy, screen) - 260,
                              DisplayHeight(dpy, screen) - 140, 240, 120, 0, 0, WhitePixel(dpy, screen));
    XStoreName(dpy, win, "lock e2e client");
    /* A fixed size and a position of its own: a window manager leaves it
     * there (i3 floats it) instead of taking room from the program's windows. */
    XSizeHints hints = {0};
    hints.flags = PPosition | PMinSize | PMaxSize;
    hints.min_width = hints.max_width = 240;
    hints.min_height = hints.max_height = 120;
    XSetWMNormalHints(dpy, win, &hints);
    XSelectInput(dpy, win, KeyPressMask | StructureNotifyMask);
    XMapRaised(dpy, win);
    XEvent ev;
    do
        XWindowEvent(dpy, win, StructureNotifyMask, &ev);
    while (ev.type != MapNotify);
    printf("ready 0x%lx\n", win);
    fflush(stdout);

    char line[256];
    struct pollfd fds[2] = {{0, POLLIN, 0}, {ConnectionNumber(dpy), POLLIN, 0}};
    for (;;) {
        /* Read events as they come, so that the server never has to hold
         * many of them for us. */
        collect();
        if (poll(fds, 2, -1) < 0)
            continue;
        if (fds[1].revents & (POLLERR | POLLHUP))
            return 1;
        if (!(fds[0].revents & (POLLIN | POLLHUP)))
            continue;
        if (!fgets(line, sizeof line, stdin))
            break;
        line[strcspn(line, "\r\n")] = '\0';
        if (strcmp(line, "id") == 0) {
            printf("id 0x%lx\n", win);
        } else if (strcmp(line, "focus") == 0) {
            XSetInputFocus(dpy, win, RevertToParent, CurrentTime);
            Window focus;
            int revert;
            XGetInputFocus(dpy, &focus, &revert);
            printf("focus 0x%lx\n", focus);
        } else if (strcmp(line, "grab") == 0) {
            const int status = XGrabKeyboard(dpy, win, False, GrabModeAsync, GrabModeAsync, CurrentTime);
            if (status == GrabSuccess)
                XUngrabKeyboard(dpy, CurrentTime);
            XSync(dpy, False);
            printf("grab %s\n", grab_status(status));
        } else if (strcmp(line, "pointer") == 0) {
            const int status = XGrabPointer(dpy, win, False, ButtonPressMask, GrabModeAsync, GrabModeAsync,
                                            None, None, CurrentTime);
            if (status == GrabSuccess)
                XUngrabPointer(dpy, CurrentTime);
            XSync(dpy, False);
            printf("pointer %s\n", grab_status(status));
        } else if (strcmp(line, "keys") == 0) {
            /* The round trip makes sure that every event the server sent
             * before it has arrived. */
            XSync(dpy, False);
            collect();
            printf("keys%s\n", pressed);
            pressed[0] = '\0';
        } else if (strcmp(line, "quit") == 0) {
            break;
        } else if (strcmp(line, "hold") == 0) {
            const int status = XGrabKeyboard(dpy, win, False, GrabModeAsync, GrabModeAsync, CurrentTime);
            XSync(dpy, False);
            printf("hold %s\n", grab_status(status));
        } else {
            printf("error unknown command %s\n", line);
        }
        fflush(stdout);
    }
    XCloseDisplay(dpy);
    return 0;
}

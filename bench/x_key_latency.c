/* Presses keys on an X server through XTEST, as a keyboard would, and times each one to the
 * last change of the screen that follows it before the next key (X DAMAGE on the root window).
 * Black-box: it knows nothing of the program that answers the keys.
 *
 *   x_key_latency KEYS_A_SECOND COUNT
 *
 * Prints the median, 95th percentile, worst and mean in milliseconds, and how many keys changed
 * nothing on the screen (those are left out of the figures). */

#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <stdio.h>
#include <stdlib.h>
#include <sys/select.h>
#include <time.h>

static double Now(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec * 1000.0 + (double)t.tv_nsec / 1e6;
}

static int Compare(const void* a, const void* b)
{
    const double x = *(const double*)a, y = *(const double*)b;
    return x < y ? -1 : x > y;
}

/* Reads damage events until `until`, returning the time of the last one (0 for none). */
static double LastDamageBefore(Display* display, int damageEvent, Damage damage, double until)
{
    double last = 0;
    const int fd = ConnectionNumber(display);
    for (;;) {
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == damageEvent + XDamageNotify) {
                last = Now();
                XDamageSubtract(display, damage, None, None);
            }
        }
        const double left = until - Now();
        if (left <= 0)
            return last;
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(fd, &readable);
        struct timeval wait = {(time_t)(left / 1000), (suseconds_t)((left - (double)(time_t)(left / 1000) * 1000) * 1000)};
        select(fd + 1, &readable, NULL, NULL, &wait);
    }
}

int main(int argc, char** argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: %s KEYS_A_SECOND COUNT\n", argv[0]);
        return 2;
    }
    const double rate = atof(argv[1]);
    const int count = atoi(argv[2]);
    if (rate <= 0 || count <= 0)
        return 2;
    Display* display = XOpenDisplay(NULL);
    if (!display) {
        fprintf(stderr, "cannot open the display\n");
        return 1;
    }
    int damageEvent, damageError, xtestEvent, xtestError, major, minor;
    if (!XDamageQueryExtension(display, &damageEvent, &damageError)
        || !XTestQueryExtension(display, &xtestEvent, &xtestError, &major, &minor)) {
        fprintf(stderr, "the X server has no DAMAGE or no XTEST\n");
        return 1;
    }
    const Damage damage = XDamageCreate(display, DefaultRootWindow(display), XDamageReportNonEmpty);
    /* Letters and keys the show steps on; never Q, U, I or T. */
    const KeySym keys[] = {XK_space, XK_a, XK_Next, XK_s, XK_d, XK_f, XK_g, XK_h};
    double* times = calloc((size_t)count, sizeof *times);
    int measured = 0, unchanged = 0;
    const double period = 1000.0 / rate;
    LastDamageBefore(display, damageEvent, damage, Now() + 100);
    const double start = Now();
    for (int k = 0; k < count; ++k) {
        const double due = start + k * period;
        LastDamageBefore(display, damageEvent, damage, due);
        const KeyCode code = XKeysymToKeycode(display, keys[k % 8]);
        const double pressed = Now();
        XTestFakeKeyEvent(display, code, True, CurrentTime);
        XTestFakeKeyEvent(display, code, False, CurrentTime);
        XFlush(display);
        const double last = LastDamageBefore(display, damageEvent, damage, start + (k + 1) * period - 1);
        if (last > 0)
            times[measured++] = last - pressed;
        else
            ++unchanged;
    }
    if (measured == 0) {
        printf("no key changed the screen\n");
        return 1;
    }
    double sum = 0;
    for (int i = 0; i < measured; ++i)
        sum += times[i];
    qsort(times, (size_t)measured, sizeof *times, Compare);
    printf("%d keys at %.1f a second: median %.2f  p95 %.2f  worst %.2f  mean %.2f ms; %d changed nothing\n", count, rate,
           times[measured / 2], times[(int)(0.95 * (measured - 1) + 0.5)], times[measured - 1], sum / measured, unchanged);
    free(times);
    XDamageDestroy(display, damage);
    XCloseDisplay(display);
    return 0;
}

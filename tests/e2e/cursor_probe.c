/* Prints the pointer image the X server currently shows:
 *   <width>x<height> opaque=<pixels with non-zero alpha>
 * A blank cursor has opaque=0.  Exit status 2 when the display or the
 * XFixes extension is missing. */
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>
#include <stdio.h>

int main(void)
{
    Display* dpy = XOpenDisplay(NULL);
    if (!dpy) {
        fprintf(stderr, "cannot open display\n");
        return 2;
    }
    int event_base, error_base;
    if (!XFixesQueryExtension(dpy, &event_base, &error_base)) {
        fprintf(stderr, "no XFixes extension\n");
        XCloseDisplay(dpy);
        return 2;
    }
    XFixesCursorImage* image = XFixesGetCursorImage(dpy);
    if (!image) {
        fprintf(stderr, "no cursor image\n");
        XCloseDisplay(dpy);
        return 2;
    }
    unsigned long opaque = 0;
    const unsigned long count = (unsigned long)image->width * image->height;
    for (unsigned long i = 0; i < count; ++i) {
        /* Pixels are 32-bit ARGB, one per unsigned long. */
        if ((image->pixels[i] >> 24) & 0xff)
            ++opaque;
    }
    printf("%ux%u opaque=%lu\n", image->width, image->height, opaque);
    XFree(image);
    XCloseDisplay(dpy);
    return 0;
}

/* Input and window list for the e2e tests under KWin on Wayland.
 *
 * One long-lived client of KWin's fake input protocol, so that the seat has
 * one keyboard (and pointer) for the whole session and every key goes in the
 * order it was asked for.  It reads commands, one a line, on stdin:
 *
 *   key CODE 1|0        an evdev key code pressed (1) or released (0)
 *   abs X Y             the pointer to (X, Y) in the compositor's coordinates
 *   button CODE 1|0     an evdev button code (BTN_LEFT is 272)
 *   sync                a round trip: KWin has handled everything sent before
 *   windows             the windows KWin lists for task managers, one JSON
 *                       object a line (uuid, title, app_id, pid, state flags
 *                       of org_kde_plasma_window_management, geometry)
 *   activate UUID       asks KWin to make that window the active one, as a
 *                       task manager does
 *   idle MS             watches for MS milliseconds without input (an
 *                       ext_idle_notification_v1, which idle inhibitors hold
 *                       off), in place of the watch before
 *   idle-state          "idle" or "active": what that watch last reported
 *
 * and answers each with "ok", after the lines of what it reports (the windows,
 * the idle state), or with "error WHAT".  It says "ready" once KWin has taken
 * its authentication, and ends at the end of its input or when KWin goes away.
 *
 * KWin offers fake input only to clients it trusts; run it with
 * KWIN_WAYLAND_NO_PERMISSION_CHECKS=1 for a test session.
 */

#include "ext-idle-notify-v1-client-protocol.h"
#include "fake-input-client-protocol.h"
#include "plasma-window-management-client-protocol.h"

#include <errno.h>
#include <poll.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>
#include <wayland-client.h>

struct window {
    struct org_kde_plasma_window* handle;
    char* uuid;
    char* title;
    char* app_id;
    uint32_t pid;
    uint32_t state;
    int32_t x, y;
    uint32_t width, height;
    int unmapped;
    struct window* next;
};

static struct org_kde_kwin_fake_input* fake_input;
static struct org_kde_plasma_window_management* window_management;
static struct window* windows;
static struct wl_seat* seat;
static struct ext_idle_notifier_v1* idle_notifier;
static struct ext_idle_notification_v1* idle_watch;
static int idle;

static char* copy(const char* s)
{
    char* c = strdup(s ? s : "");
    if (!c) {
        perror("strdup");
        exit(1);
    }
    return c;
}

static void replace(char** field, const char* value)
{
    free(*field);
    *field = copy(value);
}

/* -- the windows ------------------------------------------------------------ */

static void w_title(void* data, struct org_kde_plasma_window* w, const char* title)
{
    (void)w;
    replace(&((struct window*)data)->title, title);
}

static void w_app_id(void* data, struct org_kde_plasma_window* w, const char* app_id)
{
    (void)w;
    replace(&((struct window*)data)->app_id, app_id);
}

static void w_state(void* data, struct org_kde_plasma_window* w, uint32_t flags)
{
    (void)w;
    ((struct window*)data)->state = flags;
}

static void w_desktop(void* data, struct org_kde_plasma_window* w, int32_t number)
{
    (void)data, (void)w, (void)number;
}

static void w_icon_name(void* data, struct org_kde_plasma_window* w, const char* name)
{
    (void)data, (void)w, (void)name;
}

static void w_unmapped(void* data, struct org_kde_plasma_window* w)
{
    (void)w;
    ((struct window*)data)->unmapped = 1;
}

static void w_initial_state(void* data, struct org_kde_plasma_window* w)
{
    (void)data, (void)w;
}

static void w_parent(void* data, struct org_kde_plasma_window* w, struct org_kde_plasma_window* parent)
{
    (void)data, (void)w, (void)parent;
}

static void w_geometry(void* data, struct org_kde_plasma_window* w, int32_t x, int32_t y, uint32_t width,
                       uint32_t height)
{
    struct window* win = data;
    (void)w;
    win->x = x;
    win->y = y;
    win->width = width;
    win->height = height;
}

static void w_icon(void* data, struct org_kde_plasma_window* w)
{
    (void)data, (void)w;
}

static void w_pid(void* data, struct org_kde_plasma_window* w, uint32_t pid)
{
    (void)w;
    ((struct window*)data)->pid = pid;
}

static void w_desktop_entered(void* data, struct org_kde_plasma_window* w, const char* id)
{
    (void)data, (void)w, (void)id;
}

static void w_desktop_left(void* data, struct org_kde_plasma_window* w, const char* id)
{
    (void)data, (void)w, (void)id;
}

static void w_menu(void* data, struct org_kde_plasma_window* w, const char* service, const char* path)
{
    (void)data, (void)w, (void)service, (void)path;
}

static void w_activity_entered(void* data, struct org_kde_plasma_window* w, const char* id)
{
    (void)data, (void)w, (void)id;
}

static void w_activity_left(void* data, struct org_kde_plasma_window* w, const char* id)
{
    (void)data, (void)w, (void)id;
}

static void w_resource_name(void* data, struct org_kde_plasma_window* w, const char* name)
{
    (void)data, (void)w, (void)name;
}

static const struct org_kde_plasma_window_listener window_listener = {
    .title_changed = w_title,
    .app_id_changed = w_app_id,
    .state_changed = w_state,
    .virtual_desktop_changed = w_desktop,
    .themed_icon_name_changed = w_icon_name,
    .unmapped = w_unmapped,
    .initial_state = w_initial_state,
    .parent_window = w_parent,
    .geometry = w_geometry,
    .icon_changed = w_icon,
    .pid_changed = w_pid,
    .virtual_desktop_entered = w_desktop_entered,
    .virtual_desktop_left = w_desktop_left,
    .application_menu = w_menu,
    .activity_entered = w_activity_entered,
    .activity_left = w_activity_left,
    .resource_name_changed = w_resource_name,
};

static void add_window(struct org_kde_plasma_window* handle, const char* uuid)
{
    struct window* win = calloc(1, sizeof *win);
    if (!win) {
        perror("calloc");
        exit(1);
    }
    win->handle = handle;
    win->uuid = copy(uuid);
    win->title = copy("");
    win->app_id = copy("");
    win->next = windows;
    windows = win;
    org_kde_plasma_window_add_listener(handle, &window_listener, win);
}

static void m_show_desktop(void* data, struct org_kde_plasma_window_management* m, uint32_t state)
{
    (void)data, (void)m, (void)state;
}

static void m_window(void* data, struct org_kde_plasma_window_management* m, uint32_t id)
{
    (void)data;
    /* Only a manager too old for uuids names windows by number alone. */
    uint32_t version = org_kde_plasma_window_management_get_version(m);
    if (version < ORG_KDE_PLASMA_WINDOW_MANAGEMENT_WINDOW_WITH_UUID_SINCE_VERSION)
        add_window(org_kde_plasma_window_management_get_window(m, id), "");
}

static void m_stacking(void* data, struct org_kde_plasma_window_management* m, struct wl_array* ids)
{
    (void)data, (void)m, (void)ids;
}

static void m_stacking_uuid(void* data, struct org_kde_plasma_window_management* m, const char* uuids)
{
    (void)data, (void)m, (void)uuids;
}

static void m_window_with_uuid(void* data, struct org_kde_plasma_window_management* m, uint32_t id,
                               const char* uuid)
{
    (void)data, (void)id;
    add_window(org_kde_plasma_window_management_get_window_by_uuid(m, uuid), uuid);
}

static const struct org_kde_plasma_window_management_listener management_listener = {
    .show_desktop_changed = m_show_desktop,
    .window = m_window,
    .stacking_order_changed = m_stacking,
    .stacking_order_uuid_changed = m_stacking_uuid,
    .window_with_uuid = m_window_with_uuid,
};

static void print_json_string(const char* s)
{
    putchar('"');
    for (const unsigned char* p = (const unsigned char*)s; *p; ++p) {
        if (*p == '"' || *p == '\\')
            printf("\\%c", *p);
        else if (*p < 0x20)
            printf("\\u%04x", *p);
        else
            putchar(*p);
    }
    putchar('"');
}

static void list_windows(void)
{
    for (struct window* w = windows; w; w = w->next) {
        if (w->unmapped)
            continue;
        printf("{\"uuid\": ");
        print_json_string(w->uuid);
        printf(", \"title\": ");
        print_json_string(w->title);
        printf(", \"app_id\": ");
        print_json_string(w->app_id);
        printf(", \"pid\": %u, \"state\": %u, \"x\": %d, \"y\": %d, \"width\": %u, \"height\": %u}\n", w->pid,
               w->state, w->x, w->y, w->width, w->height);
    }
}

/* Windows that are gone are dropped once their unmapped event has been seen. */
static void forget_unmapped(void)
{
    struct window** link = &windows;
    while (*link) {
        struct window* w = *link;
        if (w->unmapped) {
            *link = w->next;
            org_kde_plasma_window_destroy(w->handle);
            free(w->uuid);
            free(w->title);
            free(w->app_id);
            free(w);
        } else {
            link = &w->next;
        }
    }
}

/* -- idleness -------------------------------------------------------------- */

static void idled(void* data, struct ext_idle_notification_v1* n)
{
    (void)data, (void)n;
    idle = 1;
}

static void resumed(void* data, struct ext_idle_notification_v1* n)
{
    (void)data, (void)n;
    idle = 0;
}

static const struct ext_idle_notification_v1_listener idle_listener = {idled, resumed};

/* -- the globals ---------------------------------------------------------- */

static void global(void* data, struct wl_registry* registry, uint32_t name, const char* interface,
                   uint32_t version)
{
    (void)data;
    if (strcmp(interface, org_kde_kwin_fake_input_interface.name) == 0 && version >= 4) {
        fake_input = wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, 4);
    } else if (strcmp(interface, org_kde_plasma_window_management_interface.name) == 0) {
        uint32_t v = version < 16 ? version : 16;
        window_management = wl_registry_bind(registry, name, &org_kde_plasma_window_management_interface, v);
        org_kde_plasma_window_management_add_listener(window_management, &management_listener, NULL);
    } else if (strcmp(interface, wl_seat_interface.name) == 0 && !seat) {
        seat = wl_registry_bind(registry, name, &wl_seat_interface, 1);
    } else if (strcmp(interface, ext_idle_notifier_v1_interface.name) == 0) {
        idle_notifier = wl_registry_bind(registry, name, &ext_idle_notifier_v1_interface, 1);
    }
}

static void global_remove(void* data, struct wl_registry* registry, uint32_t name)
{
    (void)data, (void)registry, (void)name;
}

static const struct wl_registry_listener registry_listener = {global, global_remove};

/* -- the commands ----------------------------------------------------------- */

static int command(struct wl_display* display, char* line)
{
    char word[16];
    long a = 0, b = 0;
    int n = sscanf(line, "%15s %ld %ld", word, &a, &b);
    if (n < 1)
        return printf("error empty command\n"), 0;
    if (strcmp(word, "key") == 0 && n == 3 && a >= 0 && (b == 0 || b == 1)) {
        org_kde_kwin_fake_input_keyboard_key(fake_input, (uint32_t)a, (uint32_t)b);
    } else if (strcmp(word, "button") == 0 && n == 3 && a >= 0 && (b == 0 || b == 1)) {
        org_kde_kwin_fake_input_button(fake_input, (uint32_t)a, (uint32_t)b);
    } else if (strcmp(word, "abs") == 0 && n == 3) {
        org_kde_kwin_fake_input_pointer_motion_absolute(fake_input, wl_fixed_from_int((int)a),
                                                        wl_fixed_from_int((int)b));
    } else if (strcmp(word, "sync") == 0 && n == 1) {
        if (wl_display_roundtrip(display) < 0)
            return -1;
    } else if (strcmp(word, "windows") == 0 && n == 1) {
        if (!window_management)
            return printf("error KWin offers no org_kde_plasma_window_management\n"), 0;
        /* A window announced in the first round trip sends its state in the second. */
        if (wl_display_roundtrip(display) < 0 || wl_display_roundtrip(display) < 0)
            return -1;
        forget_unmapped();
        list_windows();
    } else if (strcmp(word, "activate") == 0) {
        char uuid[128];
        struct window* w = windows;
        if (sscanf(line, "%*s %127s", uuid) != 1)
            return printf("error activate wants a window's uuid\n"), 0;
        while (w && (w->unmapped || strcmp(w->uuid, uuid) != 0))
            w = w->next;
        if (!w)
            return printf("error no window %s\n", uuid), 0;
        org_kde_plasma_window_set_state(w->handle, ORG_KDE_PLASMA_WINDOW_MANAGEMENT_STATE_ACTIVE,
                                        ORG_KDE_PLASMA_WINDOW_MANAGEMENT_STATE_ACTIVE);
    } else if (strcmp(word, "idle") == 0 && n == 2 && a > 0 && a <= UINT32_MAX) {
        if (!idle_notifier || !seat)
            return printf("error KWin offers no ext_idle_notifier_v1 or no seat\n"), 0;
        if (idle_watch)
            ext_idle_notification_v1_destroy(idle_watch);
        idle = 0;
        idle_watch = ext_idle_notifier_v1_get_idle_notification(idle_notifier, (uint32_t)a, seat);
        ext_idle_notification_v1_add_listener(idle_watch, &idle_listener, NULL);
    } else if (strcmp(word, "idle-state") == 0 && n == 1) {
        if (!idle_watch)
            return printf("error no idle watch\n"), 0;
        if (wl_display_roundtrip(display) < 0)
            return -1;
        printf("%s\n", idle ? "idle" : "active");
    } else {
        return printf("error unknown command: %s\n", line), 0;
    }
    if (wl_display_flush(display) < 0 && errno != EAGAIN)
        return -1;
    printf("ok\n");
    return 0;
}

int main(void)
{
    struct wl_display* display = wl_display_connect(NULL);
    if (!display) {
        fprintf(stderr, "kwin_fake_input: cannot connect to the Wayland display\n");
        return 1;
    }
    struct wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registry_listener, NULL);
    if (wl_display_roundtrip(display) < 0) {
        fprintf(stderr, "kwin_fake_input: the display went away\n");
        return 1;
    }
    if (!fake_input) {
        fprintf(stderr, "kwin_fake_input: the compositor offers no org_kde_kwin_fake_input (version 4); "
                        "KWin does so with KWIN_WAYLAND_NO_PERMISSION_CHECKS=1\n");
        return 1;
    }
    org_kde_kwin_fake_input_authenticate(fake_input, "bimbalo e2e", "driving the program under test");
    if (wl_display_roundtrip(display) < 0) {
        fprintf(stderr, "kwin_fake_input: the display went away\n");
        return 1;
    }
    setvbuf(stdout, NULL, _IOLBF, 0);
    printf("ready\n");

    char line[256];
    size_t used = 0;
    struct pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0}, {wl_display_get_fd(display), POLLIN, 0}};
    for (;;) {
        /* Events (window changes) are read as they come, so that no queue fills up. */
        while (wl_display_prepare_read(display) != 0)
            wl_display_dispatch_pending(display);
        wl_display_flush(display);
        if (poll(fds, 2, -1) < 0) {
            wl_display_cancel_read(display);
            if (errno == EINTR)
                continue;
            perror("poll");
            return 1;
        }
        if (fds[1].revents & POLLIN) {
            if (wl_display_read_events(display) < 0) {
                fprintf(stderr, "kwin_fake_input: the display went away\n");
                return 1;
            }
        } else {
            wl_display_cancel_read(display);
        }
        if (fds[1].revents & (POLLERR | POLLHUP)) {
            fprintf(stderr, "kwin_fake_input: the display went away\n");
            return 1;
        }
        if (wl_display_dispatch_pending(display) < 0) {
            fprintf(stderr, "kwin_fake_input: protocol error\n");
            return 1;
        }
        if (!(fds[0].revents & (POLLIN | POLLHUP)))
            continue;
        ssize_t got = read(STDIN_FILENO, line + used, sizeof line - 1 - used);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return 0;
        used += (size_t)got;
        line[used] = '\0';
        char* start = line;
        char* end;
        while ((end = strchr(start, '\n'))) {
            *end = '\0';
            if (command(display, start) < 0) {
                fprintf(stderr, "kwin_fake_input: the display went away\n");
                return 1;
            }
            start = end + 1;
        }
        used = strlen(start);
        memmove(line, start, used + 1);
        if (used == sizeof line - 1) {
            printf("error command too long\n");
            used = 0;
        }
    }
}

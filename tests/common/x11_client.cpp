#include "x11_client.h"

#include <QStandardPaths>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace lockx11 {

namespace {

pid_t g_xvfb = 0;

Display* Dpy(void* display) { return static_cast<Display*>(display); }

} // namespace

std::string StartXvfb()
{
    int fds[2];
    if (pipe(fds) != 0)
        return {};
    const pid_t child = fork();
    if (child < 0)
        return {};
    if (child == 0) {
        // Xvfb picks a free display itself and writes its number to fd 3.
        close(fds[0]);
        dup2(fds[1], 3);
        execlp("Xvfb", "Xvfb", "-displayfd", "3", "-nolisten", "tcp", "-screen", "0",
               "800x600x24", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    g_xvfb = child;
    std::string number;
    pollfd pfd{fds[0], POLLIN, 0};
    // A slow machine may take a while to bring the server up.
    while (poll(&pfd, 1, 30000) > 0) {
        char buffer[16];
        const ssize_t n = read(fds[0], buffer, sizeof buffer);
        if (n <= 0)
            break;
        number.append(buffer, static_cast<size_t>(n));
        if (number.find('\n') != std::string::npos)
            break;
    }
    close(fds[0]);
    while (!number.empty() && (number.back() == '\n' || number.back() == ' '))
        number.pop_back();
    if (number.empty()) {
        StopXvfb();
        return {};
    }
    return ":" + number;
}

bool UsePrivateXvfb(const std::vector<std::string>& tools)
{
    std::vector<std::string> needed = tools;
    needed.push_back("Xvfb");
    for (const std::string& tool : needed)
        if (QStandardPaths::findExecutable(QString::fromStdString(tool)).isEmpty()) {
            std::printf("SKIP: %s missing\n", tool.c_str());
            return false;
        }
    const std::string display = StartXvfb();
    if (display.empty()) {
        std::puts("SKIP: Xvfb did not start");
        return false;
    }
    setenv("DISPLAY", display.c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    return true;
}

void StopXvfb()
{
    if (g_xvfb > 0) {
        kill(g_xvfb, SIGTERM);
        waitpid(g_xvfb, nullptr, 0);
        g_xvfb = 0;
    }
}

OtherClient::OtherClient() : display_(XOpenDisplay(nullptr)) {}

OtherClient::~OtherClient()
{
    if (display_)
        XCloseDisplay(Dpy(display_));
}

bool OtherClient::TryGrabKeyboard()
{
    Display* dpy = Dpy(display_);
    const int status = XGrabKeyboard(dpy, XDefaultRootWindow(dpy), False, GrabModeAsync,
                                     GrabModeAsync, CurrentTime);
    if (status == GrabSuccess) {
        XUngrabKeyboard(dpy, CurrentTime);
        XSync(dpy, False);
    }
    return status == GrabSuccess;
}

void OtherClient::ShowFocusedWindow()
{
    Display* dpy = Dpy(display_);
    if (!window_) {
        window_ = XCreateSimpleWindow(dpy, XDefaultRootWindow(dpy), 0, 0, 200, 200, 0, 0, 0);
        XSelectInput(dpy, window_, KeyPressMask | ExposureMask | StructureNotifyMask);
        XMapRaised(dpy, window_);
        XEvent event;
        do
            XWindowEvent(dpy, window_, StructureNotifyMask, &event);
        while (event.type != MapNotify);
    }
    XSetInputFocus(dpy, window_, RevertToParent, CurrentTime);
    XSync(dpy, False);
}

std::vector<unsigned long> OtherClient::TakeKeyPresses()
{
    Display* dpy = Dpy(display_);
    std::vector<unsigned long> keys;
    XSync(dpy, False);
    while (XPending(dpy)) {
        XEvent event;
        XNextEvent(dpy, &event);
        if (event.type == KeyPress)
            keys.push_back(XLookupKeysym(&event.xkey, 0));
    }
    return keys;
}

} // namespace lockx11

#pragma once

// A second X client that watches the server's own screen saver. Kept apart
// from the Qt code because of Xlib's macros.
class XSaverProbe {
public:
    XSaverProbe(); // connects to $DISPLAY
    ~XSaverProbe();
    XSaverProbe(const XSaverProbe&) = delete;
    XSaverProbe& operator=(const XSaverProbe&) = delete;

    bool Connected() const { return display_ != nullptr; }
    // Whether the server has the extension that reports the saver's state.
    bool CanQuery() const;
    // The server's screen saver comes on after this many idle seconds.
    void SetTimeout(int seconds);
    // Turns the saver off and starts its idle time anew, as input would.
    void Reset();
    bool SaverOn() const;

private:
    void* display_ = nullptr;
};

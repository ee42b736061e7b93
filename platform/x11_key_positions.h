#pragma once

#include "platform/key_position_source.h"
#include "platform/key_positions.h"

struct xcb_connection_t;
struct xkb_context;

namespace platform {

// Reads the core keyboard's keymap through XKB when first asked after a
// Reload (or ever), and keeps it until the next Reload.
class X11KeyPositionSource final : public KeyPositionSource {
public:
    explicit X11KeyPositionSource(xcb_connection_t* connection);
    ~X11KeyPositionSource() override;

    X11KeyPositionSource(const X11KeyPositionSource&) = delete;
    X11KeyPositionSource& operator=(const X11KeyPositionSource&) = delete;

    void Reload() override { stale_ = true; }
    int VirtualKey(const QKeyEvent& event) override;

private:
    void Read();

    xcb_connection_t* connection_;
    xkb_context* context_ = nullptr;
    bool extensionReady_ = false;
    bool stale_ = true;
    KeyPositionTable table_;
};

} // namespace platform

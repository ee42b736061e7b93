#include "platform/screen_saver.h"

#include "platform/desktop.h"
#include "platform/x11_screen_saver.h"
#include "platform/wayland_desktop.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>

#include <optional>

namespace platform {

namespace {

const char* const kService = "org.freedesktop.ScreenSaver";
// GNOME and KDE serve the interface at the first path, some desktops only
// at the second.
const char* const kPaths[] = {"/org/freedesktop/ScreenSaver", "/ScreenSaver"};
// A stuck bus or service must not hold up the start of a show.
constexpr int kCallTimeoutMs = 1500;

// GNOME's own session service, where nothing serves the one above: an
// inhibitor with the idle flag keeps the session from going idle.
const char* const kGnomeService = "org.gnome.SessionManager";
const char* const kGnomePath = "/org/gnome/SessionManager";
constexpr uint kGnomeInhibitIdle = 8;

const char* const kDBusHolder = "org.freedesktop.ScreenSaver";
const char* const kGnomeHolder = "org.gnome.SessionManager";
const char* const kXHolder = "X screen saver extension";
const char* const kWaylandHolder = "the compositor's idle inhibitor";

struct Inhibition {
    bool gnome = false;
    QString path;
    uint cookie = 0;
};

bool WorthTheOtherPath(const QString& error)
{
    return error == QLatin1String("org.freedesktop.DBus.Error.UnknownMethod")
        || error == QLatin1String("org.freedesktop.DBus.Error.UnknownObject")
        || error == QLatin1String("org.freedesktop.DBus.Error.UnknownInterface");
}

std::optional<Inhibition> InhibitOverDBus()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return std::nullopt;
    for (const char* path : kPaths) {
        QDBusMessage call = QDBusMessage::createMethodCall(kService, path, kService, "Inhibit");
        call << QStringLiteral("Bimbalo") << QStringLiteral("Slide show running");
        // Block, not BlockWithGui: no events of the show may run meanwhile.
        const QDBusMessage reply = bus.call(call, QDBus::Block, kCallTimeoutMs);
        if (reply.type() == QDBusMessage::ReplyMessage) {
            bool ok = false;
            const uint cookie = reply.arguments().value(0).toUInt(&ok);
            if (!ok)
                return std::nullopt;
            return Inhibition{false, QString::fromLatin1(path), cookie};
        }
        if (!WorthTheOtherPath(reply.errorName()))
            return std::nullopt;
    }
    return std::nullopt;
}

std::optional<Inhibition> InhibitGnomeSession()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return std::nullopt;
    QDBusMessage call = QDBusMessage::createMethodCall(kGnomeService, kGnomePath, kGnomeService, "Inhibit");
    // No X window to name on Wayland: 0.
    call << QStringLiteral("Bimbalo") << 0u << QStringLiteral("Slide show running") << kGnomeInhibitIdle;
    const QDBusMessage reply = bus.call(call, QDBus::Block, kCallTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage)
        return std::nullopt;
    bool ok = false;
    const uint cookie = reply.arguments().value(0).toUInt(&ok);
    if (!ok)
        return std::nullopt;
    return Inhibition{true, QString::fromLatin1(kGnomePath), cookie};
}

void UnInhibitOverDBus(const Inhibition& inhibition)
{
    QDBusMessage call = inhibition.gnome
        ? QDBusMessage::createMethodCall(kGnomeService, inhibition.path, kGnomeService, "Uninhibit")
        : QDBusMessage::createMethodCall(kService, inhibition.path, kService, "UnInhibit");
    call << inhibition.cookie;
    QDBusConnection::sessionBus().call(call, QDBus::Block, kCallTimeoutMs);
}

// Tries the desktop's service at each hold, since it may have come up since
// the last show, and the X server where no service answers.
class DesktopScreenSaverHold final : public ScreenSaverHold {
public:
    DesktopScreenSaverHold(void* display, WaylandDesktop* wayland) : display_(display), wayland_(wayland) {}
    ~DesktopScreenSaverHold() override
    {
        // Once the application is gone, so are its bus and X connections,
        // and the desktop and server drop what those held.
        if (QCoreApplication::instance())
            Release();
    }

    std::string Hold() override
    {
        if (inhibition_)
            return inhibition_->gnome ? kGnomeHolder : kDBusHolder;
        if (xDisplay_)
            return kXHolder;
        if (waylandHeld_)
            return kWaylandHolder;
        inhibition_ = InhibitOverDBus();
        if (inhibition_)
            return kDBusHolder;
        inhibition_ = InhibitGnomeSession();
        if (inhibition_)
            return kGnomeHolder;
        if (display_ && xss::Suspend(display_)) {
            xDisplay_ = display_;
            return kXHolder;
        }
        if (wayland_ && wayland_->offersIdleInhibit()) {
            wayland_->setIdleInhibited(true);
            waylandHeld_ = true;
            return kWaylandHolder;
        }
        return {};
    }

    void Release() override
    {
        if (inhibition_) {
            UnInhibitOverDBus(*inhibition_);
            inhibition_.reset();
        }
        if (xDisplay_) {
            xss::Resume(xDisplay_);
            xDisplay_ = nullptr;
        }
        if (waylandHeld_) {
            wayland_->setIdleInhibited(false);
            waylandHeld_ = false;
        }
    }

private:
    void* display_;
    WaylandDesktop* wayland_;
    bool waylandHeld_ = false;
    std::optional<Inhibition> inhibition_;
    void* xDisplay_ = nullptr;
};

} // namespace

std::unique_ptr<ScreenSaverHold> CreateScreenSaverHold(const Desktop& desktop)
{
    return std::make_unique<DesktopScreenSaverHold>(desktop.xDisplay(), desktop.wayland());
}

} // namespace platform

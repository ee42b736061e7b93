// A stand-in for the desktop's screen saver service on a test's private
// session bus. It owns org.freedesktop.ScreenSaver and reports each call on
// stdout, one flushed line each:
//   Ready                                    once it can be called
//   Inhibit <application> <reason> -> <cookie>
//   UnInhibit <cookie>
// Options: --path P serves the object at P instead of
// /org/freedesktop/ScreenSaver (repeatable); --stall takes Inhibit calls
// and never answers them; --gnome serves GNOME's session manager instead,
// whose calls it reports as
//   Inhibit <application> <reason> flags <flags> -> <cookie>
//   Uninhibit <cookie>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusContext>
#include <QObject>
#include <QStringList>

#include <cstdio>

namespace {

void Say(const QString& line)
{
    std::fputs(qPrintable(line + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}

} // namespace

class FakeScreenSaver : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")

public:
    explicit FakeScreenSaver(bool stall) : stall_(stall) {}

public slots:
    uint Inhibit(const QString& application, const QString& reason)
    {
        const uint cookie = nextCookie_++;
        Say(QStringLiteral("Inhibit %1 %2 -> %3").arg(application, reason).arg(cookie));
        if (stall_)
            setDelayedReply(true);
        return cookie;
    }

    void UnInhibit(uint cookie) { Say(QStringLiteral("UnInhibit %1").arg(cookie)); }

private:
    bool stall_;
    // Far from 0 and 1, so that a cookie made up by the caller shows.
    uint nextCookie_ = 4101;
};

class FakeGnomeSession : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.gnome.SessionManager")

public slots:
    uint Inhibit(const QString& application, uint, const QString& reason, uint flags)
    {
        const uint cookie = nextCookie_++;
        Say(QStringLiteral("Inhibit %1 %2 flags %3 -> %4").arg(application, reason).arg(flags).arg(cookie));
        return cookie;
    }

    void Uninhibit(uint cookie) { Say(QStringLiteral("Uninhibit %1").arg(cookie)); }

private:
    uint nextCookie_ = 7301;
};

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList paths;
    bool stall = false;
    bool gnome = false;
    const QStringList args = app.arguments();
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--path") && i + 1 < args.size()) {
            paths << args[++i];
        } else if (args[i] == QLatin1String("--stall")) {
            stall = true;
        } else if (args[i] == QLatin1String("--gnome")) {
            gnome = true;
        } else {
            std::fprintf(stderr, "usage: %s [--path /object/path]... [--stall] [--gnome]\n", argv[0]);
            return 2;
        }
    }
    if (paths.isEmpty())
        paths << QStringLiteral("/org/freedesktop/ScreenSaver");

    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        std::fputs("no session bus\n", stderr);
        return 1;
    }
    if (gnome) {
        FakeGnomeSession session;
        if (!bus.registerObject(QStringLiteral("/org/gnome/SessionManager"), &session,
                                QDBusConnection::ExportAllSlots)
            || !bus.registerService(QStringLiteral("org.gnome.SessionManager"))) {
            std::fputs("cannot serve org.gnome.SessionManager\n", stderr);
            return 1;
        }
        Say(QStringLiteral("Ready"));
        return app.exec();
    }
    FakeScreenSaver service(stall);
    for (const QString& path : paths) {
        if (!bus.registerObject(path, &service, QDBusConnection::ExportAllSlots)) {
            std::fprintf(stderr, "cannot serve %s\n", qPrintable(path));
            return 1;
        }
    }
    if (!bus.registerService(QStringLiteral("org.freedesktop.ScreenSaver"))) {
        std::fputs("org.freedesktop.ScreenSaver is taken\n", stderr);
        return 1;
    }
    Say(QStringLiteral("Ready"));
    return app.exec();
}

#include "fake_screensaver_service.moc"

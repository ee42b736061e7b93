#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A dbus-daemon of the test's own. Its configuration names no service
// folders, so that no screen saver installed on the machine can be started
// on it by activation.
class PrivateSessionBus {
public:
    ~PrivateSessionBus();
    // Returns the bus address, empty when dbus-daemon is missing or fails.
    QString Start();

private:
    QTemporaryDir dir_;
    QProcess daemon_;
};

// The fake org.freedesktop.ScreenSaver service, run on the session bus
// named by DBUS_SESSION_BUS_ADDRESS, and the calls it reports.
class FakeScreenSaverService {
public:
    ~FakeScreenSaverService() { Stop(); }
    // Returns once the service can be called; false when it could not start.
    bool Start(const QStringList& arguments = {});
    void Stop();
    // The next line the service reported, empty when none came in time.
    QString NextLine(int timeoutMs = 5000);

private:
    QProcess process_;
};

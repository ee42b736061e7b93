#include "private_session_bus.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QStandardPaths>

PrivateSessionBus::~PrivateSessionBus()
{
    if (daemon_.state() != QProcess::NotRunning) {
        daemon_.terminate();
        daemon_.waitForFinished(5000);
    }
}

QString PrivateSessionBus::Start()
{
    const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    if (daemon.isEmpty() || !dir_.isValid())
        return {};
    QFile config(dir_.filePath(QStringLiteral("bus.conf")));
    if (!config.open(QIODevice::WriteOnly))
        return {};
    config.write(QStringLiteral(
        "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
        " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
        "<busconfig>\n"
        "  <type>session</type>\n"
        "  <listen>unix:dir=%1</listen>\n"
        "  <auth>EXTERNAL</auth>\n"
        "  <policy context=\"default\">\n"
        "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
        "    <allow eavesdrop=\"true\"/>\n"
        "    <allow own=\"*\"/>\n"
        "  </policy>\n"
        "</busconfig>\n").arg(dir_.path()).toUtf8());
    config.close();

    daemon_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    daemon_.start(daemon, {QStringLiteral("--config-file=") + config.fileName(),
                           QStringLiteral("--print-address"), QStringLiteral("--nofork")});
    const QDeadlineTimer deadline(10000);
    while (!daemon_.canReadLine()) {
        if (deadline.hasExpired() || !daemon_.waitForReadyRead(int(deadline.remainingTime())))
            return {};
    }
    return QString::fromUtf8(daemon_.readLine()).trimmed();
}

bool FakeScreenSaverService::Start(const QStringList& arguments)
{
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(QStringLiteral(FAKE_SCREENSAVER_SERVICE), arguments);
    return NextLine(10000) == QLatin1String("Ready");
}

void FakeScreenSaverService::Stop()
{
    if (process_.state() != QProcess::NotRunning) {
        process_.terminate();
        process_.waitForFinished(5000);
        // Lines of this run must not be read as lines of the next.
        process_.readAll();
    }
}

QString FakeScreenSaverService::NextLine(int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!process_.canReadLine()) {
        if (deadline.hasExpired() || !process_.waitForReadyRead(int(deadline.remainingTime())))
            return {};
    }
    return QString::fromUtf8(process_.readLine()).trimmed();
}

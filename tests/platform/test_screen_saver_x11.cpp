// The screen saver hold on a private Xvfb where no desktop service answers:
// the server's own screen saver, set to come on after a second of idle time,
// must stay off while the hold lasts.

#include "x11_client.h"
#include "private_session_bus.h"
#include "x_saver_probe.h"
#include "platform/desktop.h"
#include "platform/screen_saver.h"

#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <cstdlib>

namespace {

const std::string kXHolder = "X screen saver extension";
constexpr int kSaverTimeoutSeconds = 1;
constexpr int kWaitForSaverMs = 10000;

} // namespace

class ScreenSaverX11 : public QObject {
    Q_OBJECT

public:
    explicit ScreenSaverX11(bool privateBus) : privateBus_(privateBus) {}

private:
    bool privateBus_;
    XSaverProbe probe;
    const platform::Desktop desktop = platform::ConnectDesktop();
    FakeScreenSaverService service;

    // Looks often, so that a saver that comes on for a moment is seen.
    bool StaysOff(int ms)
    {
        const QDeadlineTimer deadline(ms);
        while (!deadline.hasExpired()) {
            if (probe.SaverOn())
                return false;
            QTest::qWait(50);
        }
        return !probe.SaverOn();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(probe.Connected());
        if (!probe.CanQuery())
            QSKIP("the X server cannot report its screen saver");
        probe.SetTimeout(kSaverTimeoutSeconds);
    }

    void cleanup() { service.Stop(); }

    // Without this the other cases would prove nothing.
    void saverComesOnWhenNothingHoldsIt()
    {
        probe.Reset();
        QTRY_VERIFY_WITH_TIMEOUT(probe.SaverOn(), kWaitForSaverMs);
    }

    void holdKeepsTheSaverOffUntilReleased()
    {
        auto hold = platform::CreateScreenSaverHold(desktop);
        QCOMPARE(hold->Hold(), kXHolder);
        probe.Reset();
        QVERIFY(StaysOff(3000 * kSaverTimeoutSeconds));

        // Held twice, one release must still give the saver back.
        QCOMPARE(hold->Hold(), kXHolder);
        hold->Release();
        QTRY_VERIFY_WITH_TIMEOUT(probe.SaverOn(), kWaitForSaverMs);
        hold->Release();
    }

    void desktopServiceComesFirst()
    {
        if (!privateBus_)
            QSKIP("no dbus-daemon");
        QVERIFY(service.Start());
        auto hold = platform::CreateScreenSaverHold(desktop);
        QCOMPARE(hold->Hold(), std::string("org.freedesktop.ScreenSaver"));
        QVERIFY(service.NextLine().startsWith(QLatin1String("Inhibit ")));
        // The fake service keeps nothing awake; nor may the X server be
        // told to.
        probe.Reset();
        QTRY_VERIFY_WITH_TIMEOUT(probe.SaverOn(), kWaitForSaverMs);
        hold->Release();
        QVERIFY(service.NextLine().startsWith(QLatin1String("UnInhibit ")));
    }
};

int main(int argc, char** argv)
{
    if (!lockx11::UsePrivateXvfb())
        return 77; // ctest's skip
    // Never the user's own session bus: a private one where dbus-daemon
    // exists, else an address where no bus listens. Qt keeps the first bus
    // it connects to, so the latter stands in until the former is up.
    QTemporaryDir noBus;
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + noBus.filePath(QStringLiteral("none")).toUtf8());
    int result;
    {
        QGuiApplication app(argc, argv);
        PrivateSessionBus bus;
        const QString address = bus.Start();
        const bool privateBus = !address.isEmpty();
        if (privateBus)
            qputenv("DBUS_SESSION_BUS_ADDRESS", address.toUtf8());
        ScreenSaverX11 test(privateBus);
        result = QTest::qExec(&test, argc, argv);
    }
    lockx11::StopXvfb();
    return result;
}

#include "test_screen_saver_x11.moc"

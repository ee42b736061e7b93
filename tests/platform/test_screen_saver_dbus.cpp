// The screen saver hold against a fake desktop service on a private session
// bus, with the offscreen platform, so that no X server can stand in.

#include "private_session_bus.h"
#include "platform/desktop.h"
#include "platform/screen_saver.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

namespace {

const std::string kDBusHolder = "org.freedesktop.ScreenSaver";

struct InhibitCall {
    QString application;
    QString reason;
    QString cookie;
};

// Parses "Inhibit <application> <reason> -> <cookie>"; empty cookie if the
// line is anything else.
InhibitCall ParseInhibit(const QString& line)
{
    static const QRegularExpression pattern(QStringLiteral("^Inhibit (\\S+) (.+) -> (\\d+)$"));
    const auto match = pattern.match(line);
    if (!match.hasMatch())
        return {};
    return {match.captured(1), match.captured(2), match.captured(3)};
}

} // namespace

class ScreenSaverDBus : public QObject {
    Q_OBJECT

private:
    FakeScreenSaverService service;
    const platform::Desktop desktop = platform::ConnectDesktop();

private slots:
    void cleanup() { service.Stop(); }

    void holdInhibitsOnceAndReleaseGivesBackThatCookie()
    {
        QVERIFY(service.Start());
        auto hold = platform::CreateScreenSaverHold(desktop);
        QCOMPARE(hold->Hold(), kDBusHolder);
        const InhibitCall first = ParseInhibit(service.NextLine());
        QVERIFY(!first.cookie.isEmpty());
        QCOMPARE(first.application, QStringLiteral("Bimbalo"));
        QVERIFY(!first.reason.trimmed().isEmpty());

        // A second hold during the same show asks for nothing more: the next
        // call the service sees is the release.
        QCOMPARE(hold->Hold(), kDBusHolder);
        hold->Release();
        QCOMPARE(service.NextLine(), QStringLiteral("UnInhibit ") + first.cookie);

        // Releasing again gives back nothing, so the next show's hold is
        // the next call.
        hold->Release();
        QCOMPARE(hold->Hold(), kDBusHolder);
        const InhibitCall second = ParseInhibit(service.NextLine());
        QVERIFY(!second.cookie.isEmpty());
        QVERIFY(second.cookie != first.cookie);
        hold->Release();
        QCOMPARE(service.NextLine(), QStringLiteral("UnInhibit ") + second.cookie);
    }

    void desktopServingOnlyTheShortPath()
    {
        QVERIFY(service.Start({QStringLiteral("--path"), QStringLiteral("/ScreenSaver")}));
        auto hold = platform::CreateScreenSaverHold(desktop);
        QCOMPARE(hold->Hold(), kDBusHolder);
        const InhibitCall call = ParseInhibit(service.NextLine());
        QVERIFY(!call.cookie.isEmpty());
        hold->Release();
        QCOMPARE(service.NextLine(), QStringLiteral("UnInhibit ") + call.cookie);
    }

    // GNOME without a screen saver service: its session manager keeps the
    // session from going idle, and gets back the cookie it gave.
    void gnomeSessionManagerWhereNoScreenSaverServiceAnswers()
    {
        QVERIFY(service.Start({QStringLiteral("--gnome")}));
        auto hold = platform::CreateScreenSaverHold(desktop);
        QCOMPARE(hold->Hold(), std::string("org.gnome.SessionManager"));
        static const QRegularExpression pattern(QStringLiteral("^Inhibit Bimbalo .+ flags (\\d+) -> (\\d+)$"));
        const auto match = pattern.match(service.NextLine());
        QVERIFY(match.hasMatch());
        QCOMPARE(match.captured(1).toUInt() & 8u, 8u); // idle
        hold->Release();
        QCOMPARE(service.NextLine(), QStringLiteral("Uninhibit ") + match.captured(2));
    }

    void destructionReleases()
    {
        QVERIFY(service.Start());
        auto hold = platform::CreateScreenSaverHold(desktop);
        QCOMPARE(hold->Hold(), kDBusHolder);
        const InhibitCall call = ParseInhibit(service.NextLine());
        QVERIFY(!call.cookie.isEmpty());
        hold.reset();
        QCOMPARE(service.NextLine(), QStringLiteral("UnInhibit ") + call.cookie);
    }

    // Offscreen there is no X server to fall back on.
    void noServiceHoldsNothingUntilOneComes()
    {
        auto hold = platform::CreateScreenSaverHold(desktop);
        QCOMPARE(hold->Hold(), std::string());
        hold->Release();

        QVERIFY(service.Start());
        QCOMPARE(hold->Hold(), kDBusHolder);
        const InhibitCall call = ParseInhibit(service.NextLine());
        QVERIFY(!call.cookie.isEmpty());
        hold->Release();
        QCOMPARE(service.NextLine(), QStringLiteral("UnInhibit ") + call.cookie);
    }

    void stuckServiceDoesNotHoldUpTheShow()
    {
        QVERIFY(service.Start({QStringLiteral("--stall")}));
        auto hold = platform::CreateScreenSaverHold(desktop);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(hold->Hold(), std::string());
        QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(!ParseInhibit(service.NextLine()).cookie.isEmpty());
    }
};

int main(int argc, char** argv)
{
    // Qt keeps the first session bus it connects to; should anything reach
    // for one before the private bus is up, it finds none rather than the
    // user's.
    QTemporaryDir noBus;
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + noBus.filePath(QStringLiteral("none")).toUtf8());
    QGuiApplication app(argc, argv);
    PrivateSessionBus bus;
    const QString address = bus.Start();
    if (address.isEmpty()) {
        std::puts("SKIP: no dbus-daemon");
        return 77; // ctest's skip
    }
    qputenv("DBUS_SESSION_BUS_ADDRESS", address.toUtf8());
    ScreenSaverDBus test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_screen_saver_dbus.moc"

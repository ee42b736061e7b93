// The keyboard lock against a real X server: the grab keeps other clients
// from the keyboard, the show's keys still reach the program's window, and
// the system keys do not.

#include "x11_client.h"
#include "platform/desktop.h"
#include "platform/keyboard_hook.h"
#include "platform/keyboard_hook_library.h"
#include "show/keyboard_lock.h"
#include "show/virtual_keys.h"

#include <QApplication>
#include <QKeyEvent>
#include <QProcess>
#include <QShortcut>
#include <QStandardPaths>
#include <QTest>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

// Records every key press that reaches it.
class KeyCatcher : public QWidget {
public:
    KeyCatcher() { setFocusPolicy(Qt::StrongFocus); }
    QList<int> presses;

protected:
    bool event(QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress)
            presses.append(static_cast<QKeyEvent*>(event)->key());
        return QWidget::event(event);
    }
};

constexpr unsigned long kKeysymA = 0x61;
constexpr unsigned long kKeysymB = 0x62;

} // namespace

class LockX11 : public QObject {
    Q_OBJECT

private:
    KeyCatcher catcher;
    const platform::Desktop desktop = platform::ConnectDesktop();
    std::unique_ptr<TKeyboardLock> lock;
    lockx11::OtherClient other;

    static bool Press(const QString& keys)
    {
        QProcess xdotool;
        xdotool.start("xdotool", {"key", keys});
        return xdotool.waitForFinished(10000) && xdotool.exitCode() == 0;
    }

    // Keys are delivered in order, so once the sentinel has arrived every
    // key sent before it has either arrived or been swallowed.
    bool PressThenSentinel(const QString& keys)
    {
        catcher.presses.clear();
        if (!Press(keys) || !Press("x"))
            return false;
        return QTest::qWaitFor([&] { return catcher.presses.contains(Qt::Key_X); }, 5000);
    }

    bool FocusCatcher()
    {
        catcher.activateWindow();
        catcher.setFocus();
        return QTest::qWaitForWindowActive(&catcher);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(other.Connected());
        catcher.setGeometry(50, 50, 300, 200);
        catcher.show();
        QVERIFY(FocusCatcher());
        lock = std::make_unique<TKeyboardLock>(
            std::make_unique<platform::DlHookLibraryLoader>("bimbalohook", BIMBALOHOOK_DIR),
            platform::CreateKeyboardHook(&VirtualKeyOfQtEvent, desktop), [this] { return catcher.winId(); });
    }

    void cleanup() { lock->UnlockKeyboard(); }

    void otherClientCannotGrabWhileLocked()
    {
        QVERIFY(other.TryGrabKeyboard());
        lock->LockKeyboard();
        QVERIFY(lock->IsLocked());
        QVERIFY(!other.TryGrabKeyboard());
        lock->UnlockKeyboard();
        QVERIFY(!lock->IsLocked());
        QVERIFY(other.TryGrabKeyboard());

        // And again for the next show, with the library still loaded.
        lock->LockKeyboard();
        QVERIFY(lock->IsLocked());
        QVERIFY(!other.TryGrabKeyboard());
    }

    void keys_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QList<int>>("qtKeys"); // any of these counts as arrived
        QTest::addColumn<bool>("arrives");

        QTest::newRow("Q") << "q" << QList<int>{Qt::Key_Q} << true;
        QTest::newRow("U") << "u" << QList<int>{Qt::Key_U} << true;
        QTest::newRow("I") << "i" << QList<int>{Qt::Key_I} << true;
        QTest::newRow("T") << "t" << QList<int>{Qt::Key_T} << true;
        QTest::newRow("Space") << "space" << QList<int>{Qt::Key_Space} << true;
        QTest::newRow("Backspace") << "BackSpace" << QList<int>{Qt::Key_Backspace} << true;
        QTest::newRow("Escape") << "Escape" << QList<int>{Qt::Key_Escape} << true;
        QTest::newRow("PageUp") << "Prior" << QList<int>{Qt::Key_PageUp} << true;
        QTest::newRow("PageDown") << "Next" << QList<int>{Qt::Key_PageDown} << true;
        QTest::newRow("Digit") << "7" << QList<int>{Qt::Key_7} << true;
        QTest::newRow("AltQ") << "alt+q" << QList<int>{Qt::Key_Q} << true;

        QTest::newRow("F1") << "F1" << QList<int>{Qt::Key_F1} << false;
        QTest::newRow("F12") << "F12" << QList<int>{Qt::Key_F12} << false;
        QTest::newRow("AltF4") << "alt+F4" << QList<int>{Qt::Key_F4} << false;
        QTest::newRow("AltTab") << "alt+Tab" << QList<int>{Qt::Key_Tab, Qt::Key_Backtab} << false;
        QTest::newRow("AltShiftTab") << "alt+shift+Tab" << QList<int>{Qt::Key_Tab, Qt::Key_Backtab} << false;
        QTest::newRow("CtrlEscape") << "ctrl+Escape" << QList<int>{Qt::Key_Escape} << false;
        QTest::newRow("AltSpace") << "alt+space" << QList<int>{Qt::Key_Space} << false;
        QTest::newRow("Super") << "Super_L" << QList<int>{Qt::Key_Super_L, Qt::Key_Meta} << false;
        QTest::newRow("Menu") << "Menu" << QList<int>{Qt::Key_Menu} << false;
        QTest::newRow("PrintScreen") << "Print" << QList<int>{Qt::Key_Print} << false;
        QTest::newRow("VolumeUp") << "XF86AudioRaiseVolume" << QList<int>{Qt::Key_VolumeUp} << false;
        QTest::newRow("PowerOff") << "XF86PowerOff" << QList<int>{Qt::Key_PowerOff} << false;
    }

    void keys()
    {
        QFETCH(QString, keys);
        QFETCH(QList<int>, qtKeys);
        QFETCH(bool, arrives);

        lock->LockKeyboard();
        QVERIFY(lock->IsLocked());
        QVERIFY(PressThenSentinel(keys));
        bool arrived = false;
        for (int key : qtKeys)
            arrived = arrived || catcher.presses.contains(key);
        QCOMPARE(arrived, arrives);
    }

    void swallowedKeysArriveOnceUnlocked()
    {
        lock->UnlockKeyboard();
        QVERIFY(PressThenSentinel("F1"));
        QVERIFY(catcher.presses.contains(Qt::Key_F1));
    }

    void shortcutsDoNotFireWhileLocked()
    {
        int fired = 0;
        QShortcut helpKey(QKeySequence(Qt::Key_F2), &catcher, [&] { ++fired; }, Qt::ApplicationShortcut);
        QShortcut letterKey(QKeySequence(Qt::CTRL | Qt::Key_T), &catcher, [&] { ++fired; },
                            Qt::ApplicationShortcut);

        lock->LockKeyboard();
        QVERIFY(PressThenSentinel("F2"));
        QVERIFY(PressThenSentinel("ctrl+t"));
        QVERIFY(catcher.presses.contains(Qt::Key_T)); // the letter still reaches the window
        QCOMPARE(fired, 0);

        lock->UnlockKeyboard();
        QVERIFY(Press("F2"));
        QTRY_COMPARE(fired, 1);
    }

    // Keeps the input focus away from the program, so it comes last.
    void otherClientGetsNoKeysWhileLocked()
    {
        other.ShowFocusedWindow();
        other.TakeKeyPresses();
        lock->LockKeyboard();
        QVERIFY(lock->IsLocked());
        QVERIFY(Press("a"));
        lock->UnlockKeyboard();
        QVERIFY(Press("b"));
        std::vector<unsigned long> received;
        QVERIFY(QTest::qWaitFor([&] {
            for (unsigned long key : other.TakeKeyPresses())
                received.push_back(key);
            return !received.empty();
        }, 5000));
        QCOMPARE(received.front(), kKeysymB);
        QVERIFY(std::find(received.begin(), received.end(), kKeysymA) == received.end());
    }

    void cleanupTestCase() { lock.reset(); }
};

int main(int argc, char** argv)
{
    // 77 tells ctest the test was skipped.
    if (!lockx11::UsePrivateXvfb({"xdotool"}))
        return 77;
    int result;
    {
        QApplication app(argc, argv);
        LockX11 test;
        result = QTest::qExec(&test, argc, argv);
    }
    lockx11::StopXvfb();
    return result;
}

#include "test_lock_x11.moc"

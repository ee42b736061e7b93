// The keyboard help splash: its texts, and how it closes.

#include "show/f_instructions.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <functional>

class TestInstructions : public QObject {
    Q_OBJECT

    // Shows the splash modally, runs `whileUp` once it is up, and returns
    // whether the modal showing ended (a watchdog ends it otherwise).
    static bool showModally(TForm_instructions& splash, const std::function<void()>& whileUp)
    {
        bool rescued = false;
        QTimer dog;
        dog.setSingleShot(true);
        connect(&dog, &QTimer::timeout, [&] {
            rescued = true;
            splash.done(QDialog::Accepted);
        });
        dog.start(10000);
        QTimer::singleShot(0, &splash, whileUp);
        splash.exec();
        return !rescued;
    }

private slots:
    void texts_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<int>("height");
        QTest::addColumn<QColor>("colour");
        const QColor white = Qt::white, yellow = QColor(255, 255, 0);
        QTest::newRow("4") << "StaticText4" << "Bimbalo" << QPoint(125, 19) << 21 << white;
        QTest::newRow("1") << "StaticText1" << "You are about to run slide show in full screen !" << QPoint(13, 54) << 16 << white;
        QTest::newRow("2") << "StaticText2" << "Keys: " << QPoint(34, 104) << 16 << white;
        QTest::newRow("5") << "StaticText5" << "PAGE UP" << QPoint(76, 133) << 16 << white;
        QTest::newRow("8") << "StaticText8" << "Previous Slide" << QPoint(199, 133) << 16 << white;
        QTest::newRow("6") << "StaticText6" << "PAGE DOWN" << QPoint(76, 162) << 16 << white;
        QTest::newRow("9") << "StaticText9" << "Next Slide" << QPoint(199, 162) << 16 << white;
        QTest::newRow("7") << "StaticText7" << "BACKSPACE" << QPoint(76, 191) << 16 << white;
        QTest::newRow("10") << "StaticText10" << "Preplay Current Slide" << QPoint(199, 191) << 16 << white;
        QTest::newRow("3") << "StaticText3" << "Type \"Q\",\"U\",\"I\",\"T\" to return" << QPoint(80, 253) << 16 << yellow;
    }

    void texts()
    {
        QFETCH(QString, name);
        QFETCH(QString, text);
        QFETCH(QPoint, at);
        QFETCH(int, height);
        QFETCH(QColor, colour);
        TForm_instructions splash;
        QCOMPARE(splash.findChildren<QLabel*>().size(), 10);
        auto* label = splash.findChild<QLabel*>(name);
        QVERIFY(label);
        QCOMPARE(label->text(), text);
        QCOMPARE(label->pos(), at);
        QVERIFY(label->font().bold());
        QCOMPARE(label->font().pixelSize(), height);
        QCOMPARE(label->palette().color(QPalette::WindowText), colour);
        QCOMPARE(label->focusPolicy(), Qt::NoFocus);
        // Sized to its text.
        QVERIFY(label->width() >= QFontMetrics(label->font()).horizontalAdvance(text));
    }

    void windowLooks()
    {
        TForm_instructions splash;
        QCOMPARE(splash.size(), QSize(400, 300));
        QVERIFY(splash.windowFlags().testFlag(Qt::FramelessWindowHint));
        QCOMPARE(splash.palette().color(QPalette::Window), QColor(0, 0, 128));
        QCOMPARE(splash.Timer_main->interval(), 5000);
        QVERIFY(splash.Timer_main->isActive()); // running from creation, shown or not
    }

    void anyKeyCloses_data()
    {
        QTest::addColumn<Qt::Key>("key");
        QTest::newRow("letter") << Qt::Key_A;
        QTest::newRow("shift") << Qt::Key_Shift;
        QTest::newRow("escape") << Qt::Key_Escape;
        QTest::newRow("return") << Qt::Key_Return;
        QTest::newRow("F1") << Qt::Key_F1;
    }

    void anyKeyCloses()
    {
        QFETCH(Qt::Key, key);
        TForm_instructions splash;
        bool wasUp = false;
        QVERIFY(showModally(splash, [&] {
            wasUp = splash.isVisible();
            QTest::keyPress(&splash, key);
        }));
        QVERIFY(wasUp);
        QVERIFY(!splash.isVisible());
        QCOMPARE(splash.result(), int(QDialog::Rejected));
    }

    void itsTimerCloses()
    {
        TForm_instructions splash;
        // A tick while hidden does nothing, and does not spoil the next showing.
        splash.Timer_mainTimer();
        QVERIFY(!splash.isVisible());
        bool wasUp = false;
        QVERIFY(showModally(splash, [&] {
            wasUp = splash.isVisible();
            splash.Timer_mainTimer();
        }));
        QVERIFY(wasUp);
        QVERIFY(!splash.isVisible());
        QVERIFY(splash.Timer_main->isActive());
    }

    void itsOwnTickClosesItWithinFiveSeconds()
    {
        TForm_instructions splash;
        QElapsedTimer clock;
        bool wasUp = false;
        QVERIFY(showModally(splash, [&] {
            wasUp = splash.isVisible();
            clock.start();
        }));
        QVERIFY(wasUp);
        QVERIFY2(clock.elapsed() < 6000, qPrintable(QString::number(clock.elapsed())));
    }

    void keepsThePlaceItWasFirstCentredAt()
    {
        TForm_instructions splash;
        QPoint first, second;
        QVERIFY(showModally(splash, [&] {
            first = splash.pos();
            QTest::keyClick(&splash, Qt::Key_Space);
        }));
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY(std::abs(splash.geometry().center().x() - screen.center().x()) <= 1);
        QVERIFY(std::abs(splash.geometry().center().y() - screen.center().y()) <= 1);
        QVERIFY(showModally(splash, [&] {
            second = splash.pos();
            QTest::keyClick(&splash, Qt::Key_Space);
        }));
        QCOMPARE(second, first);
    }
};

QTEST_MAIN(TestInstructions)
#include "test_instructions.moc"

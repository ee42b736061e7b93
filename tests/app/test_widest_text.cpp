// The widest of many texts, mostly estimated, against measuring every one.

#include "app/widest_text.h"
#include "ui/design_fonts.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QTest>

#include <random>

class TestWidestText : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { AddDesignFonts(); }

    void agreesWithMeasuringEveryText_data()
    {
        QTest::addColumn<QString>("family");
        QTest::addColumn<int>("pixels");
        QTest::addColumn<QString>("alphabet");
        const QString latin = QStringLiteral("AVWTYLPafiflorvwy.,-_ 0123456789");
        for (const char* family : {"Tahoma", "DejaVu Sans", "DejaVu Serif"}) {
            for (int pixels : {11, 23}) {
                QTest::addRow("%s %d kerning", family, pixels) << QString(family) << pixels << latin;
                // Texts of other scripts and with tabs are measured in full.
                QTest::addRow("%s %d mixed", family, pixels)
                    << QString(family) << pixels << latin + QString::fromUtf8("ÄéßЖЯשל\t");
            }
        }
    }

    // Many texts, among them some that tie on their estimate and some whose
    // kerning decides which is widest.
    void agreesWithMeasuringEveryText()
    {
        QFETCH(QString, family);
        QFETCH(int, pixels);
        QFETCH(QString, alphabet);
        QFont font(family);
        font.setPixelSize(pixels);
        const QFontMetrics fm(font);

        std::mt19937 random(pixels);
        QStringList texts;
        for (int i = 0; i < 1500; ++i) {
            QString text;
            const int length = 1 + int(random() % 24);
            for (int k = 0; k < length; ++k)
                text += alphabet[int(random() % alphabet.size())];
            texts << text;
        }
        for (const char* tie : {"AVAVAVAVAVAVAVAVAVAVAVAV", "AXAXAXAXAXAXAXAXAXAXAXAX", "To To To To To To To To"})
            texts << QString::fromLatin1(tie);

        WidestText widest(font, 2);
        int expected[2] = {0, 0};
        for (int i = 0; i < texts.size(); ++i) {
            const int group = i % 2;
            const QByteArray bytes = texts[i].toUtf8();
            const std::string_view pieces[2] = {std::string_view(bytes.constData(), std::size_t(bytes.size())), {}};
            if (!widest.AddAscii(group, pieces, std::uint32_t(i)))
                widest.Add(group, texts[i], std::uint32_t(i));
            expected[group] = std::max(expected[group], fm.horizontalAdvance(texts[i]));
        }
        const auto textOf = [&](std::uint32_t key) { return texts[int(key)]; };
        QCOMPARE(widest.Widest(0, textOf), expected[0]);
        QCOMPARE(widest.Widest(1, textOf, expected[1] + 3), expected[1] + 3); // a wider header wins
    }
};

QTEST_MAIN(TestWidestText)
#include "test_widest_text.moc"

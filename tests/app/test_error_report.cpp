// The standard error report: the text shown, and that an error escaping an
// event handler is reported while the program goes on.

#include "errors/error_report.h"
#include "recorded_reports.h"

#include <QTest>
#include <stdexcept>

namespace {

class Throwing : public QObject {
public:
    int events = 0;
    bool event(QEvent* e) override
    {
        if (e->type() == QEvent::User) {
            ++events;
            throw std::runtime_error("Cannot open file \"x\". No such file or directory");
        }
        return QObject::event(e);
    }
};
} // namespace

class TestErrorReport : public QObject {
    Q_OBJECT
private slots:
    void fullStopRule_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("shown");
        QTest::newRow("letter") << "Not a picture" << "Not a picture.";
        QTest::newRow("digit") << "Error 5" << "Error 5.";
        QTest::newRow("quote") << "Cannot open \"x\"" << "Cannot open \"x\"";
        QTest::newRow("full stop") << "Done." << "Done.";
        QTest::newRow("comma") << "Data Folder," << "Data Folder,";
        QTest::newRow("slash") << "a/b/" << "a/b/.";
        QTest::newRow("exclamation") << "Oops!" << "Oops!";
        QTest::newRow("non-ASCII") << "Löwe" << "Löwe.";
        QTest::newRow("empty") << "" << "";
    }

    void fullStopRule()
    {
        QFETCH(QString, message);
        QFETCH(QString, shown);
        QCOMPARE(ErrorReportText(message), shown);
    }

    void escapingErrorIsReportedAndTheLoopGoesOn()
    {
        TApplication::setErrorReporter(recordReport);
        Throwing target;
        QCoreApplication::postEvent(&target, new QEvent(QEvent::User));
        QCoreApplication::postEvent(&target, new QEvent(QEvent::User));
        QTRY_COMPARE(target.events, 2);
        QCOMPARE(g_reports.size(), 2);
        QCOMPARE(g_reports.first(), QStringLiteral("Cannot open file \"x\". No such file or directory"));
    }
};

int main(int argc, char** argv)
{
    TApplication app(argc, argv);
    TestErrorReport test;
    return QTest::qExec(&test, argc, argv);
}
#include "test_error_report.moc"

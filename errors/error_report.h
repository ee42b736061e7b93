#pragma once

#include <QApplication>
#include <QString>

// The text the error box shows for an error message: a full stop is added
// when the message's last character sorts after ".".
QString ErrorReportText(const QString& message);

// Shows the standard error report: a message box with the error icon and OK,
// captioned with the application title.
void ShowErrorReport(const QString& message);

// The application object. An exception that escapes an event handler is
// caught here, reported, and the program goes on: none crosses Qt's event loop.
class TApplication : public QApplication {
    Q_OBJECT
public:
    TApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;

    // Replaces the message box, for tests; the default shows ShowErrorReport.
    using ReportFn = void (*)(const QString& message);
    static void setErrorReporter(ReportFn fn);
};

// Runs fn and reports any exception it throws; returns false when one was reported.
template <typename Fn>
bool RunReported(Fn&& fn);

void ReportException(std::exception_ptr e);

template <typename Fn>
bool RunReported(Fn&& fn)
{
    try {
        fn();
        return true;
    } catch (...) {
        ReportException(std::current_exception());
        return false;
    }
}

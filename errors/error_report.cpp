#include "errors/error_report.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <exception>

namespace {
TApplication::ReportFn g_reporter = nullptr;
}

QString ErrorReportText(const QString& message)
{
    if (!message.isEmpty() && message.back() > QLatin1Char('.'))
        return message + QLatin1Char('.');
    return message;
}

void ShowErrorReport(const QString& message)
{
    QMessageBox box(QMessageBox::Critical, QApplication::applicationDisplayName(),
                    ErrorReportText(message), QMessageBox::Ok);
    box.exec();
}

void ReportException(std::exception_ptr e)
{
    QString message;
    try {
        std::rethrow_exception(e);
    } catch (const std::exception& ex) {
        message = QString::fromUtf8(ex.what());
    } catch (...) {
        message = QCoreApplication::translate("ErrorReport", "Unknown error");
    }
    if (g_reporter)
        g_reporter(message);
    else
        ShowErrorReport(message);
}

TApplication::TApplication(int& argc, char** argv)
    : QApplication(argc, argv)
{
}

void TApplication::setErrorReporter(ReportFn fn)
{
    g_reporter = fn;
}

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ReportException(std::current_exception());
        return true;
    }
}

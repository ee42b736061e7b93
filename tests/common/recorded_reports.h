#pragma once

#include <QString>
#include <QStringList>

// The error reports the program would have shown, kept for the test to read:
// TApplication::setErrorReporter(recordReport).
inline QStringList g_reports;
inline void recordReport(const QString& message)
{
    g_reports << message;
}

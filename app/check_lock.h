#pragma once

#include <QStringList>

class TForm_run;
struct LockReport;

// The lock self-test for the grown-up: one line per thing a locked show
// holds or cannot hold on this desktop.
QStringList LockReportLines(const LockReport& report);

// Takes the lock over an empty show window for at most two seconds, prints
// the report on standard output and returns the exit code: 0 when the
// keyboard was held, 1 when it was not.
int RunLockCheck(TForm_run& form);

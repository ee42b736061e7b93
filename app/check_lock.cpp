#include "app/check_lock.h"

#include "show/f_run.h"

#include <QTextStream>

QStringList LockReportLines(const LockReport& r)
{
    QStringList lines;
    if (r.keyboard)
        lines << QStringLiteral("keyboard: held");
    else
        lines << QStringLiteral("keyboard: NOT held: %1").arg(QString::fromStdString(r.keyboardProblem));

    switch (r.pointer) {
    case platform::PointerGrab::Grabbed:
        lines << QStringLiteral("pointer: held inside the show");
        break;
    case platform::PointerGrab::Busy:
        lines << QStringLiteral("pointer: NOT held: another program holds the pointer");
        break;
    case platform::PointerGrab::NotViewable:
        lines << QStringLiteral("pointer: NOT held: the show window never came on screen");
        break;
    case platform::PointerGrab::Failed:
        lines << QStringLiteral("pointer: NOT held: the pointer cannot be taken here");
        break;
    }

    if (r.screenSaver.empty())
        lines << QStringLiteral("screen saver: NOT held off: no screen saver service or X extension answered");
    else
        lines << QStringLiteral("screen saver: held off through %1").arg(QString::fromStdString(r.screenSaver));

    if (!r.desktopEscape.empty())
        lines << QStringLiteral("desktop's escape: %1 off for the show").arg(QString::fromStdString(r.desktopEscape));

    if (r.otherScreens == 0)
        lines << QStringLiteral("other monitors: none");
    else if (r.covered == r.otherScreens)
        lines << QStringLiteral("other monitors: %1 covered").arg(r.covered);
    else
        lines << QStringLiteral("other monitors: NOT all covered: %1 of %2").arg(r.covered).arg(r.otherScreens);
    return lines;
}

int RunLockCheck(TForm_run& form)
{
    const LockReport report = form.CheckLock(std::chrono::milliseconds(2000));
    QTextStream out(stdout);
    for (const QString& line : LockReportLines(report))
        out << line << '\n';
    out.flush();
    return report.keyboard ? 0 : 1;
}

#include "app/status_notes.h"

#include <QCoreApplication>
#include <QStatusBar>

TStatusNotes::TStatusNotes(QStatusBar* bar)
    : QLabel(bar)
{
    setObjectName(QStringLiteral("StatusBar_notes"));
    bar->addWidget(this, 1);
}

void TStatusNotes::SoundProblem(const std::string& problem)
{
    // Every slide of a show tries again; the note changes only with the reason.
    const QString note = problem.empty() ? QString()
                                         : QCoreApplication::translate("TStatusNotes", "Sounds cannot be played: %1").arg(QString::fromStdString(problem));
    if (note == sound_)
        return;
    sound_ = note;
    refresh();
}

void TStatusNotes::SlidesTooDeep(int count)
{
    scan_ = count <= 0 ? QString()
          : count == 1 ? QCoreApplication::translate("TStatusNotes", "1 picture or sound lies too deep in the data folder to be opened")
                       : QCoreApplication::translate("TStatusNotes", "%n pictures and sounds lie too deep in the data folder to be opened",
                                                   nullptr, count);
    refresh();
}

void TStatusNotes::MoreKindsLeftOut(int count)
{
    kinds_ = count <= 0 ? QString()
           : count == 1 ? QCoreApplication::translate("TStatusNotes", "1 picture or sound of another kind (such as .heic or .m4a) is left "
                                                                 "out: Options, Data turns such files on")
                        : QCoreApplication::translate("TStatusNotes", "%n pictures and sounds of other kinds (such as .heic or .m4a) are "
                                                    "left out: Options, Data turns such files on",
                                                    nullptr, count);
    refresh();
}

void TStatusNotes::UnlockedShow(const std::string& problem)
{
    lock_ = problem.empty() ? QString()
                            : QCoreApplication::translate("TStatusNotes", "The last show was not locked: %1").arg(QString::fromStdString(problem));
    refresh();
}

void TStatusNotes::refresh()
{
    QStringList notes;
    for (const QString* note : {&lock_, &scan_, &kinds_, &sound_})
        if (!note->isEmpty())
            notes << *note;
    setText(notes.join(QCoreApplication::translate("TStatusNotes", "; ")));
}

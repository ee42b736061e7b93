#include "ui/qt_dialog_state.h"

#include <QCoreApplication>
#include <QSettings>

namespace platform {

void KeepDialogStateUnwritten()
{
    // Native dialogs (GTK's, KDE's, the desktop portal's) store their state
    // out of our reach, in GSettings, kdeglobals and the like.
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    // Qt's dialogs read and write QSettings(UserScope, "QtProject") at fixed
    // moments (a file dialog's destruction, a colour dialog's end after a
    // custom colour was added) with no switch to turn that off. Below
    // "/dev/null", which is never a folder, every write fails silently and
    // every read finds nothing; unlike a temporary folder, nothing is created
    // and nothing can be left behind by a crash.
    for (const QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat})
        QSettings::setPath(format, QSettings::UserScope, QStringLiteral("/dev/null"));
}

} // namespace platform

#include "app/show_at_start.h"

#include "app/command_line.h"
#include "errors/error_report.h"
#include "settings/options.h"
#include "show/f_run.h"
#include "slides/treclist.h"

#include <QCoreApplication>
#include <stdexcept>

int RunShowAtStart(TForm_run& run, const Options& options, treclist& slides)
{
    const bool ran = RunReported([&] {
        slides.ScanFolder(options);
        // The Run command does nothing for an empty list; here nobody would
        // see that nothing happened.
        if (slides.count() == 0)
            throw std::runtime_error(
                QCoreApplication::translate("Tform_main", "There are no pictures or sounds to show in \"%1\".").arg(options.le_folder).toStdString());
        run.RunShow(slides);
    });
    return ran ? 0 : kExitFailure;
}

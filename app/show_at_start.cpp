#include "show_at_start.h"

#include "command_line.h"
#include "error_report.h"
#include "f_run.h"
#include "options.h"
#include "treclist.h"

#include <stdexcept>

int RunShowAtStart(TForm_run& run, const Options& options, treclist& slides)
{
    const bool ran = RunReported([&] {
        slides.ScanFolder(options);
        // The Run command does nothing for an empty list; here nobody would
        // see that nothing happened.
        if (slides.count() == 0)
            throw std::runtime_error(
                QStringLiteral("There are no pictures or sounds to show in \"%1\".").arg(options.le_folder).toStdString());
        run.RunShow(slides);
    });
    return ran ? 0 : kExitFailure;
}

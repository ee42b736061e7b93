// Times the main window's slide list over a 100,000-file tree of 75,000
// slides in 100 folders: a start-up's rebuild until the list is drawn in the
// real main window, against ScanFolder alone over the same tree, both with a
// warm cache; and the peak resident memory of that start-up. Each window run
// is a child process of its own, as a start-up is.
//
//   bench_list [runs, default 5]
//
// Run with QT_QPA_PLATFORM=offscreen (set here when unset).

#include "bench_tree.h"
#include "peak_of_child.h"
#include "app/f_main.h"
#include "errors/error_report.h"
#include "media/media_player.h"
#include "ui/design_fonts.h"
#include "ui/help_viewer.h"
#include "system/memory_reuse.h"
#include "media/sound_output_null.h"
#include "settings/options.h"
#include "slides/treclist.h"

#include <QAbstractItemView>
#include <QEvent>
#include <QTreeView>

#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

double Seconds(std::chrono::steady_clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Notes that a widget has painted.
class PaintWatch : public QObject {
public:
    bool painted = false;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            painted = true;
        return false;
    }
};

void IgnoreReport(const QString&)
{
    // The tree's pictures are empty files: the preview cannot decode them.
}

// A start-up's rebuild in a new process: from RefreshSlides until the list
// has been drawn with every slide in it. The window itself is made before,
// as a start-up makes it whatever the folder holds.
int WindowRun(int argc, char** argv, const Options& options, int slides, double* seconds)
{
    KeepFreedMemoryForReuse();
    TApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Bimbalo"));
    TApplication::setErrorReporter(IgnoreReport);
    AddDesignFonts();
    NullSoundOutput output;
    NullHelpViewer help;
    Tform_main window(help, std::make_unique<TMediaPlayer>(output));
    window.setOptions(&options);
    PaintWatch watch;
    window.ListView_main->viewport()->installEventFilter(&watch);

    const auto start = std::chrono::steady_clock::now();
    window.RefreshSlides();
    window.show();
    bool filled = !window.scanning();
    while (!filled || !watch.painted) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        if (!filled && !window.scanning()) {
            filled = true;
            watch.painted = false; // the list must be drawn once it holds the slides
        }
    }
    *seconds = Seconds(std::chrono::steady_clock::now() - start);
    if (window.ListView_main->model()->rowCount() != slides) {
        std::fprintf(stderr, "the list holds %d rows, not %d\n", window.ListView_main->model()->rowCount(), slides);
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const benchtree::Layout layout = benchtree::kListLayout;

    std::string pattern = (std::filesystem::temp_directory_path() / "bimbalo-bench-list-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string root = pattern;
    std::printf("building %d files in %d folders under %s\n", benchtree::kFolders * benchtree::kFilesPerFolder,
                benchtree::kFolders, root.c_str());
    benchtree::MakeTree(root, layout);

    // The settings a new user has, but for the folder and the order: listing
    // order, as in the scan benchmark.
    Options options;
    options.le_folder = QString::fromStdString(root);
    options.rg_order = soUnsorted;

    int slides = 0;
    const auto scanOnce = [&] {
        treclist list;
        const auto start = std::chrono::steady_clock::now();
        list.ScanFolder(options);
        const double elapsed = Seconds(std::chrono::steady_clock::now() - start);
        slides = list.count();
        return elapsed;
    };
    scanOnce(); // warms the cache
    if (slides != layout.slides()) {
        std::fprintf(stderr, "the tree gives %d slides, not %d\n", slides, layout.slides());
        return 1;
    }

    // The window's time comes back through a page shared with the children.
    auto* shared = static_cast<double*>(mmap(nullptr, sizeof(double), PROT_READ | PROT_WRITE,
                                             MAP_SHARED | MAP_ANONYMOUS, -1, 0));
    if (shared == MAP_FAILED) {
        std::perror("mmap");
        return 1;
    }
    std::vector<double> scan, window;
    double peak = 0;
    for (int i = 0; i < runs; ++i) {
        scan.push_back(scanOnce());
        const double mb = PeakOfChild([&] { return WindowRun(argc, argv, options, slides, shared); });
        if (mb < 0) {
            std::fprintf(stderr, "the window run failed\n");
            return 1;
        }
        window.push_back(*shared);
        peak = std::max(peak, mb);
    }
    const double scanPeak = PeakOfChild([&] {
        KeepFreedMemoryForReuse();
        treclist list;
        list.ScanFolder(options);
        return list.count() == slides ? 0 : 1;
    });

    const double scan_s = Median(scan);
    const double window_s = Median(window);
    const double ratio = window_s / scan_s;
    std::printf("slides: %d\n", slides);
    std::printf("ScanFolder alone:             %7.1f ms (median of %d, best %.1f ms)\n", scan_s * 1e3, runs,
                *std::min_element(scan.begin(), scan.end()) * 1e3);
    std::printf("scan and list drawn, window:  %7.1f ms (median of %d, best %.1f ms)\n", window_s * 1e3, runs,
                *std::min_element(window.begin(), window.end()) * 1e3);
    std::printf("peak resident, ScanFolder alone in a process: %.0f MB\n", scanPeak);
    std::printf("goal: list ready within 2x ScanFolder: %s; at most 80 MB resident: %s\n",
                ratio <= 2.0 ? "met" : "MISSED", peak <= 80 ? "met" : "MISSED");
    std::printf("ratio %.2f\n", ratio);
    std::printf("peak resident %.0f MB\n", peak);

    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
    return 0;
}

// Times a slide list rebuild over a 100,000-file tree against `find` over
// the same tree, both with a warm cache, and prints the ratio scan / find.
//
//   bench_scan [runs]
#include "bench_tree.h"
#include "settings/options.h"
#include "slides/treclist.h"

#include <spawn.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

namespace {

double Seconds(std::chrono::steady_clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

double TimeFind(const std::string& root)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv{const_cast<char*>("find"), const_cast<char*>(root.c_str()), nullptr};
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawnp(&pid, "find", &actions, nullptr, argv.data(), environ) != 0) {
        std::fprintf(stderr, "cannot run find\n");
        std::exit(1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    posix_spawn_file_actions_destroy(&actions);
    return Seconds(elapsed);
}

double TimeScan(const Options& options, int& slides)
{
    treclist list;
    const auto start = std::chrono::steady_clock::now();
    list.ScanFolder(options);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    slides = list.count();
    return Seconds(elapsed);
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;

    std::string pattern = (std::filesystem::temp_directory_path() / "bimbalo-bench-scan-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string root = pattern;
    std::printf("building %d files in %d folders under %s\n", benchtree::kFolders * benchtree::kFilesPerFolder, benchtree::kFolders, root.c_str());
    benchtree::MakeTree(root);

    Options options;
    options.le_folder = QString::fromStdString(root);
    options.cb_subfolders = true;
    options.rg_order = soUnsorted;

    // Warm the cache for both.
    int slides = 0;
    TimeFind(root);
    TimeScan(options, slides);

    std::vector<double> scan, find;
    for (int i = 0; i < runs; ++i) {
        find.push_back(TimeFind(root));
        scan.push_back(TimeScan(options, slides));
    }

    const double scan_s = Median(scan);
    const double find_s = Median(find);
    std::printf("slides: %d\n", slides);
    std::printf("ScanFolder: %.1f ms (median of %d, best %.1f ms)\n", scan_s * 1e3, runs,
                *std::min_element(scan.begin(), scan.end()) * 1e3);
    std::printf("find:       %.1f ms (median of %d, best %.1f ms)\n", find_s * 1e3, runs,
                *std::min_element(find.begin(), find.end()) * 1e3);
    std::printf("ratio scan/find: %.2f\n", scan_s / find_s);

    // For information: the other two orders over the same tree.
    for (int order : {1, 2}) {
        options.rg_order = order;
        std::vector<double> times;
        for (int i = 0; i < runs; ++i)
            times.push_back(TimeScan(options, slides));
        std::printf("ScanFolder, %s order: %.1f ms (median)\n", order == 1 ? "alphabetical" : "random",
                    Median(times) * 1e3);
    }

    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
    return 0;
}

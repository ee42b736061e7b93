// The slide list built from real folders.
#include "deep_tree.h"
#include "temp_tree.h"
#include "settings/byte_text.h"
#include "settings/options.h"
#include "slides/treclist.h"
#include "slides/u_utils.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

Options OptionsFor(const std::string& folder, bool subfolders, int captions, int order)
{
    Options options;
    options.le_folder = QString::fromUtf8(folder.data(), static_cast<qsizetype>(folder.size()));
    options.cb_subfolders = subfolders;
    options.rg_captions_case = captions;
    options.rg_order = order;
    return options;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return in ? std::string(std::istreambuf_iterator<char>(in), {}) : std::string("<cannot open>");
}

// "caption|picture|sound" with paths shown relative to the tree's lower-cased root.
std::vector<std::string> Describe(const treclist& list, const TempTree& tree)
{
    const std::string prefix = AsciiLower(tree.root()) + "/";
    const auto relative = [&](const std::string& path) {
        return path.rfind(prefix, 0) == 0 ? path.substr(prefix.size()) : "<outside>" + path;
    };
    std::vector<std::string> out;
    for (int i = 0; i < list.count(); ++i) {
        const trec& s = list.at(i);
        out.push_back(s.name + "|" + (s.image_filename.empty() ? "" : relative(s.image_filename)) + "|" +
                      (s.sound_filename.empty() ? "" : relative(s.sound_filename)));
    }
    return out;
}

// What must hold for every slide of every rebuild.
void ExpectSlidesAreSound(const treclist& list)
{
    for (int i = 0; i < list.count(); ++i) {
        const trec& s = list.at(i);
        EXPECT_FALSE(s.image_filename.empty() && s.sound_filename.empty());
        EXPECT_EQ(s.image_filename, AsciiLower(s.image_filename));
        EXPECT_EQ(s.sound_filename, AsciiLower(s.sound_filename));
        EXPECT_EQ(AsciiLower(s.image_disk_path), s.image_filename);
        EXPECT_EQ(AsciiLower(s.sound_disk_path), s.sound_filename);
        // The disk path opens the file, whatever the case of its name.
        for (const std::string* path : {&s.image_disk_path, &s.sound_disk_path}) {
            if (!path->empty()) {
                EXPECT_TRUE(std::ifstream(*path).good()) << *path;
            }
        }
    }
}

struct ScanRow {
    const char* label;
    std::vector<std::string> files;
    bool subfolders;
    int captions;
    int order;                         // only sorted rows compare in order
    std::vector<std::string> expected; // caption|picture|sound
};

void PrintTo(const ScanRow& row, std::ostream* os)
{
    *os << row.label;
}

class ScanFolderTest : public ::testing::TestWithParam<ScanRow> {};

TEST_P(ScanFolderTest, BuildsTheExpectedSlides)
{
    const ScanRow& row = GetParam();
    TempTree tree;
    for (const auto& file : row.files)
        tree.add(file);
    treclist list;
    list.ScanFolder(OptionsFor(tree.root(), row.subfolders, row.captions, row.order));

    std::vector<std::string> got = Describe(list, tree);
    std::vector<std::string> expected = row.expected;
    if (row.order != soAlphabetical) {
        std::sort(got.begin(), got.end());
        std::sort(expected.begin(), expected.end());
    }
    EXPECT_EQ(got, expected);
    ExpectSlidesAreSound(list);
}

INSTANTIATE_TEST_SUITE_P(
    Folders, ScanFolderTest,
    ::testing::Values(
        ScanRow{"PairIgnoresCase", {"Cat.JPG", "cat.wav"}, true, ccUnchanged, soUnsorted, {"cat|cat.jpg|cat.wav"}},
        ScanRow{"PairUppercase", {"Cat.JPG", "cat.wav"}, true, ccUppercase, soUnsorted, {"CAT|cat.jpg|cat.wav"}},
        ScanRow{"FoldersLowerCased", {"Data/Sub/Pic.PNG", "Data/Sub/Pic.Mp3"}, true, ccUnchanged, soUnsorted,
                {"pic|data/sub/pic.png|data/sub/pic.mp3"}},
        ScanRow{"PairAcrossFolders", {"x/dog.wav", "y/dog.bmp"}, true, ccUnchanged, soUnsorted,
                {"dog|y/dog.bmp|x/dog.wav"}},
        ScanRow{"SubfoldersExcluded", {"x/dog.wav", "y/dog.bmp", "top.png"}, false, ccUnchanged, soUnsorted,
                {"top|top.png|"}},
        ScanRow{"DeepSubfolders", {"a/b/c/d/e/deep.wav"}, true, ccUnchanged, soUnsorted,
                {"deep||a/b/c/d/e/deep.wav"}},
        ScanRow{"FolderNamedLikeAPicture", {"z.jpg/", "y.png/inner.PNG"}, true, ccUnchanged, soUnsorted,
                {"inner|y.png/inner.png|"}},
        ScanRow{"FolderNamedLikeAPictureNoSubfolders", {"z.jpg/", "y.png/inner.png"}, false, ccUnchanged,
                soUnsorted, {}},
        ScanRow{"OtherKindsIgnored",
                {"a.jpeg", "b.gif", "c.wma", "d.txt", "e", "f.JPEG", "g.Mp3", "h.jpg.txt", "i.wav.", "j.bmpx"},
                true, ccUnchanged, soUnsorted, {"g||g.mp3"}},
        ScanRow{"LastDotSplits", {"archive.tar.wav", ".jpg", "tiger.cub.BMP"}, true, ccUppercase, soUnsorted,
                {"ARCHIVE.TAR||archive.tar.wav", "|.jpg|", "TIGER.CUB|tiger.cub.bmp|"}},
        ScanRow{"HiddenFiles", {".hidden.png", ".config/x.wav"}, true, ccUnchanged, soUnsorted,
                {".hidden|.hidden.png|", "x||.config/x.wav"}},
        ScanRow{"NonAsciiCaseNotPaired", {"\xC3\x84.jpg", "\xC3\xA4.wav"}, true, ccUnchanged, soUnsorted,
                {"\xC3\x84|\xC3\x84.jpg|", "\xC3\xA4||\xC3\xA4.wav"}},
        ScanRow{"NonAsciiCaseUppercase", {"\xC3\x84.jpg", "\xC3\xA4.wav"}, true, ccUppercase, soUnsorted,
                {"\xC3\x84|\xC3\x84.jpg|", "\xC3\x84||\xC3\xA4.wav"}},
        ScanRow{"SortedUnchanged", {"dog.jpg", "cat2.jpg", "cat.wav", "9.png", "10.mp3", "_x.bmp", "Zed.jpg"},
                true, ccUnchanged, soAlphabetical,
                {"10||10.mp3", "9|9.png|", "_x|_x.bmp|", "cat||cat.wav", "cat2|cat2.jpg|", "dog|dog.jpg|",
                 "zed|zed.jpg|"}},
        ScanRow{"SortedUppercase", {"dog.jpg", "cat2.jpg", "cat.wav", "9.png", "10.mp3", "_x.bmp"}, true,
                ccUppercase, soAlphabetical,
                {"10||10.mp3", "9|9.png|", "CAT||cat.wav", "CAT2|cat2.jpg|", "DOG|dog.jpg|", "_X|_x.bmp|"}},
        ScanRow{"SortedLowercase", {"dog.jpg", "cat.wav", "_x.bmp"}, true, ccLowercase, soAlphabetical,
                {"_x|_x.bmp|", "cat||cat.wav", "dog|dog.jpg|"}},
        ScanRow{"UnknownSettingsActAsDefaults", {"B.jpg", "a.wav"}, true, 9, 9, {"b|b.jpg|", "a||a.wav"}}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(ScanFolderTest, NonAsciiCaseCaptionsAgreeUnderUppercase)
{
    // Ä.jpg and ä.wav stay two slides that read the same caption; which one
    // sorts first is the quicksort's business, so only the pair is checked.
    TempTree tree;
    tree.add("\xC3\x84.jpg");
    tree.add("\xC3\xA4.wav");
    treclist list;
    list.ScanFolder(OptionsFor(tree.root(), true, ccUppercase, soAlphabetical));
    ASSERT_EQ(list.count(), 2);
    EXPECT_EQ(list.at(0).name, "\xC3\x84");
    EXPECT_EQ(list.at(1).name, "\xC3\x84");
    EXPECT_NE(list.at(0).image_filename.empty(), list.at(1).image_filename.empty());
}

TEST(ScanFolderTest, NothingToListGivesAnEmptyList)
{
    TempTree tree;
    tree.add("cat.jpg");
    treclist list;
    list.ScanFolder(OptionsFor(tree.root(), true, ccUnchanged, soUnsorted));
    ASSERT_EQ(list.count(), 1);

    for (const std::string& folder : {std::string(), tree.path("missing"), tree.path("cat.jpg")}) {
        list.ScanFolder(OptionsFor(folder, true, ccUnchanged, soUnsorted));
        EXPECT_EQ(list.count(), 0) << "folder '" << folder << "'";
    }
}

TEST(ScanFolderTest, TrailingSeparatorAndRelativeFolder)
{
    TempTree tree;
    tree.add("Pics/cat.jpg");
    treclist list;
    list.ScanFolder(OptionsFor(tree.path("Pics/"), true, ccUnchanged, soUnsorted));
    ASSERT_EQ(list.count(), 1);
    EXPECT_EQ(list.at(0).image_filename, AsciiLower(tree.path("pics/cat.jpg")));

    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(tree.root());
    list.ScanFolder(OptionsFor("./Pics", true, ccUnchanged, soUnsorted));
    std::filesystem::current_path(previous);
    ASSERT_EQ(list.count(), 1);
    EXPECT_EQ(list.at(0).image_filename, "./pics/cat.jpg");
    EXPECT_EQ(list.at(0).image_disk_path, "./Pics/cat.jpg");
}

TEST(ScanFolderTest, CaseSensitiveNamesStillOpen)
{
    TempTree tree;
    tree.add("Zoo/Cat.JPG");
    tree.add("Zoo/CAT.wav");
    treclist list;
    list.ScanFolder(OptionsFor(tree.path("Zoo"), true, ccUnchanged, soUnsorted));
    ASSERT_EQ(list.count(), 1);
    const trec& slide = list.at(0);
    EXPECT_EQ(slide.name, "cat");
    EXPECT_EQ(slide.image_filename, AsciiLower(tree.path("zoo/cat.jpg")));
    EXPECT_EQ(slide.sound_filename, AsciiLower(tree.path("zoo/cat.wav")));
    EXPECT_EQ(ReadFile(slide.image_disk_path), "Zoo/Cat.JPG");
    EXPECT_EQ(ReadFile(slide.sound_disk_path), "Zoo/CAT.wav");
}

TEST(ScanFolderTest, SameNameTwiceKeepsTheLastListed)
{
    TempTree tree;
    for (const char* f : {"a.jpg", "a.png", "A.bmp", "s/a.wav", "a.mp3"})
        tree.add(f);
    std::vector<std::string> listing;
    FindFiles(listing, tree.root(), "*.*", true);
    std::string last_picture, last_sound;
    for (const auto& path : listing) {
        const std::string ext = path.substr(path.size() - 4);
        (ext == ".wav" || ext == ".mp3" ? last_sound : last_picture) = path;
    }
    treclist list;
    list.ScanFolder(OptionsFor(tree.root(), true, ccUnchanged, soUnsorted));
    ASSERT_EQ(list.count(), 1);
    EXPECT_EQ(list.at(0).image_filename, last_picture);
    EXPECT_EQ(list.at(0).sound_filename, last_sound);
    ExpectSlidesAreSound(list);
}

// The kinds phones and the web make: left out and counted with the setting
// off, taken with it on and paired by base name like the others.
TEST(ScanFolderTest, MoreKindsOnlyWithTheSetting)
{
    TempTree tree;
    for (const char* f : {"photo.HEIC", "photo.m4a", "cat.jpeg", "cat.wav", "web.webp", "anim.gif", "x.jpe",
                          "y.jfif", "z.avif", "h.heif", "a.ogg", "b.oga", "c.opus", "d.flac", "e.aac", "dog.jpg",
                          "notes.txt", "f.wma"})
        tree.add(f);
    Options options = OptionsFor(tree.root(), true, ccUnchanged, soAlphabetical);
    treclist list;
    list.ScanFolder(options);
    EXPECT_EQ(Describe(list, tree), (std::vector<std::string>{"cat||cat.wav", "dog|dog.jpg|"}));
    EXPECT_EQ(list.more_kinds_left_out, 14);

    options.cb_more_kinds = true;
    list.ScanFolder(options);
    EXPECT_EQ(Describe(list, tree),
              (std::vector<std::string>{"a||a.ogg", "anim|anim.gif|", "b||b.oga", "c||c.opus", "cat|cat.jpeg|cat.wav",
                                        "d||d.flac", "dog|dog.jpg|", "e||e.aac", "h|h.heif|", "photo|photo.heic|photo.m4a",
                                        "web|web.webp|", "x|x.jpe|", "y|y.jfif|", "z|z.avif|"}));
    EXPECT_EQ(list.more_kinds_left_out, 0);
    ExpectSlidesAreSound(list);
}

// Among pictures of one name the last listed wins, whatever their kinds.
TEST(ScanFolderTest, MoreKindsPairUnderTheSameRule)
{
    TempTree tree;
    for (const char* f : {"a.jpg", "a.webp", "a.heic", "s/a.opus", "a.wav"})
        tree.add(f);
    std::vector<std::string> listing;
    FindFiles(listing, tree.root(), "*.*", true);
    std::string last_picture, last_sound;
    for (const auto& path : listing) {
        const std::string ext = path.substr(path.rfind('.'));
        (ext == ".wav" || ext == ".opus" ? last_sound : last_picture) = path;
    }
    Options options = OptionsFor(tree.root(), true, ccUnchanged, soUnsorted);
    options.cb_more_kinds = true;
    treclist list;
    list.ScanFolder(options);
    ASSERT_EQ(list.count(), 1);
    EXPECT_EQ(list.at(0).image_filename, last_picture);
    EXPECT_EQ(list.at(0).sound_filename, last_sound);
}

TEST(ScanFolderTest, UnsortedFollowsTheEnumerationDepthFirst)
{
    TempTree tree;
    for (const char* f : {"b.jpg", "m/b.wav", "m/n/c.png", "a.wav", "m/a.jpg", "z/y/x.mp3", "c.mp3", "d.txt",
                          "m/e.bmp", "e.wav", "q/r/", "f.png"})
        tree.add(f);

    // The oracle: a depth-first walk through the standard library, which
    // reads each folder in the same enumeration order.
    std::vector<std::string> expected;
    std::set<std::string> seen;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(tree.root())) {
        if (!entry.is_regular_file())
            continue;
        const std::string name = entry.path().stem().string();
        const std::string ext = entry.path().extension().string();
        if (ext == ".txt" || !seen.insert(name).second)
            continue;
        expected.push_back(name);
    }

    treclist list;
    list.ScanFolder(OptionsFor(tree.root(), true, ccUnchanged, soUnsorted));
    std::vector<std::string> got;
    for (int i = 0; i < list.count(); ++i)
        got.push_back(list.at(i).name);
    EXPECT_EQ(got, expected);
}

TEST(ScanFolderTest, RandomOrderReseedsEachRebuild)
{
    TempTree tree;
    for (int i = 0; i < 30; ++i)
        tree.add("s" + std::to_string(i) + ".jpg");
    treclist list;
    std::set<std::vector<std::string>> orders;
    std::vector<std::string> first_sorted;
    for (int rebuild = 0; rebuild < 4; ++rebuild) {
        list.ScanFolder(OptionsFor(tree.root(), true, ccUnchanged, soRandom));
        std::vector<std::string> names;
        for (int i = 0; i < list.count(); ++i)
            names.push_back(list.at(i).name);
        orders.insert(names);
        std::sort(names.begin(), names.end());
        if (rebuild == 0)
            first_sorted = names;
        EXPECT_EQ(names, first_sorted);
    }
    EXPECT_GT(orders.size(), 1u);

    TempTree single;
    single.add("only.wav");
    list.ScanFolder(OptionsFor(single.root(), true, ccUppercase, soRandom));
    ASSERT_EQ(list.count(), 1);
    EXPECT_EQ(list.at(0).name, "ONLY");
}

TEST(ScanFolderTest, SymbolicLinksDoNotLoop)
{
    TempTree tree;
    TempTree outside;
    tree.add("a/one.jpg");
    outside.add("far.png");
    namespace fs = std::filesystem;
    fs::create_directory_symlink("..", tree.path("a/up"));           // back to the root
    fs::create_directory_symlink(tree.path("a"), tree.path("again")); // the same folder twice
    fs::create_directory_symlink(outside.root(), tree.path("Away"));
    fs::create_symlink(tree.path("a/one.jpg"), tree.path("link.wav"));
    fs::create_directory_symlink(tree.path("a"), tree.path("l.png")); // a folder, whatever its name

    std::vector<std::string> listing;
    FindFiles(listing, tree.root(), "*.*", true);
    std::sort(listing.begin(), listing.end());
    const std::string root = AsciiLower(tree.root()) + "/";
    ASSERT_EQ(listing.size(), 3u);
    EXPECT_EQ(listing[1], root + "away/far.png");
    EXPECT_EQ(listing[2], root + "link.wav");
    // one.jpg is listed once, through whichever path met it first.
    EXPECT_NE(listing[0].find("one.jpg"), std::string::npos);

    treclist list;
    list.ScanFolder(OptionsFor(tree.root(), true, ccUnchanged, soUnsorted));
    EXPECT_EQ(list.count(), 3);
    ExpectSlidesAreSound(list);
}

// A link that names nothing is no file: no slide of its own, and no picture
// or sound for a slide of the same name.
TEST(ScanFolderTest, DanglingLinksAreNotFiles)
{
    TempTree tree;
    tree.add("cat.wav");
    tree.add("sub/real.png");
    namespace fs = std::filesystem;
    fs::create_symlink(tree.path("gone.jpg"), tree.path("cat.jpg"));    // would pair with cat.wav
    fs::create_symlink("nowhere/dog.png", tree.path("dog.png"));         // relative, missing
    fs::create_symlink(tree.path("loop.bmp"), tree.path("loop.bmp"));    // leads to itself
    fs::create_symlink(tree.path("gone"), tree.path("folder.wav"));      // a missing folder
    fs::create_symlink(tree.path("sub/real.png"), tree.path("fine.png")); // a link that works
    fs::create_symlink("real.png", tree.path("sub/again.mp3"));

    std::vector<std::string> listing;
    FindFiles(listing, tree.root(), "*.*", true);
    std::sort(listing.begin(), listing.end());
    const std::string root = AsciiLower(tree.root()) + "/";
    EXPECT_EQ(listing, (std::vector<std::string>{root + "cat.wav", root + "fine.png", root + "sub/again.mp3",
                                                 root + "sub/real.png"}));

    treclist list;
    list.ScanFolder(OptionsFor(tree.root(), true, ccUnchanged, soAlphabetical));
    EXPECT_EQ(Describe(list, tree), (std::vector<std::string>{"again||sub/again.mp3", "cat||cat.wav",
                                                              "fine|fine.png|", "real|sub/real.png|"}));
    ExpectSlidesAreSound(list);
}

// Stopping a rebuild stops its walk where it stands, and leaves no slides.
TEST(ScanFolderTest, StopsWhenCancelled)
{
    TempTree tree;
    for (const char* file : {"a/one.png", "b/two.png", "c/three.png", "d/four.png"})
        tree.add(file);
    std::atomic<bool> cancel{false};
    std::vector<std::pair<int, int>> seen;
    ScanHooks hooks;
    hooks.cancel = &cancel;
    hooks.progress = [&](int folders, int files) {
        seen.emplace_back(folders, files);
        if (folders == 2)
            cancel = true;
    };
    treclist list;
    EXPECT_FALSE(list.ScanFolder(OptionsFor(tree.root(), true, ccUnchanged, soUnsorted), hooks));
    EXPECT_EQ(list.count(), 0);
    // The root, then one subfolder with its file; no folder after that.
    EXPECT_EQ(seen, (std::vector<std::pair<int, int>>{{1, 0}, {2, 1}}));

    cancel = false;
    seen.clear();
    hooks.progress = [&](int folders, int files) { seen.emplace_back(folders, files); };
    EXPECT_TRUE(list.ScanFolder(OptionsFor(tree.root(), true, ccUnchanged, soUnsorted), hooks));
    EXPECT_EQ(list.count(), 4);
    EXPECT_EQ(seen.back(), std::make_pair(5, 4));
}

TEST(ScanFolderTest, NonUtf8NamesKeepTheirBytesAndOpen)
{
    TempTree tree;
    tree.add("Caf\xE9.JPG"); // Latin-1, not UTF-8
    tree.add("caf\xE9.wav");
    tree.add("\xFF\xFE.png");
    treclist list;
    list.ScanFolder(OptionsFor(tree.root(), true, ccUppercase, soAlphabetical));
    ASSERT_EQ(list.count(), 2);
    EXPECT_EQ(list.at(0).name, "CAF\xE9");
    EXPECT_EQ(list.at(0).image_filename, AsciiLower(tree.root()) + "/caf\xE9.jpg");
    EXPECT_EQ(ReadFile(list.at(0).image_disk_path), "Caf\xE9.JPG");
    EXPECT_EQ(ReadFile(list.at(0).sound_disk_path), "caf\xE9.wav");
    EXPECT_EQ(list.at(1).name, "\xFF\xFE");
    EXPECT_EQ(ReadFile(list.at(1).image_disk_path), "\xFF\xFE.png");
}

TEST(ScanFolderTest, FolderNamedInBytesThatAreNotUtf8)
{
    TempTree tree;
    tree.add("caf\xE9 \xFF\xFE/Lion.png");
    tree.add("caf\xE9 \xFF\xFE/lion.wav");
    Options options = OptionsFor(tree.root(), false, ccUnchanged, soUnsorted);
    options.le_folder = BytesToText(tree.path("caf\xE9 \xFF\xFE"));
    treclist list;
    list.ScanFolder(options);
    ASSERT_EQ(list.count(), 1);
    EXPECT_EQ(ReadFile(list.at(0).image_disk_path), "caf\xE9 \xFF\xFE/Lion.png");
    EXPECT_EQ(ReadFile(list.at(0).sound_disk_path), "caf\xE9 \xFF\xFE/lion.wav");
}

// Scans as an unprivileged user when run as root, who could read the folder anyway.
std::vector<std::string> ScanWithoutPrivileges(const std::string& folder)
{
    if (geteuid() != 0) {
        treclist list;
        list.ScanFolder(OptionsFor(folder, true, ccUnchanged, soAlphabetical));
        std::vector<std::string> names;
        for (int i = 0; i < list.count(); ++i)
            names.push_back(list.at(i).name);
        return names;
    }
    int fds[2];
    if (pipe(fds) != 0)
        return {"<pipe failed>"};
    const pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        if (setgid(65534) != 0 || setuid(65534) != 0)
            _exit(2);
        treclist list;
        list.ScanFolder(OptionsFor(folder, true, ccUnchanged, soAlphabetical));
        std::string out;
        for (int i = 0; i < list.count(); ++i)
            out += list.at(i).name + "\n";
        const bool written = write(fds[1], out.data(), out.size()) == static_cast<ssize_t>(out.size());
        _exit(written ? 0 : 3);
    }
    close(fds[1]);
    std::string text;
    char buffer[256];
    for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<std::size_t>(n));
    close(fds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return {"<child failed>"};
    std::vector<std::string> names;
    for (std::size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        names.push_back(text.substr(start, end - start));
    return names;
}

TEST(ScanFolderTest, UnreadableSubfolderContributesNothing)
{
    TempTree tree;
    tree.add("a.jpg");
    tree.add("locked/b.jpg");
    tree.add("open/c.wav");
    namespace fs = std::filesystem;
    // The unprivileged scanner needs to reach the tree.
    fs::permissions(tree.root(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                     fs::perms::others_read | fs::perms::others_exec);
    fs::permissions(tree.path("locked"), fs::perms::none);
    const auto names = ScanWithoutPrivileges(tree.root());
    fs::permissions(tree.path("locked"), fs::perms::owner_all);
    EXPECT_EQ(names, (std::vector<std::string>{"a", "c"}));
}

// Below the path length limit nothing can be opened by its path: such files
// are counted for the user instead of being left out without a word, and the
// slides are those that can be opened, as before.
TEST(ScanFolderTest, FilesTooDeepToOpenAreCountedNotListed)
{
    TempTree tree;
    tree.add("top.jpg");
    const std::string step = "Level-0123456789";
    const int levels = int(deeptree::kPathLimit / (step.size() + 1)) + 3;
    deeptree::DeepChain chain(tree.path("deep"), step, levels);
    ASSERT_TRUE(chain.ok());
    int last_fitting = 0;
    while (chain.PathLength(last_fitting + 1, "mid.png") < deeptree::kPathLimit)
        ++last_fitting;
    ASSERT_GT(last_fitting, 100);
    ASSERT_TRUE(chain.Add(last_fitting, "mid.png"));
    // The first folder whose own path is longer than the limit.
    int past = last_fitting;
    while (chain.PathLength(past, "") < deeptree::kPathLimit)
        ++past;
    ASSERT_LT(past, levels);
    for (const char* name : {"first.jpg", "first.wav", "notes.txt", "Sub/"})
        ASSERT_TRUE(chain.Add(past, name));
    ASSERT_TRUE(chain.Add(past, "Sub/song.MP3"));
    ASSERT_TRUE(chain.Add(levels, "bottom.png"));

    treclist list;
    list.ScanFolder(OptionsFor(tree.root(), true, ccUnchanged, soAlphabetical));
    std::vector<std::string> names;
    for (int i = 0; i < list.count(); ++i)
        names.push_back(list.at(i).name);
    EXPECT_EQ(names, (std::vector<std::string>{"mid", "top"}));
    ExpectSlidesAreSound(list);
    EXPECT_EQ(list.too_deep, 4) << "first.jpg, first.wav, song.mp3 and bottom.png";

    list.ScanFolder(OptionsFor(tree.root(), false, ccUnchanged, soAlphabetical));
    EXPECT_EQ(list.count(), 1);
    EXPECT_EQ(list.too_deep, 0);

    TempTree shallow;
    shallow.add("a/b.jpg");
    list.ScanFolder(OptionsFor(shallow.root(), true, ccUnchanged, soAlphabetical));
    EXPECT_EQ(list.count(), 1);
    EXPECT_EQ(list.too_deep, 0);
}

// ---- Listing and splitting ------------------------------------------------

TEST(FindFiles, MaskAppliesToFilesAndFolders)
{
    TempTree tree;
    for (const char* f : {"A.JPG", "b.png", "sub/c.jpg", "x.jpg/d.jpg", "x.jpg/e.png"})
        tree.add(f);
    std::vector<std::string> listing;
    FindFiles(listing, tree.root(), "*.jpg", true);
    std::sort(listing.begin(), listing.end());
    const std::string root = AsciiLower(tree.root()) + "/";
    EXPECT_EQ(listing, (std::vector<std::string>{root + "a.jpg", root + "x.jpg/d.jpg"}));

    std::vector<std::string> appended{"kept"};
    FindFiles(appended, tree.root(), "*.*", false);
    EXPECT_EQ(appended.size(), 3u);
    EXPECT_EQ(appended.front(), "kept");
}

struct MaskRow {
    std::string mask, name;
    bool matches;
};

class MaskTest : public ::testing::TestWithParam<MaskRow> {};

TEST_P(MaskTest, Matches)
{
    EXPECT_EQ(MaskMatches(GetParam().mask, GetParam().name), GetParam().matches);
}

INSTANTIATE_TEST_SUITE_P(Wildcards, MaskTest,
                         ::testing::Values(MaskRow{"*.*", "noext", true}, MaskRow{"*", ".hidden", true},
                                           MaskRow{"*.jpg", "A.JPG", true}, MaskRow{"*.jpg", "a.jpg.txt", false},
                                           MaskRow{"a?c", "abc", true}, MaskRow{"a?c", "ac", false},
                                           MaskRow{"*a*b*", "xxaxxbxx", true}, MaskRow{"*a*b", "ba", false},
                                           MaskRow{"", "", true}, MaskRow{"", "a", false}));

struct SplitRow {
    std::string path;
    std::string folder, base, extension; // "@" stands for the current folder
};

class SplitFileNameTest : public ::testing::TestWithParam<SplitRow> {};

TEST_P(SplitFileNameTest, Splits)
{
    const auto& row = GetParam();
    std::string cwd = std::filesystem::current_path().string();
    if (cwd.back() != '/')
        cwd += '/';
    const auto expand = [&](std::string text) {
        if (!text.empty() && text[0] == '@')
            text = cwd + text.substr(1);
        return text;
    };
    const SplitName split = SplitFileName(row.path);
    EXPECT_EQ(split.folder, expand(row.folder));
    EXPECT_EQ(split.base, row.base);
    EXPECT_EQ(split.extension, row.extension);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, SplitFileNameTest,
    ::testing::Values(SplitRow{"/a/b/tiger.cub.jpg", "/a/b/", "tiger.cub", ".jpg"},
                      SplitRow{"/a/.jpg", "/a/", "", ".jpg"}, SplitRow{"/a.d/file", "/a.d/", "file", ""},
                      SplitRow{"/a/./b/../c.WAV", "/a/", "c", ".WAV"}, SplitRow{"/a//c.png", "/a/", "c", ".png"},
                      SplitRow{"/a/b/", "/a/b/", "", ""}, SplitRow{"/x/dots.", "/x/", "dots", "."},
                      SplitRow{"rel/c:d.mp3", "@rel/", "c:d", ".mp3"}, SplitRow{"e.bmp", "@", "e", ".bmp"},
                      SplitRow{"a\\b.jpg", "@", "a\\b", ".jpg"}, SplitRow{"", "", "", ""}));

TEST(SplitFileName, ListedPathsSplitAsTheFastPathDoes)
{
    for (const std::string path : {"/t/a.b.c", "/t/.jpg", "/t/x", "/t/x.", "/t.d/x", "rel/dir/y.wav", "./z.png"}) {
        const SplitName full = SplitFileName(path);
        const auto [base, extension] = SplitBaseAndExtension(path);
        EXPECT_EQ(full.base, base) << path;
        EXPECT_EQ(full.extension, extension) << path;
    }
}

} // namespace

#include "pipe_swap.h"
#include "unprivileged.h"
#include "settings/ini_file.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// ---------------------------------------------------------------- reading rules

struct ReadCase {
    const char* label;
    const char* file;
    const char* section;
    const char* key;
    const char* expected; // nullptr: no such entry
};

class IniReadTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(IniReadTest, FindsTheEntry)
{
    const ReadCase& c = GetParam();
    IniFile ini;
    ini.setText(QByteArray(c.file));
    const QString missing = QStringLiteral("<missing>");
    const QString got = ini.readString(QString::fromUtf8(c.section), QString::fromUtf8(c.key), missing);
    EXPECT_EQ(got, c.expected ? QString::fromUtf8(c.expected) : missing);
}

INSTANTIATE_TEST_SUITE_P(Rules, IniReadTest, ::testing::Values(
    ReadCase{"plain", "[options]\r\nle_folder=/a\r\n\r\n", "options", "le_folder", "/a"},
    ReadCase{"key_case", "[options]\r\nLE_FOLDER=/a\r\n", "options", "le_folder", "/a"},
    ReadCase{"section_case", "[OPTIONS]\r\nle_folder=/a\r\n", "Options", "le_folder", "/a"},
    ReadCase{"later_key_counts", "[o]\nk=1\nK=2\n", "o", "k", "2"},
    ReadCase{"later_section_counts", "[o]\nk=1\n[x]\n[O]\nj=2\n", "o", "k", nullptr},
    ReadCase{"later_section_has_it", "[o]\nk=1\n[x]\n[O]\nj=2\n", "o", "j", "2"},
    ReadCase{"lone_cr", "[o]\rk=1\rj=2", "o", "j", "2"},
    ReadCase{"lone_lf_then_crlf", "[o]\nk=1\r\nj=2\n", "o", "k", "1"},
    ReadCase{"blanks_trimmed", "  [ o ]  \n \t k  =  v w \t\x01\n", "o", "k", "v w"},
    ReadCase{"comment", "[o]\n  ;k=1\n", "o", "k", nullptr},
    ReadCase{"comment_key_later", "[o]\n;k=1\nk=2\n", "o", "k", "2"},
    ReadCase{"before_first_section", "k=1\n[o]\nj=2\n", "o", "k", nullptr},
    ReadCase{"no_equals_matches_nothing", "[o]\nk\n", "o", "k", nullptr},
    ReadCase{"no_equals_then_entry", "[o]\nk\nk=3\n", "o", "k", "3"},
    ReadCase{"first_equals_splits", "[o]\nk = a=b \n", "o", "k", "a=b"},
    ReadCase{"empty_value", "[o]\nk=\n", "o", "k", ""},
    ReadCase{"bracket_in_value", "[o]\nk=[x]y\n", "o", "k", "[x]y"},
    ReadCase{"other_section", "[a]\nk=1\n[b]\nk=2\n", "a", "k", "1"},
    ReadCase{"no_final_newline", "[o]\nk=1", "o", "k", "1"},
    ReadCase{"utf8_value", "[o]\nk=/home/j\xc3\xb6rg\n", "o", "k", "/home/j\xc3\xb6rg"}),
    [](const auto& info) { return std::string(info.param.label); });

struct NumberCase {
    const char* value; // nullptr: no entry
    int integer;       // with a default of 42
    bool checkedFromOff;
    bool checkedFromOn;
};

class IniNumberTest : public ::testing::TestWithParam<NumberCase> {};

TEST_P(IniNumberTest, ReadsNumbersAndBooleans)
{
    const NumberCase& c = GetParam();
    IniFile ini;
    if (c.value)
        ini.setText(QByteArray("[o]\nv=") + c.value + "\n");
    EXPECT_EQ(ini.readInteger("o", "v", 42), c.integer);
    EXPECT_EQ(ini.readBool("o", "v", false), c.checkedFromOff);
    EXPECT_EQ(ini.readBool("o", "v", true), c.checkedFromOn);
}

INSTANTIATE_TEST_SUITE_P(Rules, IniNumberTest, ::testing::Values(
    NumberCase{"1", 1, true, true}, NumberCase{"0", 0, false, false}, NumberCase{"2", 2, true, true},
    NumberCase{"-1", -1, true, true}, NumberCase{"$1", 1, true, true}, NumberCase{"0x1", 1, true, true},
    NumberCase{"yes", 42, false, true}, NumberCase{"", 42, false, true}, NumberCase{nullptr, 42, false, true},
    NumberCase{"1 2", 42, false, true}, NumberCase{"4294967296", 42, false, true}));

// ---------------------------------------------------------------- written format

TEST(IniWrite, FormatIsCrLfWithAFinalEmptyLine)
{
    IniFile ini;
    ini.writeString("options", "a", "1");
    ini.writeString("options", "b", " x y ");
    ini.writeInteger("options", "c", -1);
    ini.writeBool("options", "d", false);
    EXPECT_EQ(ini.text(), QByteArray("[options]\r\na=1\r\nb= x y \r\nc=-1\r\nd=0\r\n\r\n"));
    EXPECT_EQ(IniFile().text(), QByteArray());
}

TEST(IniWrite, ExistingKeyIsReplacedInPlace)
{
    IniFile ini;
    ini.setText("; comment\n[o]\nk=1\nfree text\nj=2\n[p]\nq=3\n");
    ini.writeString("O", "K", "9");
    ini.writeString("o", "new", "4");
    EXPECT_EQ(ini.text(), QByteArray("[o]\r\nK=9\r\nfree text\r\nj=2\r\nnew=4\r\n\r\n[p]\r\nq=3\r\n\r\n"));
}

TEST(IniWrite, ReadBackGivesValuesWithoutOuterBlanks)
{
    IniFile ini;
    ini.writeString("options", "le_folder", "  /data folder/ ");
    IniFile back;
    back.setText(ini.text());
    EXPECT_EQ(back.readString("options", "le_folder", ""), "/data folder/");
}

// ---------------------------------------------------------------- files

class IniFileOnDisk : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }

    static QByteArray Bytes(const QString& p)
    {
        QFile f(p);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
    }
    static void Put(const QString& p, const QByteArray& bytes)
    {
        QFile f(p);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QStringList Entries() const { return QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System); }

    static std::string Reason(int err) { return std::strerror(err); }
};

TEST_F(IniFileOnDisk, ClearedAndRewrittenFileHoldsOnlyTheNewEntries)
{
    const QString p = path("bimbalo.ini");
    Put(p, "; old comment\r\n[other]\r\nx=1\r\n[options]\r\nstale=1\r\nle_folder=/old\r\n");
    IniFile ini(p);
    EXPECT_EQ(ini.readString("options", "le_folder", ""), "/old");
    ini.clear();
    ini.writeString("options", "le_folder", "/new");
    ini.updateFile();
    EXPECT_EQ(Bytes(p), QByteArray("[options]\r\nle_folder=/new\r\n\r\n"));
    EXPECT_EQ(Entries(), QStringList{"bimbalo.ini"}); // no temporary file left behind
}

TEST_F(IniFileOnDisk, MissingFileOpensEmpty)
{
    IniFile ini(path("none.ini"));
    EXPECT_TRUE(ini.sections().isEmpty());
    EXPECT_FALSE(IniFileExists(path("none.ini")));
    EXPECT_FALSE(IniFileExists(dir.path()));
}

TEST_F(IniFileOnDisk, UnreadableFileIsAnOpenError)
{
    // A link to itself exists but cannot be opened, even for root.
    const QString p = path("loop.ini");
    ASSERT_EQ(::symlink("loop.ini", QFile::encodeName(p).constData()), 0);
    EXPECT_TRUE(IniFileExists(p));
    try {
        IniFile ini(p);
        FAIL() << "no error";
    } catch (const EFOpenError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file \"" + p.toStdString() + "\". " + Reason(ELOOP));
    }
}

TEST_F(IniFileOnDisk, FileSwappedForAPipeIsReadOrAnOpenError)
{
    const QString real = path("real.ini");
    Put(real, "[options]\r\nle_folder=/pictures\r\n");
    const QString p = path("bimbalo.ini");
    pipeswap::PipeSwapper swapper(QFile::encodeName(p).toStdString(), QFile::encodeName(real).toStdString());
    ASSERT_TRUE(swapper.ok());
    const std::string pipeError = "Cannot open file \"" + p.toStdString() + "\". Not a regular file";

    const pipeswap::Outcome outcome = pipeswap::LoadWhileSwapping(swapper, 2000, [&]() -> std::string {
        try {
            IniFile ini(p);
            const QString folder = ini.readString("options", "le_folder", "");
            return folder == "/pictures" ? "" : "read " + folder.toStdString();
        } catch (const EFOpenError& e) {
            return e.what() == pipeError ? "refused" : e.what();
        }
    });
    EXPECT_TRUE(outcome.finished) << "the reader waited on the pipe";
    EXPECT_EQ(outcome.unexpected, "");
    EXPECT_GT(outcome.loaded, 0);
    EXPECT_GT(outcome.refused, 0);
}

TEST_F(IniFileOnDisk, HugeFileIsAnOpenErrorAndNotRead)
{
    // Sparse: it takes no room on the disk, but reading it would fill memory.
    const QString p = path("bimbalo.ini");
    Put(p, "[options]\r\n");
    ASSERT_EQ(::truncate(QFile::encodeName(p).constData(), off_t(1) << 26), 0);
    try {
        IniFile ini(p);
        FAIL() << "no error";
    } catch (const EFOpenError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file \"" + p.toStdString() + "\". " + Reason(EFBIG));
    }
}

TEST_F(IniFileOnDisk, MissingFolderIsACreateError)
{
    IniFile ini(path("gone/bimbalo.ini"));
    ini.writeString("options", "k", "v");
    try {
        ini.updateFile();
        FAIL() << "no error";
    } catch (const EFCreateError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot create file \"" + path("gone/bimbalo.ini").toStdString() + "\". " + Reason(ENOENT));
    }
}

TEST_F(IniFileOnDisk, FolderInTheWayIsACreateErrorAndStaysAsItWas)
{
    const QString p = path("bimbalo.ini");
    ASSERT_TRUE(QDir().mkpath(p + "/inside"));
    IniFile ini(p);
    ini.writeString("options", "k", "v");
    EXPECT_THROW(ini.updateFile(), EFCreateError);
    EXPECT_TRUE(QFileInfo(p + "/inside").isDir());
    EXPECT_EQ(Entries(), QStringList{"bimbalo.ini"});
}

TEST_F(IniFileOnDisk, FullDiskLeavesTheOldFileWhole)
{
    const QString p = path("bimbalo.ini");
    const QByteArray old = "[options]\r\nle_folder=/old\r\n\r\n";
    Put(p, old);

    IniFile ini(p);
    ini.clear();
    ini.writeString("options", "le_folder", QString(20000, QLatin1Char('x')));

    // A file size limit makes the write fail part way, as a full disk would.
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    std::string message;
    try {
        ini.updateFile();
    } catch (const EFCreateError& e) {
        message = e.what();
    }
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(message, "Cannot create file \"" + p.toStdString() + "\". " + Reason(EFBIG));
    EXPECT_EQ(Bytes(p), old);
    EXPECT_EQ(Entries(), QStringList{"bimbalo.ini"});
}

TEST_F(IniFileOnDisk, RewriteKeepsPermissionsAndWritesThroughALink)
{
    const QString real = path("real.ini");
    const QString link = path("bimbalo.ini");
    Put(real, "[options]\r\nk=1\r\n");
    ASSERT_EQ(::chmod(QFile::encodeName(real).constData(), 0640), 0);
    ASSERT_EQ(::symlink("real.ini", QFile::encodeName(link).constData()), 0);

    IniFile ini(link);
    ini.writeString("options", "k", "2");
    ini.updateFile();

    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(Bytes(real), QByteArray("[options]\r\nk=2\r\n\r\n"));
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(real).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

// A file without write permission is not replaced, even where the folder
// would let a rename do it and whoever runs the program (root) could write it
// anyway; a file that may be written keeps its owner.
struct PermissionCase {
    const char* label;
    mode_t mode;
    bool ownedByNobody; // needs root to set up
    bool refused;
};

void PrintTo(const PermissionCase& c, std::ostream* os) { *os << c.label; }

class IniFilePermissions : public IniFileOnDisk, public ::testing::WithParamInterface<PermissionCase> {};

TEST_P(IniFilePermissions, ReadOnlyIsRespectedAndTheOwnerKept)
{
    const PermissionCase& c = GetParam();
    if (c.ownedByNobody && ::geteuid() != 0) {
        GTEST_SKIP() << "changing a file's owner needs root";
    }
    const QString p = path("bimbalo.ini");
    const QByteArray native = QFile::encodeName(p);
    const QByteArray old = "[options]\r\nle_folder=/frozen\r\n\r\n";
    Put(p, old);
    if (c.ownedByNobody) {
        ASSERT_EQ(::chown(native.constData(), 65534, 65534), 0);
    }
    ASSERT_EQ(::chmod(native.constData(), c.mode), 0);
    struct stat before {};
    ASSERT_EQ(::stat(native.constData(), &before), 0);

    IniFile ini(p);
    ini.clear();
    ini.writeString("options", "le_folder", "/changed");
    if (c.refused) {
        try {
            ini.updateFile();
            ADD_FAILURE() << "the file was replaced";
        } catch (const EFReadOnlyError& e) {
            EXPECT_EQ(std::string(e.what()), "Cannot create file \"" + p.toStdString() + "\". The file is read-only");
        }
        EXPECT_EQ(Bytes(p), old);
    } else {
        ini.updateFile();
        EXPECT_EQ(Bytes(p), QByteArray("[options]\r\nle_folder=/changed\r\n\r\n"));
    }
    struct stat after {};
    ASSERT_EQ(::stat(native.constData(), &after), 0);
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
    EXPECT_EQ(Entries(), QStringList{"bimbalo.ini"});
}

INSTANTIATE_TEST_SUITE_P(Modes, IniFilePermissions, ::testing::Values(
    PermissionCase{"read_only", 0444, false, true},
    PermissionCase{"owner_may_only_read", 0400, false, true},
    PermissionCase{"read_only_other_owner", 0444, true, true},
    PermissionCase{"writable_other_owner", 0666, true, false},
    PermissionCase{"owner_may_write", 0644, false, false}),
    [](const auto& info) { return std::string(info.param.label); });

// A settings file that its user may write in a folder that they may not (a
// program folder handed to a user with their own settings file in it): no
// temporary file can go beside it, so the file is written over in place.
struct InPlaceCase {
    const char* label;
    QByteArray old;
    const char* folder; // the new value, short or long
};

void PrintTo(const InPlaceCase& c, std::ostream* os) { *os << c.label; }

class IniFileInPlace : public IniFileOnDisk, public ::testing::WithParamInterface<InPlaceCase> {};

TEST_P(IniFileInPlace, FileWritableInAFolderThatIsNotIsWrittenOver)
{
    const InPlaceCase& c = GetParam();
    const QString p = path("bimbalo.ini");
    Put(p, c.old);
    const QByteArray native = QFile::encodeName(p);
    const QByteArray folder = QFile::encodeName(dir.path());
    struct stat before {};
    ASSERT_EQ(::stat(native.constData(), &before), 0);

    const std::string outcome = testusers::AsUnprivileged(folder.toStdString(), [&]() -> std::string {
        if (::chmod(folder.constData(), 0555) != 0)
            return "chmod failed";
        IniFile ini(p);
        ini.clear();
        ini.writeString("options", "le_folder", QString::fromUtf8(c.folder));
        try {
            ini.updateFile();
        } catch (const std::exception& e) {
            return e.what();
        }
        return "written";
    });
    ::chmod(folder.constData(), 0700);

    EXPECT_EQ(outcome, "written");
    EXPECT_EQ(Bytes(p), "[options]\r\nle_folder=" + QByteArray(c.folder) + "\r\n\r\n");
    struct stat after {};
    ASSERT_EQ(::stat(native.constData(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(Entries(), QStringList{"bimbalo.ini"});
}

INSTANTIATE_TEST_SUITE_P(Sizes, IniFileInPlace, ::testing::Values(
    InPlaceCase{"shorter", "[options]\r\nle_folder=/a/much/longer/folder/than/the/new/one\r\nk=v\r\n\r\n", "/b"},
    InPlaceCase{"longer", "[options]\r\n\r\n", "/a/folder/longer/than/the/old/file"}),
    [](const auto& info) { return std::string(info.param.label); });

} // namespace

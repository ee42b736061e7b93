#include "settings/ini_file.h"

#include "system/program_files.h"
#include "system/readable_file.h"
#include "settings/byte_text.h"
#include "settings/text_forms.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::uint64_t kMaxIniBytes = 16 << 20;

bool IsBlank(QChar c) { return c.unicode() <= 32; }

QString TrimControls(QStringView s)
{
    qsizetype b = 0;
    qsizetype e = s.size();
    while (b < e && IsBlank(s[b]))
        ++b;
    while (e > b && IsBlank(s[e - 1]))
        --e;
    return s.mid(b, e - b).toString();
}

bool SameName(const QString& a, const QString& b)
{
    return a.toUpper() == b.toUpper();
}

QString FullPath(const QString& path)
{
    return path.isEmpty() ? path : QFileInfo(path).absoluteFilePath();
}

QString SystemReason(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}

[[noreturn]] void ThrowOpen(const QString& path, const QString& reason)
{
    throw EFOpenError(QCoreApplication::translate("IniFile", "Cannot open file \"%1\". %2").arg(FullPath(path), reason).toStdString());
}

[[noreturn]] void ThrowCreate(const QString& path, int err)
{
    throw EFCreateError(QCoreApplication::translate("IniFile", "Cannot create file \"%1\". %2").arg(FullPath(path), SystemReason(err)).toStdString());
}

// Closes a descriptor on every path out of a scope.
struct Fd {
    int fd = -1;
    ~Fd()
    {
        if (fd >= 0)
            ::close(fd);
    }
    int release()
    {
        const int f = fd;
        fd = -1;
        return f;
    }
};

bool WriteAll(int fd, const char* data, qsizetype size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, static_cast<size_t>(size));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0) {
            errno = ENOSPC;
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

// Writes over an existing file: the new bytes over the old ones, then the
// file cut to their length. Not atomic, as a rename is: a crash part way
// leaves old and new bytes mixed.
void WriteInPlace(const QString& path, const QByteArray& nativeTarget, const QByteArray& bytes)
{
    Fd f;
    f.fd = ::open(nativeTarget.constData(), O_WRONLY | O_CLOEXEC);
    if (f.fd < 0)
        ThrowCreate(path, errno);
    if (!WriteAll(f.fd, bytes.constData(), bytes.size()) || ::ftruncate(f.fd, bytes.size()) != 0 || ::fsync(f.fd) != 0)
        ThrowCreate(path, errno);
    if (::close(f.release()) != 0)
        ThrowCreate(path, errno);
}

} // namespace

// ---------------------------------------------------------------- IniFile

IniFile::IniFile(const QString& path)
    : m_path(path)
{
    if (IniFileExists(path))
        setText(ReadWholeFile(path));
}

void IniFile::setText(const QByteArray& bytes)
{
    m_sections.clear();
    const QString text = BytesToText(bytes);
    const qsizetype n = text.size();
    Section* current = nullptr;
    qsizetype start = 0;
    while (start <= n) {
        qsizetype end = start;
        while (end < n && text[end] != QLatin1Char('\r') && text[end] != QLatin1Char('\n'))
            ++end;
        const QString line = TrimControls(QStringView(text).mid(start, end - start));
        if (end < n && text[end] == QLatin1Char('\r') && end + 1 < n && text[end + 1] == QLatin1Char('\n'))
            start = end + 2;
        else
            start = end + 1;

        if (line.isEmpty() || line.startsWith(QLatin1Char(';')))
            continue;
        if (line.size() >= 2 && line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            m_sections.push_back(Section{TrimControls(QStringView(line).mid(1, line.size() - 2)), {}});
            current = &m_sections.back();
            continue;
        }
        if (!current)
            continue; // before the first section
        Line entry;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq >= 0) {
            entry.hasEquals = true;
            entry.key = TrimControls(QStringView(line).left(eq));
            entry.value = TrimControls(QStringView(line).mid(eq + 1));
        } else {
            entry.value = line;
        }
        current->lines.push_back(std::move(entry));
    }
}

QByteArray IniFile::text() const
{
    QString out;
    const QLatin1String crlf("\r\n");
    for (const Section& s : m_sections) {
        out += QLatin1Char('[') + s.name + QLatin1Char(']') + crlf;
        for (const Line& l : s.lines) {
            if (l.hasEquals)
                out += l.key + QLatin1Char('=') + l.value + crlf;
            else
                out += l.value + crlf;
        }
        out += crlf;
    }
    return TextToBytes(out);
}

const IniFile::Section* IniFile::findSection(const QString& name) const
{
    for (auto it = m_sections.rbegin(); it != m_sections.rend(); ++it)
        if (SameName(it->name, name))
            return &*it;
    return nullptr;
}

IniFile::Section* IniFile::findSection(const QString& name)
{
    return const_cast<Section*>(static_cast<const IniFile*>(this)->findSection(name));
}

const IniFile::Line* IniFile::findLine(const Section& section, const QString& key)
{
    for (auto it = section.lines.rbegin(); it != section.lines.rend(); ++it)
        if (it->hasEquals && SameName(it->key, key))
            return &*it;
    return nullptr;
}

bool IniFile::valueExists(const QString& section, const QString& key) const
{
    const Section* s = findSection(section);
    return s && findLine(*s, key);
}

QStringList IniFile::sections() const
{
    QStringList names;
    for (const Section& s : m_sections)
        names.append(s.name);
    return names;
}

QString IniFile::readString(const QString& section, const QString& key, const QString& defaultValue) const
{
    const Section* s = findSection(section);
    const Line* l = s ? findLine(*s, key) : nullptr;
    return l ? l->value : defaultValue;
}

std::int32_t IniFile::readInteger(const QString& section, const QString& key, std::int32_t defaultValue) const
{
    std::int32_t v = 0;
    return TryStrToInt(readString(section, key, QString()), v) ? v : defaultValue;
}

bool IniFile::readBool(const QString& section, const QString& key, bool defaultValue) const
{
    return readInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void IniFile::writeString(const QString& section, const QString& key, const QString& value)
{
    Section* s = findSection(section);
    if (!s) {
        m_sections.push_back(Section{section, {}});
        s = &m_sections.back();
    }
    if (Line* l = const_cast<Line*>(findLine(*s, key))) {
        l->key = key;
        l->value = value;
        return;
    }
    s->lines.push_back(Line{key, value, true});
}

void IniFile::writeInteger(const QString& section, const QString& key, std::int32_t value)
{
    writeString(section, key, QString::number(value));
}

void IniFile::writeBool(const QString& section, const QString& key, bool value)
{
    writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void IniFile::updateFile() const
{
    WriteFileAtomically(m_path, text());
}

// ---------------------------------------------------------------- files

bool IniFileExists(const QString& path)
{
    if (path.isEmpty())
        return false;
    const QByteArray native = TextToBytes(path);
    struct stat st {};
    if (::lstat(native.constData(), &st) != 0)
        return false;
    if (!S_ISLNK(st.st_mode))
        return !S_ISDIR(st.st_mode);
    if (::stat(native.constData(), &st) == 0)
        return !S_ISDIR(st.st_mode);
    return errno != ENOENT; // a dangling link is no file; a loop is one we cannot open
}

QByteArray ReadWholeFile(const QString& path)
{
    // Opened without waiting, so that a pipe or a device in the file's place
    // cannot hang the program; a settings file is small, so a huge one is
    // refused rather than read into memory.
    ReadableFile file = ReadableFile::Open(TextToBytes(path).constData(), kMaxIniBytes);
    std::string bytes;
    if (file)
        bytes = file.readAll();
    if (!file)
        ThrowOpen(path, QString::fromLocal8Bit(file.reason().c_str()));
    return QByteArray::fromStdString(bytes);
}

void WriteFileAtomically(const QString& path, const QByteArray& bytes)
{
    if (path.isEmpty())
        ThrowCreate(path, ENOENT);

    // Write through a symbolic link rather than replacing the link itself.
    QByteArray nativeTarget = TextToBytes(path);
    if (char* resolved = ::realpath(nativeTarget.constData(), nullptr)) {
        nativeTarget = resolved;
        std::free(resolved);
    }

    struct stat old {};
    const bool hadFile = ::stat(nativeTarget.constData(), &old) == 0;
    // A rename would replace a file that someone made read-only, as long as
    // the folder is writable; root would write it anyway. Its write
    // permission bits decide, and for anyone else the kernel's own check.
    if (hadFile && ((old.st_mode & 0222) == 0 || ::faccessat(AT_FDCWD, nativeTarget.constData(), W_OK, AT_EACCESS) != 0))
        throw EFReadOnlyError(QCoreApplication::translate("IniFile", "Cannot create file \"%1\". The file is read-only").arg(FullPath(path)).toStdString());

    QByteArray nativeTemp;
    Fd f;
    for (int attempt = 0; attempt < 100 && f.fd < 0; ++attempt) {
        nativeTemp = nativeTarget + '.' + QByteArray::number(QRandomGenerator::global()->generate(), 36) + ".tmp";
        f.fd = ::open(nativeTemp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (f.fd < 0 && errno != EEXIST)
            break;
    }
    if (f.fd < 0) {
        // A file we may write in a folder we may not: no new file can go
        // beside it, so it is written over in place.
        if ((errno == EACCES || errno == EPERM) && hadFile && S_ISREG(old.st_mode)) {
            WriteInPlace(path, nativeTarget, bytes);
            return;
        }
        ThrowCreate(path, errno);
    }

    const auto fail = [&](int err) {
        ::close(f.release());
        ::unlink(nativeTemp.constData());
        ThrowCreate(path, err);
    };
    if (hadFile && S_ISREG(old.st_mode)) {
        // The new file takes the old one's place: owner first (which may
        // clear set-id bits), then the mode. Only root may give a file away;
        // anyone else keeps what they can.
        (void)::fchown(f.fd, old.st_uid, old.st_gid);
        (void)::fchmod(f.fd, old.st_mode & 07777);
    }
    if (!WriteAll(f.fd, bytes.constData(), bytes.size()))
        fail(errno);
    if (::fsync(f.fd) != 0)
        fail(errno);
    if (::close(f.release()) != 0) {
        const int err = errno;
        ::unlink(nativeTemp.constData());
        ThrowCreate(path, err);
    }
    if (::rename(nativeTemp.constData(), nativeTarget.constData()) != 0) {
        const int err = errno;
        ::unlink(nativeTemp.constData());
        ThrowCreate(path, err);
    }

    // Make the rename itself durable; the data is already safe if this fails.
    const qsizetype slash = nativeTarget.lastIndexOf('/');
    const QByteArray dir = slash > 0 ? nativeTarget.left(slash) : QByteArray(slash == 0 ? "/" : ".");
    Fd d;
    d.fd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (d.fd >= 0)
        (void)::fsync(d.fd);
}

QString ExecutablePath()
{
    // Qt gives an empty path when the program's path is not UTF-8; the
    // kernel's link keeps its bytes. Qt's answer where there is no such link,
    // or where it names a program file that was since replaced.
    std::error_code error;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error && exe.is_absolute() && std::filesystem::is_regular_file(exe, error))
        return BytesToText(exe.native());
    return QCoreApplication::applicationFilePath();
}

QString IniFileName()
{
    const platform::ProgramFiles files(TextToBytes(ExecutablePath()).toStdString());
    return BytesToText(files.SettingsFile().native());
}

#pragma once

// The settings file held in memory: sections of key=value entries, read from
// and written to disk in one piece.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <stdexcept>
#include <vector>

// "Cannot open file "<path>". <reason>": the file exists but cannot be read.
class EFOpenError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// "Cannot create file "<path>". <reason>": the file cannot be written.
class EFCreateError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// "Cannot create file "<path>". The file is read-only": the file is there
// without write permission for us, and is left as it is.
class EFReadOnlyError : public EFCreateError {
public:
    using EFCreateError::EFCreateError;
};

class IniFile {
public:
    IniFile() = default;
    // Opens the in-memory file on a path, reading the file there when there
    // is one. Throws EFOpenError when it exists but cannot be read.
    explicit IniFile(const QString& path);

    const QString& fileName() const { return m_path; }

    // Replaces the whole content by parsing a file's bytes: UTF-8, where bytes
// that are not UTF-8 are kept as they are (see BytesToText).
    void setText(const QByteArray& bytes);
    // The content in the written format: "[section]", key=value lines, an
    // empty line after each section, CR LF everywhere.
    QByteArray text() const;

    // Names compare without regard to letter case; when a section or a key
    // occurs more than once, the last occurrence counts.
    bool valueExists(const QString& section, const QString& key) const;
    QStringList sections() const;

    QString readString(const QString& section, const QString& key, const QString& defaultValue) const;
    // A missing, empty or non-numeric value gives the default.
    std::int32_t readInteger(const QString& section, const QString& key, std::int32_t defaultValue) const;
    bool readBool(const QString& section, const QString& key, bool defaultValue) const;

    // Replaces the value of an existing key in place, or appends the entry
    // (and the section when it is new).
    void writeString(const QString& section, const QString& key, const QString& value);
    void writeInteger(const QString& section, const QString& key, std::int32_t value);
    void writeBool(const QString& section, const QString& key, bool value);

    // Drops every section and entry.
    void clear() { m_sections.clear(); }

    // Writes the content to fileName() in one piece: the old file is replaced
    // only once the new one is safely on disk. Throws EFCreateError.
    void updateFile() const;

private:
    struct Line {
        QString key;   // empty for a line without "="
        QString value; // the whole line when it has no "="
        bool hasEquals = false;
    };
    struct Section {
        QString name;
        std::vector<Line> lines;
    };

    const Section* findSection(const QString& name) const;
    Section* findSection(const QString& name);
    static const Line* findLine(const Section& section, const QString& key);

    QString m_path;
    std::vector<Section> m_sections;
};

// True when something other than a folder is at the path. A link that leads
// nowhere usable (a loop, say) counts, so that reading it reports the error.
bool IniFileExists(const QString& path);

// Reads a whole file; throws EFOpenError.
QByteArray ReadWholeFile(const QString& path);

// Writes a file in one piece through a temporary file beside it, synced to
// disk and renamed over the target, so that a failure or a crash leaves
// either the old file or the new one. A file that we may write in a folder
// that we may not is written over in place instead. Throws EFCreateError
// naming the target.
void WriteFileAtomically(const QString& path, const QByteArray& bytes);

// The path with its extension (from the last "." of the file name) replaced:
// The running program's full path; names that are not UTF-8 are kept as
// BytesToText gives them.
QString ExecutablePath();

// The running program's settings file: beside it where it can be written
// there, else in the user's configuration folder (see ProgramFiles::SettingsFile).
QString IniFileName();

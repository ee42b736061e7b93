#pragma once

#include <QByteArray>
#include <QString>

// The program's version block: string values filed under a language and
// code page, e.g. "StringFileInfo\040904e4\CompanyName". It is compiled into
// the executable and read back from the executable's file on each request.

// Size in bytes of the version block in the file; 0 when it has none or
// cannot be read.
qsizetype GetFileVersionInfoSize(const QString& file);

// The version block of the file; empty when it has none.
QByteArray GetFileVersionInfo(const QString& file);

// Looks up a value by its path, for example "\StringFileInfo\040904e4\FileVersion".
// Names are compared without regard to case. Returns false when not found.
bool VerQueryValue(const QByteArray& block, const QString& subBlock, QString& value);

// The bytes that introduce a version block in a file, for tools and tests.
QByteArray VersionBlockMarker();

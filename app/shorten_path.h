#pragma once

#include <QString>

// The display form of a file path for the slide list: the drive (or share),
// "...", and the file name, e.g. c:\...\lion.jpg or /.../lion.jpg.
// Windows-style input (a drive letter or backslashes) keeps its drive and
// share rules and backslashes; other paths use "/".
QString ShortenPath(const QString& path);

// The same with Windows rules throughout, whatever the input looks like.
QString ShortenPathWindows(const QString& path);

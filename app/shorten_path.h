#pragma once

#include <QString>

#include <string_view>

// The display form of a file path for the slide list: the drive (or share),
// "...", and the file name, e.g. c:\...\lion.jpg or /.../lion.jpg.
// Windows-style input (a drive letter or backslashes) keeps its drive and
// share rules and backslashes; other paths use "/".
QString ShortenPath(const QString& path);

// The same with Windows rules throughout, whatever the input looks like.
QString ShortenPathWindows(const QString& path);

// For a path in plain ASCII whose display form is "/.../" and its file name:
// sets name to that file name, without making the text. False for any other
// path, whose display form only ShortenPath gives.
bool ShortenedFileName(std::string_view path, std::string_view& name);

#pragma once

// Names and text that come from the system as bytes: file names, the
// settings file. They are UTF-8 as a rule, but nothing makes them so, and a
// folder whose name is not UTF-8 must still be found again.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// Decodes UTF-8; each byte that is not part of a well-formed sequence becomes
// the lone surrogate U+DC80 + (byte - 0x80), which no well-formed text holds.
// TextToBytes(BytesToText(b)) == b for every b.
QString BytesToText(QByteArrayView bytes);

// Encodes as UTF-8, turning the lone surrogates of BytesToText back into
// their bytes. Any other lone surrogate becomes U+FFFD.
QByteArray TextToBytes(QStringView text);

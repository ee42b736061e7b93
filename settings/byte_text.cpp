#include "settings/byte_text.h"

#include "settings/utf8_text.h"

namespace {

constexpr char16_t kEscapeBase = 0xDC00; // + the byte, 0x80 .. 0xFF

void AppendUtf8(QByteArray& out, char32_t c)
{
    if (c < 0x80) {
        out.append(static_cast<char>(c));
    } else if (c < 0x800) {
        out.append(static_cast<char>(0xC0 | (c >> 6)));
        out.append(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.append(static_cast<char>(0xE0 | (c >> 12)));
        out.append(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.append(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.append(static_cast<char>(0xF0 | (c >> 18)));
        out.append(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.append(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.append(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

} // namespace

QString BytesToText(QByteArrayView bytes)
{
    QString text;
    text.reserve(bytes.size());
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    while (i < n) {
        const std::size_t length =
            Utf8SequenceLength(std::string_view(reinterpret_cast<const char*>(s + i), std::size_t(n - i)));
        if (length == 0) {
            text.append(QChar(static_cast<char16_t>(kEscapeBase + s[i])));
            ++i;
            continue;
        }
        char32_t code = length == 1 ? s[i] : s[i] & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k)
            code = (code << 6) | (s[i + qsizetype(k)] & 0x3F);
        if (code < 0x10000) {
            text.append(QChar(static_cast<char16_t>(code)));
        } else {
            text.append(QChar(QChar::highSurrogate(code)));
            text.append(QChar(QChar::lowSurrogate(code)));
        }
        i += qsizetype(length);
    }
    return text;
}

QByteArray TextToBytes(QStringView text)
{
    QByteArray out;
    out.reserve(text.size());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = text[i].unicode();
        if (QChar::isHighSurrogate(u) && i + 1 < n && QChar::isLowSurrogate(text[i + 1].unicode())) {
            AppendUtf8(out, QChar::surrogateToUcs4(u, text[i + 1].unicode()));
            ++i;
        } else if (u >= kEscapeBase + 0x80 && u <= kEscapeBase + 0xFF) {
            out.append(static_cast<char>(u - kEscapeBase));
        } else if (QChar::isSurrogate(u)) {
            AppendUtf8(out, 0xFFFD);
        } else {
            AppendUtf8(out, u);
        }
    }
    return out;
}

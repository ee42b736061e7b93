#pragma once

#include <QFont>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QString>

#include <cstdint>
#include <functional>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

// The width of the widest of many texts, as QFontMetrics::horizontalAdvance
// gives it, without shaping every one of them (shaping costs some
// microseconds a text, seconds for a big slide list). A text of simple
// script is first estimated from the shaped advance of each character and
// the kerning of each pair of neighbours, both measured once and kept;
// only the texts whose estimate comes near the widest are then shaped in
// full. Texts of other scripts are shaped at once.
class WidestText {
public:
    // Texts are noted in groups (the columns of a list), each with a widest of its own.
    WidestText(const QFont& font, int groups);

    // Notes the text found under key.
    void Add(int group, QStringView text, std::uint32_t key);
    // The same for a text given as bytes, the pieces one after the other,
    // without making a QString of it: false, noting nothing, unless every
    // byte is plain ASCII.
    bool AddAscii(int group, const std::string_view (&pieces)[2], std::uint32_t key);
    // The widest width of a group's texts, textOf giving a key's text back,
    // and never less than floor.
    int Widest(int group, const std::function<QString(std::uint32_t key)>& textOf, int floor = 0);

private:
    double Advance(char16_t c);
    double Kerning(char16_t left, char16_t right);

    QFontMetrics metrics_;
    QFontMetricsF exact_;
    std::vector<float> advances_;     // by UTF-16 unit; NaN until measured
    std::vector<float> ascii_pairs_;  // left * 128 + right; NaN until measured
    std::unordered_map<std::uint32_t, float> pairs_;
    struct Group {
        std::vector<std::pair<float, std::uint32_t>> estimates;
        int shaped = 0; // the widest of the texts shaped at once
    };
    std::vector<Group> groups_;
};

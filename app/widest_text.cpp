#include "app/widest_text.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// How far a shaped width may stray from its estimate: ligatures and
// contextual forms over more than two characters are not in the estimate.
constexpr double kMargin = 1.0;
// At most this many texts are shaped for one column, however many
// estimates tie near the widest (a folder of names that differ only in
// their digits).
constexpr std::size_t kMostShaped = 64;

const float kUnknown = std::numeric_limits<float>::quiet_NaN();

// Characters whose shaped width is the sum of their advances and their
// pairs' kerning: Latin, Greek and Cyrillic letters without combining marks,
// and no control characters (a tab's width depends on where it stands).
bool IsSimple(char16_t c)
{
    if (c < 0x20 || (c >= 0x7F && c < 0xA0) || c == 0xAD)
        return false;
    return c < 0x0300 || (c >= 0x0370 && c < 0x0483) || (c >= 0x048A && c < 0x0530);
}

} // namespace

WidestText::WidestText(const QFont& font, int groups)
    : metrics_(font)
    , exact_(font)
    , advances_(0x10000, kUnknown)
    , ascii_pairs_(128 * 128, kUnknown)
    , groups_(static_cast<std::size_t>(groups))
{
}

double WidestText::Advance(char16_t c)
{
    float& advance = advances_[c];
    if (std::isnan(advance))
        advance = static_cast<float>(exact_.horizontalAdvance(QString(QChar(c))));
    return advance;
}

double WidestText::Kerning(char16_t left, char16_t right)
{
    const auto measure = [&] {
        const QChar pair[2] = {QChar(left), QChar(right)};
        return static_cast<float>(exact_.horizontalAdvance(QString(pair, 2)) - Advance(left) - Advance(right));
    };
    if (left < 128 && right < 128) {
        float& kerning = ascii_pairs_[left * 128u + right];
        if (std::isnan(kerning))
            kerning = measure();
        return kerning;
    }
    const std::uint32_t key = (std::uint32_t(left) << 16) | right;
    const auto found = pairs_.find(key);
    if (found != pairs_.end())
        return found->second;
    return pairs_.emplace(key, measure()).first->second;
}

void WidestText::Add(int group, QStringView text, std::uint32_t key)
{
    Group& g = groups_[static_cast<std::size_t>(group)];
    double estimate = 0;
    char16_t previous = 0;
    for (const QChar qc : text) {
        const char16_t c = qc.unicode();
        if (!IsSimple(c)) {
            g.shaped = std::max(g.shaped, metrics_.horizontalAdvance(text.toString()));
            return;
        }
        estimate += Advance(c);
        if (previous)
            estimate += Kerning(previous, c);
        previous = c;
    }
    g.estimates.emplace_back(static_cast<float>(estimate), key);
}

bool WidestText::AddAscii(int group, const std::string_view (&pieces)[2], std::uint32_t key)
{
    double estimate = 0;
    char16_t previous = 0;
    for (const std::string_view piece : pieces) {
        for (const char byte : piece) {
            const char16_t c = static_cast<unsigned char>(byte);
            if (c >= 0x80 || !IsSimple(c))
                return false;
            estimate += Advance(c);
            if (previous)
                estimate += Kerning(previous, c);
            previous = c;
        }
    }
    if (previous)
        groups_[static_cast<std::size_t>(group)].estimates.emplace_back(static_cast<float>(estimate), key);
    return true;
}

int WidestText::Widest(int group, const std::function<QString(std::uint32_t key)>& textOf, int floor)
{
    Group& g = groups_[static_cast<std::size_t>(group)];
    std::vector<std::pair<float, std::uint32_t>>& estimates = g.estimates;
    int widest = std::max(floor, g.shaped);
    if (estimates.empty())
        return widest;
    float top = 0;
    for (const auto& [estimate, key] : estimates)
        top = std::max(top, estimate);
    // Only texts that may come out wider than the widest known are shaped,
    // the most promising first. horizontalAdvance rounds halves up.
    const auto mayBeWider = [&](float estimate) { return estimate + kMargin >= widest + 0.5; };
    const auto end = std::partition(estimates.begin(), estimates.end(),
                                    [&](const auto& e) { return e.first + kMargin >= top - kMargin; });
    std::sort(estimates.begin(), end, [](const auto& a, const auto& b) { return a.first > b.first; });
    std::size_t shaped = 0;
    for (auto it = estimates.begin(); it != end && shaped < kMostShaped && mayBeWider(it->first); ++it, ++shaped)
        widest = std::max(widest, metrics_.horizontalAdvance(textOf(it->second)));
    std::vector<std::pair<float, std::uint32_t>>().swap(estimates);
    return widest;
}

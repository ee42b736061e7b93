#include "treclist.h"
#include "byte_text.h"
#include "options.h"
#include "u_random.h"
#include "u_utils.h"

#include <QString>

#include <deque>
#include <mutex>
#include <unordered_map>
#include <utility>

namespace {

enum class FileKind { Other, Picture, Sound };

FileKind KindOfExtension(std::string_view extension)
{
    if (extension.size() != 4)
        return FileKind::Other;
    const std::string lower = AsciiLower(extension);
    if (lower == ".jpg" || lower == ".bmp" || lower == ".png")
        return FileKind::Picture;
    if (lower == ".wav" || lower == ".mp3")
        return FileKind::Sound;
    return FileKind::Other;
}

bool HasAsciiUpper(std::string_view text)
{
    for (char c : text)
        if (c >= 'A' && c <= 'Z')
            return true;
    return false;
}

bool IsAscii(std::string_view text)
{
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

// Length of the well-formed UTF-8 sequence at the start of text, or 0.
std::size_t Utf8SequenceLength(std::string_view text)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char b0 = byte(0);
    if (b0 < 0x80)
        return 1;
    std::size_t length;
    unsigned char low = 0x80, high = 0xBF;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        length = 2;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        length = 3;
        if (b0 == 0xE0)
            low = 0xA0; // overlong
        if (b0 == 0xED)
            high = 0x9F; // surrogates
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        length = 4;
        if (b0 == 0xF0)
            low = 0x90; // overlong
        if (b0 == 0xF4)
            high = 0x8F; // beyond U+10FFFF
    } else {
        return 0;
    }
    if (text.size() < length)
        return 0;
    if (byte(1) < low || byte(1) > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (byte(i) < 0x80 || byte(i) > 0xBF)
            return 0;
    return length;
}

std::string ConvertUtf8(std::string_view text, int mode)
{
    const QString decoded = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    const QByteArray converted = (mode == ccUppercase ? decoded.toUpper() : decoded.toLower()).toUtf8();
    return std::string(converted.constData(), static_cast<std::size_t>(converted.size()));
}

} // namespace

int CompareByName(const trec& a, const trec& b)
{
    // char_traits<char> compares as unsigned char.
    const int c = a.name.compare(b.name);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

void SortByName(std::vector<std::unique_ptr<trec>>& items)
{
    if (items.empty())
        return;
    // The ranges left of each split wait on an explicit stack rather than in
    // recursion, so that an unlucky input cannot exhaust the call stack.
    // Ranges are disjoint, so the order of working through them does not
    // change the result.
    std::vector<std::pair<std::ptrdiff_t, std::ptrdiff_t>> pending;
    pending.emplace_back(0, static_cast<std::ptrdiff_t>(items.size()) - 1);
    while (!pending.empty()) {
        auto [left, right] = pending.back();
        pending.pop_back();
        std::ptrdiff_t i;
        do {
            i = left;
            std::ptrdiff_t j = right;
            const trec* pivot = items[static_cast<std::size_t>((left + right) / 2)].get();
            do {
                while (CompareByName(*items[static_cast<std::size_t>(i)], *pivot) < 0)
                    ++i;
                while (CompareByName(*items[static_cast<std::size_t>(j)], *pivot) > 0)
                    --j;
                if (i <= j) {
                    std::swap(items[static_cast<std::size_t>(i)], items[static_cast<std::size_t>(j)]);
                    ++i;
                    --j;
                }
            } while (i <= j);
            if (left < j)
                pending.emplace_back(left, j);
            left = i;
        } while (i < right);
    }
}

void PairSlides(std::vector<std::unique_ptr<trec>>& items)
{
    // Keys view the captions of the slides that stay; a slide object does not
    // move when its pointer does. Captions with capitals get a lower-cased
    // copy to view instead.
    std::unordered_map<std::string_view, std::size_t> first;
    first.reserve(items.size());
    std::deque<std::string> lowered;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < items.size(); ++i) {
        std::unique_ptr<trec>& slide = items[i];
        std::string_view key = slide->name;
        if (HasAsciiUpper(key))
            key = lowered.emplace_back(AsciiLower(key));
        const auto [it, inserted] = first.try_emplace(key, kept);
        if (inserted) {
            if (kept != i)
                items[kept] = std::move(slide);
            ++kept;
            continue;
        }
        trec& merged = *items[it->second];
        if (!slide->sound_filename.empty()) {
            merged.sound_filename = std::move(slide->sound_filename);
            merged.sound_disk_path = std::move(slide->sound_disk_path);
        }
        if (!slide->image_filename.empty()) {
            merged.image_filename = std::move(slide->image_filename);
            merged.image_disk_path = std::move(slide->image_disk_path);
        }
        slide.reset();
    }
    items.resize(kept);
}

std::string ConvertCaptionCase(std::string_view caption, int mode)
{
    if (mode != ccUppercase && mode != ccLowercase)
        return std::string(caption);
    if (IsAscii(caption)) {
        std::string converted(caption);
        for (char& c : converted) {
            if (mode == ccUppercase && c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 'a' + 'A');
            else if (mode == ccLowercase && c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        }
        return converted;
    }
    // Well-formed runs are converted; a byte that is not UTF-8 (a name
    // written in another encoding) is kept rather than replaced.
    std::string converted;
    converted.reserve(caption.size());
    std::size_t pos = 0;
    while (pos < caption.size()) {
        std::size_t end = pos;
        while (end < caption.size()) {
            const std::size_t length = Utf8SequenceLength(caption.substr(end));
            if (length == 0)
                break;
            end += length;
        }
        if (end > pos) {
            converted += ConvertUtf8(caption.substr(pos, end - pos), mode);
            pos = end;
        } else {
            converted.push_back(caption[pos++]);
        }
    }
    return converted;
}

void treclist::ScanFolder(const Options& options)
{
    ScanFolder(options, ScanHooks());
}

bool treclist::ScanFolder(const Options& options, const ScanHooks& hooks)
{
    items.clear();
    too_deep = 0;
    const auto stopped = [&] {
        if (!hooks.cancel || !hooks.cancel->load(std::memory_order_relaxed))
            return false;
        items.clear();
        too_deep = 0;
        return true;
    };

    const QByteArray folder = TextToBytes(options.le_folder);
    std::vector<ListedFile> files;
    ListingWatch watch;
    watch.cancel = hooks.cancel;
    watch.progress = hooks.progress;
    watch.too_deep = [this](std::string_view name) {
        if (KindOfExtension(SplitBaseAndExtension(name).second) != FileKind::Other)
            ++too_deep;
    };
    const std::string root(folder.constData(), static_cast<std::size_t>(folder.size()));
    if (hooks.lister)
        hooks.lister(files, root, options.cb_subfolders, watch);
    else
        FindFiles(files, root, "*.*", options.cb_subfolders, watch);
    if (stopped())
        return false;

    items.reserve(files.size());
    for (ListedFile& file : files) {
        // Listed paths end in a plain file name, so resolving them to full
        // paths would not change the base name or the extension.
        const auto [base, extension] = SplitBaseAndExtension(file.path);
        const FileKind kind = KindOfExtension(extension);
        if (kind == FileKind::Other)
            continue;
        auto slide = std::make_unique<trec>();
        slide->name.assign(base);
        if (kind == FileKind::Picture) {
            slide->image_filename = std::move(file.path);
            slide->image_disk_path = std::move(file.disk_path);
        } else {
            slide->sound_filename = std::move(file.path);
            slide->sound_disk_path = std::move(file.disk_path);
        }
        items.push_back(std::move(slide));
    }
    std::vector<ListedFile>().swap(files);
    if (stopped())
        return false;

    PairSlides(items);

    const int captions = options.rg_captions_case;
    if (captions == ccUppercase || captions == ccLowercase)
        for (auto& slide : items)
            slide->name = ConvertCaptionCase(slide->name, captions);

    switch (options.rg_order) {
    case soAlphabetical:
        SortByName(items);
        break;
    case soRandom: {
        // The generator is the whole program's; a rebuild given up on its
        // thread may still be finishing when the next one starts.
        static std::mutex generator;
        const std::lock_guard<std::mutex> lock(generator);
        SeedRandom();
        ShuffleList(items);
        break;
    }
    default:
        break;
    }
    return !stopped();
}

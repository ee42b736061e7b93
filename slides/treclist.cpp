#include "slides/treclist.h"

#include "settings/byte_text.h"
#include "settings/options.h"
#include "slides/caption_case.h"
#include "slides/file_masks.h"
#include "slides/file_paths.h"
#include "slides/shuffle.h"
#include "slides/slide_order.h"
#include "slides/u_random.h"

#include <QByteArray>

#include <mutex>
#include <string_view>
#include <utility>

void treclist::ScanFolder(const Options& options)
{
    ScanFolder(options, ScanHooks());
}

bool treclist::ScanFolder(const Options& options, const ScanHooks& hooks)
{
    items.clear();
    too_deep = 0;
    more_kinds_left_out = 0;
    const auto stopped = [&] {
        if (!hooks.cancel || !hooks.cancel->load(std::memory_order_relaxed))
            return false;
        items.clear();
        too_deep = 0;
        more_kinds_left_out = 0;
        return true;
    };
    const bool moreKinds = options.cb_more_kinds;

    const QByteArray folder = TextToBytes(options.le_folder);
    std::vector<ListedFile> files;
    ListingWatch watch;
    watch.cancel = hooks.cancel;
    watch.progress = hooks.progress;
    watch.too_deep = [this, moreKinds](std::string_view name) {
        if (KindOfExtension(SplitBaseAndExtension(name).second, moreKinds) != FileKind::Other)
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
        const FileKind kind = KindOfExtension(extension, moreKinds);
        if (kind == FileKind::Other) {
            if (!moreKinds && IsMoreKindExtension(extension))
                ++more_kinds_left_out;
            continue;
        }
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

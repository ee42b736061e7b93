// Feeds arbitrary bytes to the settings file reader and the text forms of its
// values. A file read and written once must read back to the same text.

#include "settings/ini_file.h"
#include "settings/options.h"
#include "settings/text_forms.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    IniFile ini;
    ini.setText(bytes);
    const QByteArray once = ini.text();
    IniFile again;
    again.setText(once);
    if (again.text() != once)
        std::abort();

    for (const QString& section : ini.sections()) {
        for (const char* key : {"FontDialog_captions", "ColorDialog_background", "rg_order", "cb_subfolders"}) {
            const QString value = ini.readString(section, QLatin1String(key), QString());
            CaptionFont font;
            try {
                StringToFont(value, &font);
                // What a font turns into must read back as the same font.
                CaptionFont back;
                StringToFont(FontToString(&font), &back);
                if (!(back == font))
                    std::abort();
            } catch (const EConvertError&) {
            }
            try {
                const TColor colour = StringToColor(value);
                if (StringToColor(ColorToString(colour)) != colour)
                    std::abort();
            } catch (const EConvertError&) {
            }
            std::int32_t n = 0;
            (void)TryStrToInt(value, n);
            (void)ini.readBool(section, QLatin1String(key), false);
        }
    }
    return 0;
}

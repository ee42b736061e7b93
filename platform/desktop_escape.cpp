#include "platform/desktop_escape.h"

#include <gio/gio.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <system_error>

namespace platform {

namespace {

const char* const kSchema = "org.gnome.mutter.wayland.keybindings";
const char* const kKey = "restore-shortcuts";
// What the file says when the user never set the binding: the setting is
// reset then, not pinned to today's default.
const char* const kDefault = "default";

struct SettingsDeleter {
    void operator()(GSettings* s) const { g_object_unref(s); }
};
using Settings = std::unique_ptr<GSettings, SettingsDeleter>;

// Mutter's settings, or null where they are not installed (g_settings_new
// would abort the program on a missing schema).
Settings OpenSettings()
{
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    if (!source)
        return nullptr;
    GSettingsSchema* schema = g_settings_schema_source_lookup(source, kSchema, TRUE);
    if (!schema)
        return nullptr;
    const bool hasKey = g_settings_schema_has_key(schema, kKey);
    g_settings_schema_unref(schema);
    if (!hasKey)
        return nullptr;
    return Settings(g_settings_new(kSchema));
}

std::string UserValue(GSettings* settings)
{
    GVariant* value = g_settings_get_user_value(settings, kKey);
    if (!value)
        return kDefault;
    gchar* text = g_variant_print(value, TRUE);
    std::string result(text);
    g_free(text);
    g_variant_unref(value);
    return result;
}

// The whole file or nothing: written beside it, then renamed over it.
bool WriteSaved(const std::filesystem::path& file, const std::string& text)
{
    std::filesystem::path temporary = file;
    temporary += ".new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text << '\n';
        out.flush();
        if (!out)
            return false;
    }
    std::error_code error;
    std::filesystem::rename(temporary, file, error);
    if (error) {
        std::filesystem::remove(temporary, error);
        return false;
    }
    return true;
}

class GnomeEscapeHold final : public DesktopEscapeHold {
public:
    explicit GnomeEscapeHold(std::filesystem::path savedFile) : savedFile_(std::move(savedFile)) {}
    ~GnomeEscapeHold() override { Release(); }

    std::string Hold() override
    {
        if (held_)
            return kWhat;
        // A binding an earlier run left off is the user's to get back first.
        RestoreDesktopEscape(savedFile_);
        Settings settings = OpenSettings();
        if (!settings)
            return {};
        // Without the user's binding safely written down it stays as it is.
        if (!WriteSaved(savedFile_, UserValue(settings.get())))
            return {};
        const gchar* const none[] = {nullptr};
        if (!g_settings_set_strv(settings.get(), kKey, none)) {
            std::error_code error;
            std::filesystem::remove(savedFile_, error);
            return {};
        }
        g_settings_sync();
        held_ = true;
        return kWhat;
    }

    void Release() override
    {
        if (!held_)
            return;
        RestoreDesktopEscape(savedFile_);
        held_ = false;
    }

private:
    static constexpr const char* kWhat = "GNOME's Super+Escape";
    std::filesystem::path savedFile_;
    bool held_ = false;
};

} // namespace

bool IsGnomeDesktop(const std::string& currentDesktop)
{
    std::istringstream names(currentDesktop);
    std::string name;
    while (std::getline(names, name, ':')) {
        if (name == "GNOME")
            return true;
    }
    return false;
}

std::unique_ptr<DesktopEscapeHold> CreateDesktopEscapeHold(bool wayland, std::filesystem::path savedFile)
{
    const char* desktop = std::getenv("XDG_CURRENT_DESKTOP");
    if (!wayland || !desktop || !IsGnomeDesktop(desktop))
        return std::make_unique<NullDesktopEscapeHold>();
    return std::make_unique<GnomeEscapeHold>(std::move(savedFile));
}

void RestoreDesktopEscape(const std::filesystem::path& savedFile)
{
    std::string text;
    {
        std::ifstream in(savedFile, std::ios::binary);
        if (!in)
            return;
        std::getline(in, text);
    }
    std::error_code error;
    Settings settings = OpenSettings();
    if (!settings) {
        // Nothing left to give it back to.
        std::filesystem::remove(savedFile, error);
        return;
    }
    bool restored = false;
    if (text == kDefault) {
        g_settings_reset(settings.get(), kKey);
        restored = true;
    } else {
        GVariant* value = g_variant_parse(G_VARIANT_TYPE_STRING_ARRAY, text.c_str(), nullptr, nullptr, nullptr);
        if (value) {
            // Floating: the setting takes it.
            restored = g_settings_set_value(settings.get(), kKey, value);
        } else {
            // A damaged file: GNOME's own default is the best guess.
            g_settings_reset(settings.get(), kKey);
            restored = true;
        }
    }
    g_settings_sync();
    if (restored)
        std::filesystem::remove(savedFile, error);
}

} // namespace platform

// GNOME's Super+Escape turned off for a locked show and given back, through
// GSettings' in-memory backend and a copy of mutter's schema of our own, so
// that nothing of the machine's settings is touched.

#include "platform/desktop_escape.h"

#include <gio/gio.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

const char* const kSchema = "org.gnome.mutter.wayland.keybindings";
const char* const kKey = "restore-shortcuts";

const char* const kSchemaXml = R"(<schemalist>
  <schema id="org.gnome.mutter.wayland.keybindings" path="/org/gnome/mutter/wayland/keybindings/">
    <key name="restore-shortcuts" type="as">
      <default><![CDATA[['<Super>Escape']]]></default>
    </key>
  </schema>
</schemalist>
)";

fs::path g_schemas; // compiled once, before GSettings first looks

std::string Value()
{
    GSettings* s = g_settings_new(kSchema);
    GVariant* v = g_settings_get_value(s, kKey);
    gchar* text = g_variant_print(v, FALSE);
    std::string result(text);
    g_free(text);
    g_variant_unref(v);
    g_object_unref(s);
    return result;
}

bool UserSet()
{
    GSettings* s = g_settings_new(kSchema);
    GVariant* v = g_settings_get_user_value(s, kKey);
    const bool set = v != nullptr;
    if (v)
        g_variant_unref(v);
    g_object_unref(s);
    return set;
}

void Set(const char* text)
{
    GSettings* s = g_settings_new(kSchema);
    g_settings_set_value(s, kKey, g_variant_parse(G_VARIANT_TYPE_STRING_ARRAY, text, nullptr, nullptr, nullptr));
    g_object_unref(s);
}

void Reset()
{
    GSettings* s = g_settings_new(kSchema);
    g_settings_reset(s, kKey);
    g_object_unref(s);
}

class DesktopEscape : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = fs::temp_directory_path() / ("bimbalo-escape-" + std::to_string(::getpid()));
        fs::create_directories(dir);
        saved = dir / "desktop-escape.saved";
        Reset();
    }
    void TearDown() override { fs::remove_all(dir); }

    std::unique_ptr<platform::DesktopEscapeHold> Gnome() { return platform::CreateDesktopEscapeHold(true, saved); }

    fs::path dir;
    fs::path saved;
};

TEST_F(DesktopEscape, OnlyOnGnomeUnderWayland)
{
    EXPECT_TRUE(platform::IsGnomeDesktop("GNOME"));
    EXPECT_TRUE(platform::IsGnomeDesktop("ubuntu:GNOME"));
    EXPECT_FALSE(platform::IsGnomeDesktop("KDE"));
    EXPECT_FALSE(platform::IsGnomeDesktop("GNOME-Flashback-not"));
    EXPECT_FALSE(platform::IsGnomeDesktop(""));

    EXPECT_EQ(platform::CreateDesktopEscapeHold(false, saved)->Hold(), "");
    setenv("XDG_CURRENT_DESKTOP", "KDE", 1);
    EXPECT_EQ(Gnome()->Hold(), "");
    setenv("XDG_CURRENT_DESKTOP", "GNOME", 1);
    EXPECT_EQ(Value(), "['<Super>Escape']");
    EXPECT_FALSE(fs::exists(saved));
}

// The user's own binding comes back exactly; a default one comes back as
// the default, not pinned to today's value.
TEST_F(DesktopEscape, HoldTurnsItOffAndReleaseGivesTheUsersBindingBack)
{
    for (bool own : {true, false}) {
        SCOPED_TRACE(own ? "the user's binding" : "the default");
        if (own)
            Set("['<Control><Super>Escape', '<Alt>Pause']");
        else
            Reset();
        const std::string before = Value();
        auto hold = Gnome();
        EXPECT_EQ(hold->Hold(), "GNOME's Super+Escape");
        EXPECT_EQ(Value(), "[]");
        EXPECT_TRUE(fs::exists(saved));
        EXPECT_EQ(hold->Hold(), "GNOME's Super+Escape"); // a second hold keeps the first one's file
        hold->Release();
        EXPECT_EQ(Value(), before);
        EXPECT_EQ(UserSet(), own);
        EXPECT_FALSE(fs::exists(saved));
        hold->Release(); // nothing more to give back
        EXPECT_EQ(Value(), before);
    }
}

// A run that never released (a crash) left the binding off and the file
// behind: the next start gives it back, also from a damaged file.
TEST_F(DesktopEscape, TheNextStartGivesBackWhatACrashLeftOff)
{
    Set("['<Super>F12']");
    {
        auto hold = Gnome();
        ASSERT_EQ(hold->Hold(), "GNOME's Super+Escape");
        fs::copy_file(saved, dir / "left-behind");
    } // the destructor releases, as an orderly end would
    EXPECT_EQ(Value(), "['<Super>F12']");

    Set("@as []");
    fs::copy_file(dir / "left-behind", saved);
    platform::RestoreDesktopEscape(saved);
    EXPECT_EQ(Value(), "['<Super>F12']");
    EXPECT_FALSE(fs::exists(saved));

    Set("@as []");
    std::ofstream(saved) << "['<Super>Esc\n";
    platform::RestoreDesktopEscape(saved);
    EXPECT_EQ(Value(), "['<Super>Escape']");
    EXPECT_FALSE(UserSet());
    EXPECT_FALSE(fs::exists(saved));

    platform::RestoreDesktopEscape(saved); // no file: nothing happens
    EXPECT_EQ(Value(), "['<Super>Escape']");
}

// Where the user's binding cannot be written down first, it is left alone.
TEST_F(DesktopEscape, NoFileNoChange)
{
    Set("['<Super>x']");
    auto hold = platform::CreateDesktopEscapeHold(true, dir / "missing-folder" / "desktop-escape.saved");
    EXPECT_EQ(hold->Hold(), "");
    EXPECT_EQ(Value(), "['<Super>x']");
}

} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    g_schemas = fs::temp_directory_path() / ("bimbalo-escape-schemas-" + std::to_string(::getpid()));
    fs::create_directories(g_schemas);
    std::ofstream(g_schemas / "org.gnome.mutter.wayland.gschema.xml") << kSchemaXml;
    const std::string compile = "glib-compile-schemas " + g_schemas.string();
    if (std::system(compile.c_str()) != 0) {
        std::puts("SKIP: glib-compile-schemas failed (libglib2.0-bin)");
        fs::remove_all(g_schemas);
        return 77;
    }
    setenv("GSETTINGS_SCHEMA_DIR", g_schemas.c_str(), 1);
    setenv("GSETTINGS_BACKEND", "memory", 1);
    setenv("XDG_CURRENT_DESKTOP", "GNOME", 1);
    const int result = RUN_ALL_TESTS();
    fs::remove_all(g_schemas);
    return result;
}

// Where the settings file lives: beside a portable copy, in the user's folder for an installed one.
#include "settings/options_location.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace trassel {
namespace {

namespace fs = std::filesystem;

TEST(OptionsLocation, BesideAWritableProgramElseInTheUsersConfigurationFolder)
{
    const fs::path exe = "/opt/trassel/bin";
    const fs::path config = "/home/engineer/.config/Trassel";
    fs::path asked;
    const auto writable = [&](const fs::path& dir) {
        asked = dir;
        return true;
    };
    EXPECT_EQ(ChooseOptionsFile(exe, config, writable), exe / "TrasselOptions.ini");
    EXPECT_EQ(asked, exe);
    EXPECT_EQ(ChooseOptionsFile(exe, config, [](const fs::path&) { return false; }), config / "TrasselOptions.ini");
    // Without a home there is nowhere else to go: the program's folder, and a save says why it failed.
    EXPECT_EQ(ChooseOptionsFile(exe, fs::path(), [](const fs::path&) { return false; }), exe / "TrasselOptions.ini");

    EXPECT_EQ(UserConfigDir("/xdg", "/home/e"), fs::path("/xdg/Trassel"));
    EXPECT_EQ(UserConfigDir(nullptr, "/home/e"), fs::path("/home/e/.config/Trassel"));
    EXPECT_EQ(UserConfigDir("relative/not/allowed", "/home/e"), fs::path("/home/e/.config/Trassel"));
    EXPECT_EQ(UserConfigDir(nullptr, nullptr), fs::path());

    // Windows: %APPDATA%\Trassel, and nothing without an absolute %APPDATA%.
#ifdef _WIN32
    const fs::path appData = u8"C:\\Users\\Инженер\\AppData\\Roaming";
#else
    const fs::path appData = u8"/home/Инженер/AppData/Roaming";
#endif
    EXPECT_EQ(AppDataConfigDir(appData), appData / "Trassel");
    EXPECT_EQ(AppDataConfigDir(fs::path()), fs::path());
    EXPECT_EQ(AppDataConfigDir("AppData"), fs::path());
}

TEST(OptionsLocation, WritabilityIsProbedWithoutLeavingAFile)
{
    const fs::path dir = fs::temp_directory_path() / "trassel-options-location-test";
    fs::remove_all(dir);
    fs::create_directories(dir);
    EXPECT_TRUE(DirectoryWritable(dir));
    EXPECT_TRUE(fs::is_empty(dir));
    EXPECT_FALSE(DirectoryWritable(dir / "missing"));
    // A file is not a folder one can write into.
    const fs::path file = dir / "plain";
    std::ofstream(file) << "";
    ASSERT_TRUE(fs::is_regular_file(file));
    EXPECT_FALSE(DirectoryWritable(file));
    fs::remove_all(dir);
}

} // namespace
} // namespace trassel

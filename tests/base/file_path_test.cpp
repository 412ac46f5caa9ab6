// Paths cross the core as UTF-8: a folder and file named in Cyrillic with spaces are created,
// written, found and read whole through the core's file functions, on Linux and on Windows.
#include "base/atomic_file.h"
#include "base/file_path.h"

#include "support/test_process.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace trassel {
namespace {

namespace fs = std::filesystem;

std::size_t entries(const fs::path& d)
{
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(d), fs::directory_iterator()));
}

TEST(FilePath, Utf8TextAndPathsConvertBothWays)
{
    const std::string name = "Обследования 2026/участок №1 (путь 2).txt";
    const fs::path path = PathFromUtf8(name);
    // The system's own form of the name: the bytes on Linux, UTF-16 on Windows.
#ifdef _WIN32
    EXPECT_EQ(path.native(), L"Обследования 2026/участок №1 (путь 2).txt");
#else
    EXPECT_EQ(path.native(), name);
#endif
    EXPECT_EQ(path.filename(), PathFromUtf8("участок №1 (путь 2).txt"));
    EXPECT_EQ(PathToUtf8(path), name);
    EXPECT_EQ(GenericPathToUtf8(path), name);
    EXPECT_EQ(PathToUtf8(path.parent_path()), "Обследования 2026");
    EXPECT_EQ(PathToUtf8(PathFromUtf8("")), "");
}

TEST(FilePath, FilesInCyrillicFoldersAreWrittenFoundAndReadWhole)
{
    const fs::path dir = fs::temp_directory_path() / PathFromUtf8("trassel-путь " + std::to_string(test::ProcessId()));
    fs::remove_all(dir);
    fs::create_directories(dir / PathFromUtf8("Обследования 2026"));
    const std::string file = PathToUtf8(dir / PathFromUtf8("Обследования 2026/участок №1.txt"));

    EXPECT_FALSE(PathExists(file));
    WriteFileAtomically(file, "км\tм\r\n123\t0\r\n");
    EXPECT_TRUE(PathExists(file));
    // The system sees the file under the very name, and nothing else beside it.
    EXPECT_TRUE(fs::is_regular_file(dir / PathFromUtf8("Обследования 2026") / PathFromUtf8("участок №1.txt")));
    EXPECT_EQ(entries(dir / PathFromUtf8("Обследования 2026")), 1u);
    const FileBytes read = ReadWholeFile(file);
    EXPECT_EQ(std::string(read.data.get(), read.size), "км\tм\r\n123\t0\r\n");

    // Replaced, the file keeps its name and takes the new bytes; no temporary stays.
    WriteFileAtomically(file, "новое");
    const FileBytes again = ReadWholeFile(file);
    EXPECT_EQ(std::string(again.data.get(), again.size), "новое");
    EXPECT_EQ(entries(dir / PathFromUtf8("Обследования 2026")), 1u);
    EXPECT_TRUE(PathExists(PathToUtf8(dir))); // a folder is found too
    fs::remove_all(dir);
}

TEST(FilePath, TheExecutablesFolderHoldsTheRunningProgram)
{
    const fs::path folder = ExecutableDir();
    ASSERT_TRUE(fs::is_directory(folder)) << PathToUtf8(folder);
#ifdef _WIN32
    EXPECT_TRUE(fs::exists(folder / "test_base.exe")) << PathToUtf8(folder);
#else
    EXPECT_TRUE(fs::exists(folder / "test_base")) << PathToUtf8(folder);
#endif
}

TEST(FilePath, TheCommandLineComesWithoutTheProgramsName)
{
#ifdef _WIN32
    // Read again from the system, whatever argv says: as many as the C runtime counted.
    EXPECT_EQ(CommandLineArguments(0, nullptr).size(), static_cast<std::size_t>(__argc - 1));
#else
    char program[] = "trassel-render";
    char table[] = "--table";
    char file[] = "Обследования 2026/глубины.txt";
    char* argv[] = {program, table, file, nullptr};
    EXPECT_EQ(CommandLineArguments(3, argv), (std::vector<std::string>{"--table", "Обследования 2026/глубины.txt"}));
    EXPECT_TRUE(CommandLineArguments(0, argv).empty());
#endif
}

} // namespace
} // namespace trassel

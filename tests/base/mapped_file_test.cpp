#include "base/mapped_file.h"

#include "base/error.h"
#include "base/file_path.h"
#include "support/error_text.h"
#include "support/test_process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace trassel {
namespace {

namespace fs = std::filesystem;

class MappedFileTest : public ::testing::Test {
protected:
    MappedFileTest()
    {
        dir_ = fs::temp_directory_path() / ("trassel-mapped-" + std::to_string(test::ProcessId()));
        fs::create_directories(dir_);
    }
    ~MappedFileTest() override
    {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    std::string write(const std::string& name, const std::string& bytes)
    {
        const std::string path = PathToUtf8(dir_ / PathFromUtf8(name));
        std::ofstream(PathFromUtf8(path), std::ios::binary) << bytes;
        return path;
    }
    fs::path dir_;
};

TEST_F(MappedFileTest, MapsTheBytesOfAFileAndReadsBlocksOfItThroughMoves)
{
    std::string content(3 * 65536 + 17, '\0');
    for (std::size_t i = 0; i < content.size(); ++i)
        content[i] = static_cast<char>(i * 31 + 7);
    // A Cyrillic name: paths are UTF-8 on every system.
    const std::string path = write("радарограмма.dzt", content);
    MappedFile file(path);
    ASSERT_EQ(file.size(), content.size());
    EXPECT_EQ(file.path(), path);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(file.bytes().data()), file.size()), content);
    // Blocks read with the system's calls are the mapped bytes; fewer at the end, none beyond it.
    std::vector<std::uint8_t> block(70000);
    ASSERT_EQ(file.read(100, block), block.size());
    EXPECT_TRUE(std::equal(block.begin(), block.end(), file.bytes().begin() + 100));
    EXPECT_EQ(file.read(file.size() - 10, block), 10U);
    EXPECT_EQ(block[9], file.bytes().back());
    EXPECT_EQ(file.read(file.size() + 5, block), 0U);

    MappedFile moved(std::move(file));
    EXPECT_EQ(file.size(), 0U);
    EXPECT_EQ(moved.bytes()[1], static_cast<std::uint8_t>(content[1]));
    MappedFile other(write("other", "xyz"));
    other = std::move(moved);
    EXPECT_EQ(other.size(), content.size());
    EXPECT_EQ(other.bytes().back(), static_cast<std::uint8_t>(content.back()));
    std::uint8_t byte = 0;
    EXPECT_EQ(other.read(1, std::span<std::uint8_t>(&byte, 1)), 1U);
    EXPECT_EQ(byte, static_cast<std::uint8_t>(content[1]));
    EXPECT_EQ(moved.read(0, std::span<std::uint8_t>(&byte, 1)), 0U); // a moved-from file reads nothing

    const MappedFile empty(write("empty", ""));
    EXPECT_EQ(empty.size(), 0U);
    EXPECT_TRUE(empty.bytes().empty());
    EXPECT_EQ(empty.read(0, block), 0U);
}

TEST_F(MappedFileTest, WhatIsNotARegularFileIsRefusedInRussian)
{
    const std::string missing = PathToUtf8(dir_ / "missing.dzt");
    EXPECT_EQ(errorText([&] { MappedFile{missing}; }), "Не удалось открыть файл \"" + missing + "\": нет такого файла");
    const std::string folder = PathToUtf8(dir_);
    EXPECT_EQ(errorText([&] { MappedFile{folder}; }),
              "Не удалось открыть файл \"" + folder + "\": это папка, а не файл");
#ifndef _WIN32
    // A FIFO without a writer would hang a plain open: refused at once.
    const std::string fifo = PathToUtf8(dir_ / "fifo.dzt");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(errorText([&] { MappedFile{fifo}; }), "Не удалось открыть файл \"" + fifo + "\": это не обычный файл");
    if (test::PermissionBitsRefuse()) {
        const std::string locked = write("locked.dzt", "x");
        ::chmod(locked.c_str(), 0);
        EXPECT_EQ(errorText([&] { MappedFile{locked}; }), "Не удалось открыть файл \"" + locked + "\": нет доступа");
    }
#endif
}

} // namespace
} // namespace trassel

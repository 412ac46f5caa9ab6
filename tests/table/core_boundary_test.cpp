// The core library must build without any GUI toolkit: no file it compiles, nor any project
// header such a file includes, may include a Qt or chart-widget header.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <cctype>
#include <string>

namespace fs = std::filesystem;

namespace {

const fs::path kSrc = fs::path(TRASSEL_SOURCE_DIR) / "src";

std::string readFile(const fs::path& p)
{
    std::ifstream in(p);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// Files listed in `target_sources(trassel_core PRIVATE ...)` blocks of every src folder.
std::set<fs::path> coreSources()
{
    std::set<fs::path> files;
    const std::string opening = "target_sources(trassel_core PRIVATE";
    for (const auto& entry : fs::recursive_directory_iterator(kSrc)) {
        if (entry.path().filename() != "CMakeLists.txt")
            continue;
        const std::string text = readFile(entry.path());
        for (auto at = text.find(opening); at != std::string::npos; at = text.find(opening, at + 1)) {
            const auto begin = at + opening.size();
            const auto end = text.find(')', begin);
            std::istringstream names(text.substr(begin, end - begin));
            std::string name;
            while (names >> name)
                if (name[0] != '#')
                    files.insert(entry.path().parent_path() / name);
        }
    }
    return files;
}

// The header names of the #include lines of a file.
std::set<std::string> includes(const std::string& text)
{
    std::set<std::string> out;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        const auto hash = line.find_first_not_of(" \t");
        if (hash == std::string::npos || line[hash] != '#' || line.find("include", hash) == std::string::npos)
            continue;
        const auto open = line.find_first_of("<\"", hash);
        const auto close = open == std::string::npos ? open : line.find_first_of(">\"", open + 1);
        if (close != std::string::npos)
            out.insert(line.substr(open + 1, close - open - 1));
    }
    return out;
}

bool isToolkitHeader(const std::string& header)
{
    const std::string base = header.substr(header.find_last_of('/') + 1);
    return header.rfind("Qt", 0) == 0 ||
           (base.size() > 1 && base[0] == 'Q' && std::isupper(static_cast<unsigned char>(base[1]))) ||
           (base.size() > 2 && base[0] == 'q' && base.ends_with(".h") && header.find('/') == std::string::npos &&
            !fs::exists(kSrc / header));
}

} // namespace

TEST(CoreBoundary, RecognisesToolkitHeaders)
{
    EXPECT_TRUE(isToolkitHeader("QImage"));
    EXPECT_TRUE(isToolkitHeader("QtCore/qstring.h"));
    EXPECT_TRUE(isToolkitHeader("qcustomplot.h"));
    EXPECT_FALSE(isToolkitHeader("table/grid.h"));
    EXPECT_FALSE(isToolkitHeader("vector"));
    EXPECT_FALSE(isToolkitHeader("queue"));
}

TEST(CoreBoundary, NoToolkitHeaderReachesTheCore)
{
    std::set<fs::path> todo = coreSources();
    ASSERT_GT(todo.size(), 4u);
    std::set<fs::path> seen;
    while (!todo.empty()) {
        const fs::path file = *todo.begin();
        todo.erase(todo.begin());
        if (!seen.insert(file).second)
            continue;
        ASSERT_TRUE(fs::exists(file)) << file;
        for (const std::string& header : includes(readFile(file))) {
            EXPECT_FALSE(isToolkitHeader(header)) << file << " includes " << header;
            if (fs::exists(kSrc / header))
                todo.insert(kSrc / header);
        }
    }
}

// Where a file lives says which layer it belongs to: the Qt files of a subsystem sit in its
// qt/ folder, and the folders of the Qt layers (app, widgets, platform) hold only Qt files.
// Every other file is core, whether the core library compiles it yet or not.
TEST(CoreBoundary, TheFolderSaysTheLayer)
{
    const std::set<std::string> qtFolders = {"app", "widgets", "platform"};
    int coreFiles = 0;
    for (const auto& entry : fs::recursive_directory_iterator(kSrc)) {
        const fs::path rel = fs::relative(entry.path(), kSrc);
        const std::string ext = rel.extension().string();
        if (ext != ".h" && ext != ".cpp")
            continue;
        bool qtPlace = qtFolders.count(rel.begin()->string()) > 0;
        for (const auto& part : rel.parent_path())
            qtPlace = qtPlace || part == "qt";
        if (qtPlace)
            continue;
        ++coreFiles;
        for (const std::string& header : includes(readFile(entry.path())))
            EXPECT_FALSE(isToolkitHeader(header)) << rel << " includes " << header << " outside a qt/ folder";
    }
    EXPECT_GT(coreFiles, 40);
}

// The core library must build without any GUI toolkit: no file it compiles, nor any project
// header such a file includes, may include a Qt or chart-widget header.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

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

// Files listed in `target_sources(trassel_core ...)` blocks of every src folder.
std::set<fs::path> coreSources()
{
    std::set<fs::path> files;
    const std::regex block(R"(target_sources\(\s*trassel_core\s+PRIVATE([^)]*)\))");
    for (const auto& entry : fs::recursive_directory_iterator(kSrc)) {
        if (entry.path().filename() != "CMakeLists.txt")
            continue;
        const std::string text = readFile(entry.path());
        for (std::sregex_iterator it(text.begin(), text.end(), block), end; it != end; ++it) {
            std::istringstream names((*it)[1].str());
            std::string name;
            while (names >> name)
                if (name[0] != '#')
                    files.insert(entry.path().parent_path() / name);
        }
    }
    return files;
}

} // namespace

TEST(CoreBoundary, NoToolkitHeaderReachesTheCore)
{
    std::set<fs::path> todo = coreSources();
    ASSERT_GT(todo.size(), 4u);
    std::set<fs::path> seen;
    const std::regex include(R"(#\s*include\s*[<"]([^>"]+)[>"])");
    const std::regex forbidden(R"(^(Q[A-Za-z]*|Qt[A-Za-z]*/.*|qcustomplot\.h|q[a-z]+\.h)$)");
    while (!todo.empty()) {
        const fs::path file = *todo.begin();
        todo.erase(todo.begin());
        if (!seen.insert(file).second)
            continue;
        ASSERT_TRUE(fs::exists(file)) << file;
        const std::string text = readFile(file);
        for (std::sregex_iterator it(text.begin(), text.end(), include), end; it != end; ++it) {
            const std::string header = (*it)[1].str();
            EXPECT_FALSE(std::regex_match(header, forbidden)) << file << " includes " << header;
            const fs::path local = kSrc / header;
            if (fs::exists(local))
                todo.insert(local);
        }
    }
}

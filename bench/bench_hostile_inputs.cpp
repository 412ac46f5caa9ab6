// Hostile and unlucky input files at full size: for each, the time the import (a table), the
// open (a project) or the load (a soil list) takes and the peak memory it needs above the idle
// process, or the message it refuses the file with.
// Each case runs in a child process of its own, so that one case's memory does not hide the
// next one's. Run by scripts/bench; prints a table.
#include "base/atomic_file.h"
#include "base/error.h"
#include "dialogs/soil_list.h"
#include "document/section_scene.h"
#include "document/survey_document.h"
#include "document/workspace.h"
#include "radargram/picture_end.h"

#include "reference_table.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <nlohmann/json.hpp>
#include <random>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace trassel;
namespace fs = std::filesystem;

namespace {

constexpr std::size_t kMB = std::size_t{1} << 20;

long residentKb()
{
    long pages = 0;
    long resident = 0;
    if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// What a case does with its file: the outcome to print.
using Action = std::function<std::string(const fs::path&)>;

// A table import into a fresh document, as "Открыть" does.
std::string ImportTable(const fs::path& path)
{
    SurveyDocument doc;
    FileBytes bytes = ReadWholeFile(path.string());
    const std::size_t size = bytes.size;
    if (!doc.importTable(std::move(bytes.data), size))
        return "\"Файл пустой!\"";
    return std::to_string(doc.depthTable().rowCount() - 1) + " rows x " +
           std::to_string(doc.depthTable().colCount() - 1) + " cols";
}

// "Открыть проект": the project read into a document of its own and handed to the window's.
std::string OpenProject(const fs::path& path)
{
    SurveyDocument window;
    LoadedWorkspace loaded = LoadWorkspace(path.string());
    window.takeOver(*loaded.document);
    return std::to_string(window.depthTable().rowCount()) + " rows, " +
           std::to_string(window.section().annotations().size()) + " annotation steps";
}

// The soil window's "Загрузить": the list read aside and given to the document.
std::string LoadSoilList(const fs::path& path)
{
    SurveyDocument doc;
    const FileBytes bytes = ReadWholeFile(path.string());
    doc.setSoils(ReadSoilList(std::string_view(bytes.data.get(), bytes.size)));
    return std::to_string(doc.soils().size()) + " soils";
}

// The radargram panel's check before a picture is decoded: a regular file only, and the
// picture's data reaching its end (the decoding itself is bench_radargram's).
std::string CheckPicture(const fs::path& path)
{
    const int fd = OpenRegularFile(path.string());
    if (fd < 0)
        return std::string("\"") + std::strerror(errno) + "\"";
    const auto size = fs::file_size(path);
    PictureEndCheck check(path.extension() == ".bmp" ? PictureEndCheck::Kind::Bmp : PictureEndCheck::Kind::Jpeg, size);
    std::vector<unsigned char> block(kMB);
    bool known = false;
    while (!known) {
        const ssize_t n = ::read(fd, block.data(), block.size());
        if (n <= 0)
            break;
        known = check.feed(block.data(), static_cast<std::size_t>(n));
    }
    ::close(fd);
    return check.complete() ? "whole" : "cut short: refused";
}

// A JPEG of one greyscale component whose coded data are `codedBytes` of noise (no 0xFF, so no
// marker), with or without its end-of-image marker.
void makeJpeg(const fs::path& path, std::size_t codedBytes, bool whole, std::mt19937& rnd)
{
    std::ofstream out(path, std::ios::binary);
    const unsigned char head[] = {0xFF, 0xD8, // start of image
                                  0xFF, 0xC0, 0x00, 0x0B, 0x08, 0x03, 0xE8, 0xFF, 0xFF, 0x01,
                                  0x01, 0x11, 0x00,                                            // 65535 x 1000
                                  0xFF, 0xDA, 0x00, 0x08, 0x01, 0x01, 0x00, 0x00, 0x3F, 0x00}; // start of scan
    out.write(reinterpret_cast<const char*>(head), sizeof head);
    std::string chunk;
    for (std::size_t i = 0; i < codedBytes;) {
        chunk.clear();
        for (std::size_t k = 0; k < kMB && i < codedBytes; ++k, ++i)
            chunk += static_cast<char>(rnd() % 0xFF);
        out << chunk;
    }
    if (whole)
        out << "\xFF\xD9";
}

// An 8-bit BMP of 1000 x `rows` whose pixel rows stop at `keptRows`.
void makeBmp(const fs::path& path, std::int32_t rows, std::int32_t keptRows)
{
    std::string header(14 + 40 + 1024, '\0');
    auto put = [&](std::size_t at, std::uint32_t v, int bytes) {
        for (int k = 0; k < bytes; ++k)
            header[at + k] = static_cast<char>(v >> (8 * k));
    };
    const std::uint32_t dataSize = 1000U * static_cast<std::uint32_t>(rows);
    header[0] = 'B';
    header[1] = 'M';
    put(2, static_cast<std::uint32_t>(header.size()) + dataSize, 4);
    put(10, static_cast<std::uint32_t>(header.size()), 4);
    put(14, 40, 4);
    put(18, 1000, 4);
    put(22, static_cast<std::uint32_t>(rows), 4);
    put(26, 1, 2);
    put(28, 8, 2);
    put(34, dataSize, 4);
    put(46, 256, 4);
    std::ofstream out(path, std::ios::binary);
    out << header;
    const std::string row(1000, '\x80');
    for (std::int32_t r = 0; r < keptRows; ++r)
        out << row;
}

// Runs `action` on `path` in a child process and prints one line of the table.
void run(const char* name, const fs::path& path, const Action& action = ImportTable)
{
    std::fflush(stdout);
    const pid_t child = fork();
    if (child == 0) {
        const long before = residentKb();
        const auto start = std::chrono::steady_clock::now();
        std::string outcome;
        try {
            outcome = action(path);
        } catch (const Error& e) {
            outcome = std::string("\"") + e.what() + "\"";
        } catch (const std::bad_alloc&) {
            outcome = "out of memory";
        }
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        std::error_code ec;
        const auto size = fs::is_regular_file(path, ec) ? fs::file_size(path, ec) : 0;
        std::printf("%-28s %9.1f MB %8.3f s %9.1f MB  %s\n", name, static_cast<double>(size) / kMB, seconds,
                    static_cast<double>(usage.ru_maxrss - before) / 1024.0, outcome.c_str());
        std::fflush(stdout);
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status))
        std::printf("%-28s ended by signal %d\n", name, WTERMSIG(status));
}

// A project file whose member at `place` (a JSON string "@@") is replaced by `count` copies
// of `piece` between `open` and `close`: a project as the program writes it, with one part
// blown up.
void makeProject(const fs::path& path, const SurveyDocument& doc,
                 const std::function<void(nlohmann::ordered_json&)>& mark, const std::string& open,
                 const std::string& piece, std::size_t count, const std::string& close)
{
    auto json = nlohmann::ordered_json::parse(WorkspaceText(doc, path.string()));
    mark(json);
    const std::string text = json.dump(1, '\t');
    const std::size_t at = text.find("\"@@\"");
    std::ofstream out(path, std::ios::binary);
    out << text.substr(0, at) << open;
    std::string chunk;
    for (std::size_t i = 0; i < count;) {
        chunk.clear();
        for (; i < count && chunk.size() < kMB; ++i)
            chunk += piece;
        out << chunk;
    }
    out << close << text.substr(at + 4);
}

void make(const fs::path& path, std::size_t size, const std::function<char(std::size_t)>& byte)
{
    std::ofstream out(path, std::ios::binary);
    std::string chunk;
    for (std::size_t i = 0; i < size;) {
        chunk.clear();
        for (std::size_t k = 0; k < kMB && i < size; ++k, ++i)
            chunk += byte(i);
        out << chunk;
    }
}

} // namespace

int main()
{
    const fs::path dir = fs::temp_directory_path() / ("trassel-hostile-" + std::to_string(getpid()));
    fs::create_directories(dir);
    std::printf("%-28s %12s %10s %12s  %s\n", "input", "size", "time", "peak memory", "outcome");
    std::mt19937 rnd(5);

    {
        std::ofstream(dir / "reference.txt", std::ios::binary) << bench::ReferenceTableText();
        run("reference table 10^6 x 12", dir / "reference.txt");
    }
    make(dir / "letters", 200 * kMB, [](std::size_t) { return 'a'; });
    run("200 MB line of letters", dir / "letters");
    fs::remove(dir / "letters");
    make(dir / "lf", 200 * kMB, [](std::size_t) { return '\n'; });
    run("200 MB of LF bytes", dir / "lf");
    fs::remove(dir / "lf");
    make(dir / "tabs", 200 * kMB, [](std::size_t) { return '\t'; });
    run("200 MB line of tabs", dir / "tabs");
    fs::remove(dir / "tabs");
    make(dir / "crlf", 200 * kMB, [](std::size_t i) { return i % 2 == 0 ? '\r' : '\n'; });
    run("200 MB of empty lines", dir / "crlf");
    fs::remove(dir / "crlf");
    make(dir / "fields", 2'000'000, [](std::size_t i) { return i % 2 == 0 ? '1' : '\t'; });
    run("a line of 10^6 fields", dir / "fields");
    make(dir / "binary", 10 * kMB, [&](std::size_t) { return static_cast<char>(rnd()); });
    run("10 MB random binary", dir / "binary");
    make(dir / "nul", 10 * kMB, [](std::size_t i) {
        return i % 64 == 62 ? '\r' : i % 64 == 63 ? '\n' : i % 8 == 0 ? '\t' : '\0';
    });
    run("10 MB of NUL bytes", dir / "nul");
    make(dir / "cr", 10 * kMB, [](std::size_t i) { return i % 8 == 7 ? '\r' : '5'; });
    run("10 MB with lone CR", dir / "cr");
    make(dir / "empty", 0, [](std::size_t) { return ' '; });
    run("zero-byte file", dir / "empty");
    run("a directory", dir);
    mkfifo((dir / "fifo").c_str(), 0600);
    run("a FIFO without writer", dir / "fifo");
    run("a pseudo-file", "/proc/self/status");

    // Projects.
    {
        std::ofstream out(dir / "deep.trassel", std::ios::binary);
        out << "{\"format\": \"trassel-workspace\", \"version\": 1, \"x\": " << std::string(10'000'000, '[')
            << std::string(10'000'000, ']') << "}";
    }
    run("project, 10^7 nested arrays", dir / "deep.trassel", OpenProject);
    fs::remove(dir / "deep.trassel");
    {
        // One step of one mark, so that the file has its state; its marks then multiplied.
        SurveyDocument doc;
        SectionScene::Saved section;
        section.drawn = true;
        WorkspaceAnnotation step{"Карандаш", {WorkspaceMark{}}};
        section.annotations = {step};
        doc.section().restore(section);
        const std::string mark = "{\"kind\":\"line\",\"state\":0,\"a\":[1,2],\"b\":[3,4]},";
        const std::size_t marks = 550 * kMB / mark.size();
        makeProject(
            dir / "marks.trassel", doc,
            [](nlohmann::ordered_json& j) { j["extras"]["annotations"]["steps"][0]["marks"] = "@@"; }, "[", mark, marks,
            "{\"kind\":\"line\",\"state\":0,\"a\":[1,2],\"b\":[3,4]}]");
        run("project, 550 MB of marks", dir / "marks.trassel", OpenProject);
        fs::remove(dir / "marks.trassel");
    }
    {
        SurveyDocument doc;
        makeProject(
            dir / "rows.trassel", doc,
            [](nlohmann::ordered_json& j) {
                auto& t = j["tables"]["depth"];
                t["rows"] = 100'000'000;
                t["labels"] = "";
                t["cells"] = "@@";
            },
            "\"", "\\n", 100'000'000, "\"");
        run("project, 10^8 empty rows", dir / "rows.trassel", OpenProject);
        fs::remove(dir / "rows.trassel");
    }

    // Radargram pictures, checked before they are decoded.
    mkfifo((dir / "fifo.jpg").c_str(), 0600);
    run("picture, a FIFO", dir / "fifo.jpg", CheckPicture);
    makeJpeg(dir / "cut.jpg", 200 * kMB, false, rnd);
    run("picture, 200 MB JPEG cut", dir / "cut.jpg", CheckPicture);
    fs::remove(dir / "cut.jpg");
    makeJpeg(dir / "whole.jpg", 200 * kMB, true, rnd);
    run("picture, 200 MB JPEG whole", dir / "whole.jpg", CheckPicture);
    fs::remove(dir / "whole.jpg");
    makeBmp(dir / "cut.bmp", 200'000, 100'000);
    run("picture, BMP half its rows", dir / "cut.bmp", CheckPicture);
    fs::remove(dir / "cut.bmp");

    // Soil lists.
    make(dir / "soils", 20'000'000, [](std::size_t i) { return i % 2 == 0 ? '\r' : '\n'; });
    run("soil list, 10^7 empty lines", dir / "soils", LoadSoilList);
    {
        std::ofstream out(dir / "names", std::ios::binary);
        for (int i = 0; i < 100'000; ++i)
            out << "\xd1\xf3\xe3\xeb\xe8\xed\xee\xea " << i << "\r\n"; // "Суглинок" in Windows-1251
    }
    run("soil list, 10^5 names", dir / "names", LoadSoilList);
    fs::remove_all(dir);
    return 0;
}

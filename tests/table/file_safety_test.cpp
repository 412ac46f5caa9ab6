// What a read or a write of the user's files does with unlucky and hostile files: every
// failure leaves the former file byte for byte, keeps its permissions, leaves no temporary
// file and says the file's name and the system's reason. On Linux and, under Wine or on the
// real thing, on Windows; what only one of them has (FIFOs, mounts, symbolic links; locked
// files, the read-only mark) is tested there.
#include "base/atomic_file.h"
#include "base/error.h"
#include "base/file_path.h"
#include "table/grid.h"
#include "table/grid_io.h"

#include "support/error_text.h"
#include "support/test_process.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>
#endif

using namespace trassel;
namespace fs = std::filesystem;

namespace {

std::string slurp(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void put(const fs::path& p, const std::string& bytes) { std::ofstream(p, std::ios::binary) << bytes; }

class FileSafety : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = fs::temp_directory_path() / ("trassel-files-" + std::to_string(test::ProcessId()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        systemCalls = fileSystemCalls();
    }
    void TearDown() override
    {
        fileSystemCalls() = systemCalls;
#ifndef _WIN32
        if (mounted)
            ::umount(mounted->c_str());
#endif
        fs::remove_all(dir);
    }
    // Entries of a directory other than the ones named: a temporary file left behind shows here.
    std::size_t entries(const fs::path& d) const
    {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(d), fs::directory_iterator()));
    }
#ifndef _WIN32
    // A small file system of its own, where the test may mount one.
    bool mountSmall(const fs::path& at, const char* options)
    {
        fs::create_directories(at);
        if (::mount("tmpfs", at.c_str(), "tmpfs", 0, options) != 0)
            return false;
        mounted = at;
        return true;
    }
#endif

    fs::path dir;
    std::optional<fs::path> mounted;
    FileSystemCalls systemCalls{};
};

std::unique_ptr<Grid> tableOf(const std::string& text)
{
    auto g = std::make_unique<Grid>(2, 2);
    auto bytes = std::make_unique<char[]>(text.size());
    std::copy(text.begin(), text.end(), bytes.get());
    g->loadDelimited(std::move(bytes), text.size(), '\t');
    return g;
}

} // namespace

TEST_F(FileSafety, OnlyRegularFilesAreReadAndPseudoFilesToTheirEnd)
{
    EXPECT_EQ(errorText([&] { ReadWholeFile(PathToUtf8(dir)); }),
              "Не удалось открыть файл \"" + PathToUtf8(dir) + "\": это папка, а не файл");
    EXPECT_EQ(errorText([&] { ReadWholeFile(PathToUtf8(dir / "missing.txt")); }),
              "Не удалось открыть файл \"" + PathToUtf8(dir / "missing.txt") + "\": нет такого файла или папки");
    EXPECT_EQ(errorText([&] { ReadWholeFile(PathToUtf8(dir / "missing" / "table.txt")); }),
              "Не удалось открыть файл \"" + PathToUtf8(dir / "missing" / "table.txt") +
                  "\": нет такого файла или папки");
#ifdef _WIN32
    // A device is no file to read a table from.
    EXPECT_NE(errorText([&] { ReadWholeFile("NUL"); }).find("это не обычный файл"), std::string::npos);
#else
    const fs::path fifo = dir / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // No writer ever comes: the read must refuse at once instead of waiting for one.
    EXPECT_NE(errorText([&] { ReadWholeFile(fifo.string()); }).find("это не обычный файл"), std::string::npos);
    EXPECT_NE(errorText([&] { ReadWholeFile("/dev/null"); }).find("это не обычный файл"), std::string::npos);
    const FileBytes status = ReadWholeFile("/proc/self/status"); // says it is empty, is not
    EXPECT_GT(status.size, 10u);
#endif
    if (test::PermissionBitsRefuse()) {
        const fs::path locked = dir / "locked.txt";
        put(locked, "1\t2\r\n");
        fs::permissions(locked, fs::perms::none);
        EXPECT_NE(errorText([&] { ReadWholeFile(locked.string()); }).find("Permission denied"), std::string::npos);
    }
}

// Closes the descriptor, then reports a failure as a flaky disk would.
static int closeThenFail(int fd)
{
#ifdef _WIN32
    ::_close(fd);
#else
    ::close(fd);
#endif
    errno = EIO;
    return -1;
}

TEST_F(FileSafety, ExportKeepsLinksPermissionsAndTheUsersOwnFiles)
{
    const std::unique_ptr<Grid> table = tableOf("a\tb\r\n1\t2\r\n");
    const Grid& grid = *table;
#ifdef _WIN32
    // Windows counts the whole path against its limit: a long name, not the longest.
    const fs::path longName = dir / (std::string(120, 'x') + ".txt");
#else
    // A name of 251 bytes: the temporary name must fit wherever the name fits.
    const fs::path longName = dir / (std::string(247, 'x') + ".txt");
#endif
    ExportGridToTextFile(grid, PathToUtf8(longName));
    EXPECT_EQ(slurp(longName), "a\tb\r\n1\t2\r\n");

    const fs::path target = dir / "model.txt";
    put(target, "old");
#ifdef _WIN32
    // Once the user agreed, a read-only file is replaced and keeps its read-only mark.
    const fs::path users = dir / "model.txt.~1.tmp"; // a file of the user's that looks like a temporary
    put(users, "mine");
    fs::permissions(target, fs::perms::owner_read);
    ExportGridToTextFile(grid, PathToUtf8(target), {}, ReadOnlyTarget::Overwrite);
    EXPECT_EQ(slurp(target), "a\tb\r\n1\t2\r\n");
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::owner_write, fs::perms::none);
    fs::permissions(target, fs::perms::owner_all);
    EXPECT_EQ(slurp(users), "mine");
    EXPECT_EQ(entries(dir), 3u); // the long name, the target, the user's file
#else
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    const fs::path users = dir / "model.txt.~1.tmp"; // a file of the user's that looks like a temporary
    put(users, "mine");
    const fs::path link = dir / "link.txt";
    fs::create_symlink("model.txt", link);
    ExportGridToTextFile(grid, link.string());
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(slurp(target), "a\tb\r\n1\t2\r\n");
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(slurp(users), "mine");
    EXPECT_EQ(entries(dir), 4u); // the long name, the target, the user's file, the link
#endif

    // A directory in the way is refused and stays a directory.
    fs::create_directories(dir / "folder");
    EXPECT_EQ(errorText([&] { ExportGridToTextFile(grid, PathToUtf8(dir / "folder")); }),
              "Не удалось записать файл \"" + PathToUtf8(dir / "folder") + "\": это папка, а не файл");
    EXPECT_TRUE(fs::is_directory(dir / "folder"));
}

TEST_F(FileSafety, AFailedWriteLeavesTheOldFileAndNoTemporaryBehind)
{
    const std::unique_ptr<Grid> table = tableOf("a\tb\r\n1\t2\r\n");
    const Grid& grid = *table;
    const fs::path target = dir / "model.txt";
    put(target, "the old table");

    fileSystemCalls().write = [](int, const void*, std::size_t) -> ssize_t {
        errno = ENOSPC;
        return -1;
    };
    std::string text = errorText([&] { ExportGridToTextFile(grid, target.string()); });
    EXPECT_EQ(text, "Не удалось записать файл \"" + target.string() + "\": на диске недостаточно места");
    EXPECT_EQ(slurp(target), "the old table");
    EXPECT_EQ(entries(dir), 1u);

    fileSystemCalls() = systemCalls;
    fileSystemCalls().close = &closeThenFail;
    text = errorText([&] { ExportGridToTextFile(grid, target.string()); });
    EXPECT_EQ(text, "Не удалось записать файл \"" + target.string() +
                        "\": ошибка ввода-вывода (диск или носитель неисправен или отключён)");
    EXPECT_EQ(slurp(target), "the old table");
    EXPECT_EQ(entries(dir), 1u);
}

#ifdef _WIN32
TEST_F(FileSafety, AFileHeldByAnotherProgramIsReportedAndStaysAsItWas)
{
    const std::unique_ptr<Grid> table = tableOf("a\tb\r\n1\t2\r\n");
    const fs::path target = dir / "занятая таблица.txt";
    put(target, "the old table");
    // Held as a spreadsheet program holds an open file: others may read it, not replace it.
    const HANDLE held = ::CreateFileW(target.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                                      nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const std::string text = errorText([&] { ExportGridToTextFile(*table, PathToUtf8(target)); });
    ::CloseHandle(held);
    EXPECT_EQ(text.rfind("Не удалось записать файл \"" + PathToUtf8(target) + "\": ", 0), 0u) << text;
    EXPECT_EQ(slurp(target), "the old table");
    EXPECT_EQ(entries(dir), 1u);
    // Let go, the same export goes through.
    ExportGridToTextFile(*table, PathToUtf8(target));
    EXPECT_EQ(slurp(target), "a\tb\r\n1\t2\r\n");
    EXPECT_EQ(entries(dir), 1u);
}
#else
TEST_F(FileSafety, AFullOrReadOnlyFileSystemIsReportedAndChangesNothing)
{
    const fs::path small = dir / "small";
    if (!mountSmall(small, "size=64k"))
        GTEST_SKIP() << "no file system of its own can be mounted here (the injected failures cover it)";
    const fs::path target = small / "model.txt";
    put(target, "the old table");
    // Far more than 64 KB: the disk fills half-way.
    Grid big(2, 2);
    big.setRowCount(20'001);
    for (int r = 1; r <= 20'000; ++r)
        big.setCell(1, r, std::string(40, 'z'));
    const std::string text = errorText([&] { ExportGridToTextFile(big, target.string()); });
    EXPECT_NE(text.find("на диске недостаточно места"), std::string::npos) << text;
    EXPECT_EQ(slurp(target), "the old table");
    EXPECT_EQ(entries(small), 1u);

    ASSERT_EQ(::mount("tmpfs", small.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, "size=64k"), 0);
    const std::string readOnly = errorText([&] { ExportGridToTextFile(big, target.string()); });
    EXPECT_NE(readOnly.find("файловая система доступна только для чтения"), std::string::npos) << readOnly;
    EXPECT_EQ(slurp(target), "the old table");
}
#endif

TEST(FileSafetyRule, OnlyTheOwnerMayReplaceAReadOnlyFileAndOthersNeverOneTheyMayNotWrite)
{
    // The owner (or the superuser), who could make the file writable, is asked first.
    EXPECT_EQ(ClassifyTarget(true, true, true), TargetAccess::Writable);
    EXPECT_EQ(ClassifyTarget(true, false, true), TargetAccess::ReadOnly);  // the superuser over 0444
    EXPECT_EQ(ClassifyTarget(true, false, false), TargetAccess::ReadOnly); // the owner over 0444
    // Anyone else replaces only what the system lets them write (a shared, group-writable file).
    EXPECT_EQ(ClassifyTarget(false, false, true), TargetAccess::Writable);
    EXPECT_EQ(ClassifyTarget(false, false, false), TargetAccess::Protected);
    EXPECT_EQ(ClassifyTarget(false, true, false), TargetAccess::Protected);
}

TEST_F(FileSafety, AReadOnlyFileIsReplacedOnlyOnceTheUserAgreed)
{
    const std::unique_ptr<Grid> table = tableOf("a\tb\r\n1\t2\r\n");
    const fs::path target = dir / "модель.txt";
    put(target, "the old table");
    fs::permissions(target, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_EQ(CheckTargetAccess(PathToUtf8(target)), TargetAccess::ReadOnly);
    EXPECT_EQ(CheckTargetAccess(PathToUtf8(dir / "missing.txt")), TargetAccess::Writable);

    // Asked of no one (trassel-render, a writer told nothing): refused in so many words.
    EXPECT_EQ(errorText([&] { ExportGridToTextFile(*table, PathToUtf8(target)); }),
              "Файл защищён от записи: " + PathToUtf8(target));
    EXPECT_EQ(errorText([&] { WriteFileAtomically(PathToUtf8(target), "new"); }),
              "Файл защищён от записи: " + PathToUtf8(target));
    EXPECT_EQ(slurp(target), "the old table");
    EXPECT_EQ(entries(dir), 1u);

    // The user agreed: replaced, and still read-only.
    ExportGridToTextFile(*table, PathToUtf8(target), {}, ReadOnlyTarget::Overwrite);
    EXPECT_EQ(slurp(target), "a\tb\r\n1\t2\r\n");
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::owner_write, fs::perms::none);
    EXPECT_EQ(entries(dir), 1u);

    // A writable file needs no consent.
    const fs::path plain = dir / "plain.txt";
    put(plain, "old");
    EXPECT_EQ(CheckTargetAccess(PathToUtf8(plain)), TargetAccess::Writable);
    WriteFileAtomically(PathToUtf8(plain), "new");
    EXPECT_EQ(slurp(plain), "new");
    fs::permissions(target, fs::perms::owner_all);

#ifndef _WIN32
    // A file of another user's that this user may not write is never replaced, agreed or not.
    // Only a user whom the permission bits stop can show it; the superuser could write it.
    if (test::PermissionBitsRefuse()) {
        struct stat st { };
        ASSERT_EQ(::stat("/etc/passwd", &st), 0);
        ASSERT_NE(st.st_uid, ::geteuid());
        EXPECT_EQ(CheckTargetAccess("/etc/passwd"), TargetAccess::Protected);
        EXPECT_EQ(errorText([&] { WriteFileAtomically("/etc/passwd", "x", ReadOnlyTarget::Overwrite); }),
                  "Файл защищён от записи: /etc/passwd");
    }
#endif
}

#ifndef _WIN32
TEST_F(FileSafety, OnlyARegularFileOrNoneIsReplaced)
{
    const std::unique_ptr<Grid> table = tableOf("a\tb\r\n1\t2\r\n");
    const fs::path fifo = dir / "pipe.txt";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const fs::path link = dir / "link.png"; // as a link to a device, written through to what it names
    fs::create_symlink(fifo, link);
    const fs::path socketPath = dir / "socket.txt";
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(sock, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socketPath.c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(sock, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    for (const fs::path& target : {fifo, link, socketPath}) {
        EXPECT_EQ(errorText([&] { ExportGridToTextFile(*table, target.string(), {}, ReadOnlyTarget::Overwrite); }),
                  "Не удалось записать файл \"" + target.string() + "\": это не обычный файл");
    }
    ::close(sock);
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_TRUE(fs::is_socket(socketPath));
    EXPECT_EQ(entries(dir), 3u); // no temporary left
    // A device of its own where the system lets the test make one (the superuser, outside
    // containers that forbid it); never the system's own.
    const fs::path device = dir / "null.png";
    if (::mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) {
        EXPECT_EQ(errorText([&] { WriteFileAtomically(device.string(), "x"); }),
                  "Не удалось записать файл \"" + device.string() + "\": это не обычный файл");
        EXPECT_TRUE(fs::is_character_file(device));
    }
}

TEST_F(FileSafety, AFolderThatTakesNoNewFileIsNamedAsTheCause)
{
    const fs::path target = dir / "model.txt";
    put(target, "the old table");
    // The temporary file beside the target cannot be made: the folder is named, not the file.
    fileSystemCalls().mkstemp = [](char*) -> int {
        errno = EACCES;
        return -1;
    };
    EXPECT_EQ(errorText([&] { WriteFileAtomically(target.string(), "new"); }),
              "Не удалось записать файл \"" + target.string() + "\": нет прав на запись в папку \"" + dir.string() +
                  "\"");
    fileSystemCalls() = systemCalls;
    EXPECT_EQ(slurp(target), "the old table");

    const fs::path nowhere = dir / "нет такой папки" / "model.txt";
    EXPECT_EQ(errorText([&] { WriteFileAtomically(nowhere.string(), "new"); }),
              "Не удалось записать файл \"" + nowhere.string() + "\": папка \"" + (dir / "нет такой папки").string() +
                  "\" не существует");

    if (test::PermissionBitsRefuse()) {
        // The same with the bits of a real folder: the file could be written, the folder not.
        fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
        const std::string refused = errorText([&] { WriteFileAtomically(target.string(), "new"); });
        fs::permissions(dir, fs::perms::owner_all);
        EXPECT_EQ(refused, "Не удалось записать файл \"" + target.string() + "\": нет прав на запись в папку \"" +
                               dir.string() + "\"");
        EXPECT_EQ(slurp(target), "the old table");
    }
}
#endif

TEST_F(FileSafety, TheSystemsCommonReasonsAreToldInRussianWhateverItsLanguage)
{
    const fs::path target = dir / "model.txt";
    put(target, "the old table");
    struct Case {
        int err;
        const char* words;
    };
    for (const Case c :
         {Case{ENOSPC, "на диске недостаточно места"}, Case{EROFS, "файловая система доступна только для чтения"},
          Case{EACCES, "нет прав на запись"}, Case{EPERM, "нет прав на запись"}, Case{ENOENT, "папка не существует"}}) {
        static int injected = 0;
        injected = c.err;
        fileSystemCalls().fsync = [](int) -> int {
            errno = injected;
            return -1;
        };
        EXPECT_EQ(errorText([&] { WriteFileAtomically(PathToUtf8(target), "new"); }),
                  "Не удалось записать файл \"" + PathToUtf8(target) + "\": " + c.words);
        EXPECT_EQ(WriteFailureReason(c.err), c.words);
    }
    fileSystemCalls() = systemCalls;
    EXPECT_EQ(slurp(target), "the old table");
    EXPECT_EQ(entries(dir), 1u);
    // A read names what it misses and what it may not do in its own words.
    EXPECT_EQ(ReadFailureReason(ENOENT), "нет такого файла или папки");
    EXPECT_EQ(ReadFailureReason(ENOTDIR), "нет такого файла или папки");
    EXPECT_EQ(ReadFailureReason(EACCES), "нет прав на чтение");
    for (const int err : {EISDIR, EIO, ENAMETOOLONG, EMFILE, EBUSY, EFBIG, ENOMEM, ENOSPC, EROFS}) {
        EXPECT_EQ(ReadFailureReason(err), WriteFailureReason(err)) << err;
        EXPECT_NE(WriteFailureReason(err), std::strerror(err)) << err;
    }
    // Rare ones keep the system's own words.
    EXPECT_EQ(WriteFailureReason(EXDEV), std::strerror(EXDEV));
}

TEST_F(FileSafety, MissingFoldersOfAFileAreMadeAndAFileInTheirWayIsNamed)
{
    const fs::path deep = dir / "листы" / "2026" / "s.png";
    CreateFoldersFor(PathToUtf8(deep));
    EXPECT_TRUE(fs::is_directory(dir / "листы" / "2026"));
    CreateFoldersFor(PathToUtf8(deep)); // already there: nothing to do
    CreateFoldersFor("s.png");          // no folder named: the current one
    put(dir / "plain.txt", "a file");
    const fs::path blocked = dir / "plain.txt" / "sub" / "s.png";
    EXPECT_EQ(errorText([&] { CreateFoldersFor(PathToUtf8(blocked)); }),
              "Не удалось создать папку \"" + PathToUtf8(dir / "plain.txt" / "sub") + "\": \"" +
                  PathToUtf8(dir / "plain.txt") + "\" — это файл, а не папка");
    EXPECT_EQ(slurp(dir / "plain.txt"), "a file");
}

TEST_F(FileSafety, HostileTablesGiveAClearMessageOrAFairTable)
{
    auto load = [](const std::string& text, char delimiter = '\t') {
        auto g = std::make_unique<Grid>(2, 2);
        auto bytes = std::make_unique<char[]>(text.size());
        std::copy(text.begin(), text.end(), bytes.get());
        g->loadDelimited(std::move(bytes), text.size(), delimiter);
        return g;
    };
    const std::size_t mb = std::size_t{1} << 20;
    // One line of letters, of LF bytes: one row, and memory close to the file's size.
    for (const char c : {'a', '\n'}) {
        const auto g = load(std::string(mb, c));
        EXPECT_EQ(g->rowCount(), 2);
        EXPECT_LT(g->memoryBytes(), 2 * mb) << int(c);
    }
    // A line of tabs past the field limit, refused with its line number.
    EXPECT_EQ(errorText([&] { load("a\r\nb\r\n" + std::string(mb, '\t')); }), "Слишком много полей в строке 3");
    EXPECT_EQ(errorText([&] { load(std::string(65'535, ';'), ';'); }), "Слишком много полей в строке 1");
    EXPECT_EQ(load(std::string(65'534, ';'), ';')->colCount(), Grid::kMaxColumns);
    // Lines with nothing in them cost a row each: a file of them is refused up front (five
    // million rows of 16 bytes are more than the 10 MB file and 64 MB).
    std::string empties;
    for (int i = 0; i < 5'000'000; ++i)
        empties += "\r\n";
    EXPECT_NE(errorText([&] { load(empties); }).find("Недостаточно памяти"), std::string::npos);
    // Random binary, NUL bytes, lone CR: read as text, nothing lost, nothing crashes.
    std::mt19937 rnd(3);
    std::string binary(mb, '\0');
    for (char& b : binary)
        b = static_cast<char>(rnd());
    EXPECT_GT(load(binary)->rowCount(), 1);
    const auto nul = load(std::string("a\0b\tc\rd\r\n", 9));
    EXPECT_EQ(nul->cell(1, 1), std::string("a\0b", 3));
    EXPECT_EQ(nul->cell(2, 1), "c\rd");
}

TEST(GridLimits, ColumnCountsPastTheLimitAreRefusedBeforeAnyChange)
{
    Grid g(3, 3);
    g.setCell(2, 1, "keep");
    EXPECT_NE(errorText([&] { g.setColCount(70'000); }), "(no error)");
    EXPECT_EQ(g.colCount(), 3);
    EXPECT_EQ(g.cell(2, 1), "keep");
    g.setColCount(Grid::kMaxColumns);
    g.setCell(Grid::kMaxColumns - 1, 1, "last");
    EXPECT_EQ(g.cell(Grid::kMaxColumns - 1, 1), "last");
    EXPECT_EQ(g.cell(2, 1), "keep");
    EXPECT_NE(errorText([&] { g.insertColumn(5); }), "(no error)");
}

TEST(GridExport, AWideTableIsWrittenInBoundedPieces)
{
    Grid g(Grid::kMaxColumns, 200);
    for (int r = 1; r < 200; ++r)
        g.setCell(1, r, "x");
    std::size_t total = 0;
    std::size_t largest = 0;
    WriteGridExport(g, [&](std::string_view piece) {
        total += piece.size();
        largest = std::max(largest, piece.size());
    });
    EXPECT_EQ(total, 199u * (1 + (Grid::kMaxColumns - 2) + 2));
    EXPECT_LE(largest, (std::size_t{1} << 20) + 70'000);
}

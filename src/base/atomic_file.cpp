#include "base/atomic_file.h"

#include "base/error.h"
#include "base/file_path.h"
#include "base/huge_pages.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>
#include <fcntl.h>
#include <sys/stat.h>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace trassel {
namespace {

constexpr std::size_t kWriteBuffer = std::size_t{1} << 20;

std::string reason(int err) { return ReadFailureReason(err); }

[[noreturn]] void failRead(const std::string& path, int err)
{
    throw Error("Не удалось прочитать файл \"" + path + "\": " + reason(err));
}

enum class FileUse { Read, Write };

// The system's words follow its language, which on many machines is not the user's: the
// common reasons a file cannot be read or written are told in Russian, in the words that fit
// what was being done (a write misses a folder, a read a file or a folder).
std::string FailureReason(int err, FileUse use)
{
    switch (err) {
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
        return "на диске недостаточно места";
    case EROFS: return "файловая система доступна только для чтения";
    case EACCES:
    case EPERM: return use == FileUse::Write ? "нет прав на запись" : "нет прав на чтение";
    case ENOENT:
    case ENOTDIR: return use == FileUse::Write ? "папка не существует" : "нет такого файла или папки";
    case EISDIR: return "это папка, а не файл";
    case EIO: return "ошибка ввода-вывода (диск или носитель неисправен или отключён)";
    case ENAMETOOLONG: return "слишком длинное имя файла";
#ifdef ELOOP
    case ELOOP: return "слишком много символических ссылок в пути";
#endif
    case EMFILE:
    case ENFILE: return "открыто слишком много файлов";
    case EBUSY:
#ifdef ETXTBSY
    case ETXTBSY:
#endif
        return "файл занят другой программой";
    case EFBIG: return "файл слишком велик для этой файловой системы";
    case ENOMEM: return "недостаточно памяти";
    default: return std::strerror(err);
    }
}

void closeDescriptor(int fd)
{
#ifdef _WIN32
    ::_close(fd);
#else
    ::close(fd);
#endif
}

// Closes a descriptor when a read ends, however it ends.
struct Descriptor {
    int fd = -1;
    ~Descriptor()
    {
        if (fd >= 0)
            closeDescriptor(fd);
    }
};

#ifdef _WIN32
// The C runtime's calls under the POSIX signatures of FileSystemCalls.
ssize_t crtWrite(int fd, const void* data, std::size_t size)
{
    return ::_write(fd, data, static_cast<unsigned>(std::min<std::size_t>(size, std::size_t{1} << 30)));
}
int crtCommit(int fd) { return ::_commit(fd); }
int crtClose(int fd) { return ::_close(fd); }

// The Windows errors of a replacement, in the words WriteFailureReason uses for their errno.
int errnoOfWindowsError(DWORD code)
{
    switch (code) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ENOSPC;
    case ERROR_WRITE_PROTECT: return EROFS;
    case ERROR_ACCESS_DENIED: return EACCES;
    case ERROR_PATH_NOT_FOUND: return ENOENT;
    default: return 0;
    }
}
#endif

#ifndef _WIN32
std::string directoryOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The file a path finally names: symbolic links are followed, also to a target that does not
// exist yet (which the write then creates).
std::string resolveTarget(const std::string& path)
{
    std::string current = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st { };
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return current;
        std::string link(PATH_MAX, '\0');
        const ssize_t n = ::readlink(current.c_str(), link.data(), link.size());
        if (n <= 0)
            return current;
        link.resize(static_cast<std::size_t>(n));
        current = link.front() == '/' ? link : directoryOf(current) + "/" + link;
    }
    return current;
}
#else
// The file a path finally names: a symbolic link or junction is followed to its file, which
// the write replaces; any other path is itself.
std::string resolveTarget(const std::string& path)
{
    const std::filesystem::path name = PathFromUtf8(path);
    const DWORD attributes = ::GetFileAttributesW(name.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
        return path;
    const HANDLE file = ::CreateFileW(name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return path;
    std::wstring resolved(MAX_PATH, L'\0');
    DWORD n = ::GetFinalPathNameByHandleW(file, resolved.data(), static_cast<DWORD>(resolved.size()),
                                          FILE_NAME_NORMALIZED);
    if (n >= resolved.size()) {
        resolved.resize(n + 1);
        n = ::GetFinalPathNameByHandleW(file, resolved.data(), static_cast<DWORD>(resolved.size()),
                                        FILE_NAME_NORMALIZED);
    }
    ::CloseHandle(file);
    if (n == 0 || n >= resolved.size())
        return path;
    resolved.resize(n);
    // "\\?\C:\..." back to "C:\..."; a network path keeps its long form, which works as it is.
    if (resolved.rfind(L"\\\\?\\", 0) == 0 && resolved.size() > 6 && resolved[5] == L':')
        resolved.erase(0, 4);
    return PathToUtf8(std::filesystem::path(resolved));
}
#endif

} // namespace

FileSystemCalls& fileSystemCalls()
{
#ifdef _WIN32
    static FileSystemCalls calls{&crtWrite, &crtCommit, &crtClose};
#else
    static FileSystemCalls calls{&::write, &::fsync, &::close, &::mkstemp};
#endif
    return calls;
}

std::string WriteFailureReason(int err) { return FailureReason(err, FileUse::Write); }

std::string ReadFailureReason(int err) { return FailureReason(err, FileUse::Read); }

TargetAccess ClassifyTarget(bool mayChangeMode, bool writeBit, bool systemAllowsWrite)
{
    // The owner (or the superuser) could make the file writable, so replacing it is the user's
    // choice; anyone else replacing a file they may not write would take it over.
    if (mayChangeMode)
        return writeBit ? TargetAccess::Writable : TargetAccess::ReadOnly;
    return systemAllowsWrite ? TargetAccess::Writable : TargetAccess::Protected;
}

namespace {
#ifndef _WIN32
TargetAccess accessOf(const std::string& target, const struct stat& st)
{
    const uid_t user = ::geteuid();
    const bool superuser = user == 0;
    bool writeBit = false;
    if (superuser)
        writeBit = (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
    else if (st.st_uid == user)
        writeBit = (st.st_mode & S_IWUSR) != 0;
    const bool systemAllows = ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) == 0;
    return ClassifyTarget(superuser || st.st_uid == user, writeBit, systemAllows);
}
#endif
} // namespace

TargetAccess CheckTargetAccess(const std::string& path)
{
    const std::string target = resolveTarget(path);
#ifdef _WIN32
    const DWORD attributes = ::GetFileAttributesW(PathFromUtf8(target).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return TargetAccess::Writable;
    return (attributes & FILE_ATTRIBUTE_READONLY) != 0 ? TargetAccess::ReadOnly : TargetAccess::Writable;
#else
    struct stat st { };
    if (::stat(target.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return TargetAccess::Writable; // nothing to keep, or refused by the writer for what it is
    return accessOf(target, st);
#endif
}

int OpenRegularFile(const std::string& path)
{
#ifdef _WIN32
    // The C runtime refuses a folder as "Permission denied": say what it is, as on Linux.
    const std::filesystem::path name = PathFromUtf8(path);
    struct _stat64 st { };
    if (::_wstat64(name.c_str(), &st) == 0 && (st.st_mode & _S_IFMT) == _S_IFDIR)
        throw Error("Не удалось открыть файл \"" + path + "\": " + reason(EISDIR));
    Descriptor file;
    file.fd = ::_wopen(name.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
    if (file.fd < 0)
        return -1;
    if (::_fstat64(file.fd, &st) != 0)
        failRead(path, errno);
    // Devices (NUL, CON, COM1) and pipes are refused like a FIFO on Linux.
    if ((st.st_mode & _S_IFMT) != _S_IFREG)
        throw Error("Не удалось открыть файл \"" + path + "\": это не обычный файл");
#else
    // Opened without waiting, so that a FIFO with no writer cannot hang the command; it is
    // refused just below as not a regular file.
    Descriptor file;
    file.fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (file.fd < 0)
        return -1;
    struct stat st { };
    if (::fstat(file.fd, &st) != 0)
        failRead(path, errno);
    if (S_ISDIR(st.st_mode))
        throw Error("Не удалось открыть файл \"" + path + "\": " + reason(EISDIR));
    if (!S_ISREG(st.st_mode))
        throw Error("Не удалось открыть файл \"" + path + "\": это не обычный файл");
    const int flags = ::fcntl(file.fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(file.fd, F_SETFL, flags & ~O_NONBLOCK);
#endif
    return std::exchange(file.fd, -1);
}

FileBytes ReadWholeFile(const std::string& path)
{
    Descriptor file;
    file.fd = OpenRegularFile(path);
    if (file.fd < 0)
        throw Error("Не удалось открыть файл \"" + path + "\": " + reason(errno));
#ifdef _WIN32
    struct _stat64 st { };
    if (::_fstat64(file.fd, &st) != 0)
        failRead(path, errno);
#else
    struct stat st { };
    if (::fstat(file.fd, &st) != 0)
        failRead(path, errno);
#endif

    // The size the file states, and more when it grows or says 0 but has bytes.
    std::size_t capacity = static_cast<std::size_t>(st.st_size) + 1;
    FileBytes out;
    out.data = std::make_unique_for_overwrite<char[]>(capacity);
    AdviseHugePages(out.data.get(), capacity);
    std::size_t got = 0;
    for (;;) {
        if (got == capacity) {
            const std::size_t bigger = capacity < 4096 ? 65536 : capacity * 2;
            auto grown = std::make_unique_for_overwrite<char[]>(bigger);
            std::memcpy(grown.get(), out.data.get(), got);
            out.data = std::move(grown);
            capacity = bigger;
        }
#ifdef _WIN32
        const int n = ::_read(file.fd, out.data.get() + got,
                              static_cast<unsigned>(std::min<std::size_t>(capacity - got, INT_MAX)));
#else
        const ssize_t n = ::read(file.fd, out.data.get() + got, capacity - got);
#endif
        if (n < 0) {
            if (errno == EINTR)
                continue;
            failRead(path, errno);
        }
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    out.size = got;
    return out;
}

void CreateFoldersFor(const std::string& path)
{
    const std::filesystem::path folder = PathFromUtf8(path).parent_path();
    if (folder.empty())
        return;
    std::error_code ec;
    if (std::filesystem::is_directory(folder, ec))
        return;
    // A file where a folder should be is named as the cause, not "папка не существует".
    for (std::filesystem::path up = folder; !up.empty(); up = up.parent_path()) {
        std::error_code statError;
        const std::filesystem::file_status st = std::filesystem::status(up, statError);
        if (std::filesystem::exists(st)) {
            if (!std::filesystem::is_directory(st))
                throw Error("Не удалось создать папку \"" + PathToUtf8(folder) + "\": \"" + PathToUtf8(up) +
                            "\" — это файл, а не папка");
            break;
        }
        if (up == up.parent_path())
            break;
    }
    std::filesystem::create_directories(folder, ec);
    if (!ec)
        return;
    const std::error_condition condition = ec.default_error_condition();
    throw Error(
        "Не удалось создать папку \"" + PathToUtf8(folder) + "\": " +
        (condition.category() == std::generic_category() ? WriteFailureReason(condition.value()) : ec.message()));
}

#ifdef _WIN32
AtomicFileWriter::AtomicFileWriter(const std::string& path, ReadOnlyTarget readOnly)
    : path_(path), target_(resolveTarget(path))
{
    const std::filesystem::path target = PathFromUtf8(target_);
    struct _stat64 st { };
    if (::_wstat64(target.c_str(), &st) == 0 && (st.st_mode & _S_IFMT) == _S_IFDIR)
        fail(EISDIR);
    if (readOnly == ReadOnlyTarget::Refuse && CheckTargetAccess(target_) == TargetAccess::ReadOnly)
        throw WriteProtectedError(path_);
    // The new file gets its attributes and security settings from the old one when it replaces
    // it (commit), and the folder's inherited ones when it is new.
    std::filesystem::path folder = target.parent_path();
    if (folder.empty())
        folder = ".";
    std::filesystem::path temp;
    fd_ = CreateUniqueFile(folder, ".trassel-", temp);
    if (fd_ < 0)
        failCreate(errno, PathToUtf8(folder));
    temp_ = PathToUtf8(temp);
    buffer_.reserve(kWriteBuffer);
}
#else
AtomicFileWriter::AtomicFileWriter(const std::string& path, ReadOnlyTarget readOnly)
    : path_(path), target_(resolveTarget(path))
{
    struct stat st { };
    const bool exists = ::stat(target_.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode))
        fail(EISDIR);
    // A rename would put a regular file in the place of a device, a FIFO or a socket (of the
    // system's, when run with the rights to): only regular files are replaced.
    if (exists && !S_ISREG(st.st_mode))
        failBecause("это не обычный файл");
    if (exists) {
        const TargetAccess access = accessOf(target_, st);
        if (access == TargetAccess::Protected ||
            (access == TargetAccess::ReadOnly && readOnly == ReadOnlyTarget::Refuse))
            throw WriteProtectedError(path_);
    }
    // A short name of our own beside the target: it fits wherever the target's name fits and
    // cannot be a file of the user's.
    const std::string folder = directoryOf(target_);
    temp_ = folder + "/.trassel-XXXXXX";
    fd_ = fileSystemCalls().mkstemp(temp_.data());
    if (fd_ < 0) {
        const int err = errno;
        temp_.clear();
        failCreate(err, folder);
    }
    if (exists) {
        // The replaced file keeps its permissions and, where we may, its owner.
        ::fchmod(fd_, st.st_mode & 07777);
        if (::fchown(fd_, st.st_uid, st.st_gid) != 0) {
            // Not ours to give away: the file becomes ours, as any new file would.
        }
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd_, 0666 & ~mask);
    }
    buffer_.reserve(kWriteBuffer);
}
#endif

namespace {
void removeFile(const std::string& path)
{
#ifdef _WIN32
    ::_wunlink(PathFromUtf8(path).c_str());
#else
    ::unlink(path.c_str());
#endif
}
} // namespace

AtomicFileWriter::~AtomicFileWriter()
{
    if (committed_)
        return;
    if (fd_ >= 0)
        closeDescriptor(fd_);
    if (!temp_.empty())
        removeFile(temp_);
}

void AtomicFileWriter::fail(int err) { failBecause(WriteFailureReason(err)); }

#ifdef _WIN32
void AtomicFileWriter::failWindows(unsigned long code)
{
    const int err = errnoOfWindowsError(code);
    failBecause(err != 0 ? WriteFailureReason(err) : WindowsErrorText(code));
}
#endif

void AtomicFileWriter::failCreate(int err, const std::string& folder)
{
    // The file is written beside its target: a folder that cannot take a new file is named as
    // the cause, even where the file itself could be written.
    if (err == EACCES || err == EPERM)
        failBecause("нет прав на запись в папку \"" + folder + "\"");
    if (err == ENOENT || err == ENOTDIR)
        failBecause("папка \"" + folder + "\" не существует");
    fail(err);
}

void AtomicFileWriter::failBecause(const std::string& why)
{
    if (fd_ >= 0) {
        closeDescriptor(fd_);
        fd_ = -1;
    }
    if (!temp_.empty()) {
        removeFile(temp_);
        temp_.clear();
    }
    throw Error("Не удалось записать файл \"" + path_ + "\": " + why);
}

void AtomicFileWriter::flushBuffer()
{
    const char* p = buffer_.data();
    std::size_t left = buffer_.size();
    while (left > 0) {
        const ssize_t n = fileSystemCalls().write(fd_, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            fail(errno);
        }
        if (n == 0)
            fail(ENOSPC);
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    buffer_.clear();
}

void AtomicFileWriter::write(std::string_view bytes)
{
    while (!bytes.empty()) {
        const std::size_t room = kWriteBuffer - buffer_.size();
        const std::size_t take = std::min(room, bytes.size());
        buffer_.append(bytes.data(), take);
        bytes.remove_prefix(take);
        if (buffer_.size() == kWriteBuffer)
            flushBuffer();
    }
}

void AtomicFileWriter::commit()
{
    flushBuffer();
    // On disk before the rename: a power cut then leaves either the old file or the new one.
    if (fileSystemCalls().fsync(fd_) != 0)
        fail(errno);
    const int fd = fd_;
    fd_ = -1;
    if (fileSystemCalls().close(fd) != 0)
        fail(errno);
#ifdef _WIN32
    const std::filesystem::path target = PathFromUtf8(target_);
    const std::filesystem::path temp = PathFromUtf8(temp_);
    const DWORD attributes = ::GetFileAttributesW(target.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        // Nothing to replace: the complete file takes the name, and the move is on disk on return.
        if (!::MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            failWindows(::GetLastError());
    } else {
        // A program holding the file open without sharing it (a spreadsheet, say) refuses here,
        // before anything is moved; Wine's ReplaceFileW would leave a file of its own behind.
        const HANDLE held = ::CreateFileW(target.c_str(), DELETE,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (held == INVALID_HANDLE_VALUE)
            failWindows(::GetLastError());
        ::CloseHandle(held);
        // A read-only file (the user agreed, or the constructor refused) is replaced as on Linux
        // and stays read-only; ReplaceFileW refuses it otherwise. Any failure leaves the old file under its name, attributes put back.
        const bool readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
        if (readOnly)
            ::SetFileAttributesW(target.c_str(), attributes & ~DWORD{FILE_ATTRIBUTE_READONLY});
        if (!::ReplaceFileW(target.c_str(), temp.c_str(), nullptr,
                            REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS, nullptr, nullptr)) {
            const DWORD error = ::GetLastError();
            if (readOnly)
                ::SetFileAttributesW(target.c_str(), attributes);
            failWindows(error);
        }
        if (readOnly)
            ::SetFileAttributesW(target.c_str(), attributes);
    }
    committed_ = true;
#else
    if (::rename(temp_.c_str(), target_.c_str()) != 0)
        fail(errno);
    committed_ = true;
    // The rename itself reaches the disk with the directory.
    const int dir = ::open(directoryOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
#endif
}

void WriteFileAtomically(const std::string& path, std::string_view bytes, ReadOnlyTarget readOnly)
{
    AtomicFileWriter writer(path, readOnly);
    writer.write(bytes);
    writer.commit();
}

} // namespace trassel

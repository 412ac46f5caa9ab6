#include "base/mapped_file.h"

#include "base/atomic_file.h"
#include "base/error.h"
#include "base/file_path.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <utility>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace trassel {

namespace {

[[noreturn]] void failOpen(const std::string& path, const std::string& why)
{
    throw Error("Не удалось открыть файл \"" + path + "\": " + why);
}

[[noreturn]] void failRead(const std::string& path, const std::string& why)
{
    throw Error("Не удалось прочитать файл \"" + path + "\": " + why);
}

// The common reasons in Russian whatever the system's language; the system's text for others.
std::string reasonOf(int err)
{
    switch (err) {
    case ENOENT: return "нет такого файла";
    case EACCES:
    case EPERM: return "нет доступа";
    case EISDIR: return "это папка, а не файл";
    case ENOTDIR: return "в пути есть имя, которое не папка";
    case ENAMETOOLONG: return "слишком длинное имя";
    case ENOMEM: return "недостаточно памяти";
    case EIO: return "ошибка ввода-вывода";
    default: return std::strerror(err);
    }
}

} // namespace

#ifdef _WIN32

namespace {

// Closes a handle unless it was handed on.
struct OwnedHandle {
    HANDLE handle = nullptr;
    ~OwnedHandle()
    {
        if (handle != nullptr && handle != INVALID_HANDLE_VALUE)
            ::CloseHandle(handle);
    }
    HANDLE release() { return std::exchange(handle, nullptr); }
};

} // namespace

MappedFile::MappedFile(const std::string& path) : path_(path)
{
    const std::filesystem::path name = PathFromUtf8(path);
    // Other programs may go on reading, writing or renaming the file: a survey folder is often
    // open in the instrument's own software at the same time.
    OwnedHandle file{::CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (file.handle == INVALID_HANDLE_VALUE) {
        const DWORD code = ::GetLastError();
        const DWORD attributes = ::GetFileAttributesW(name.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            failOpen(path, reasonOf(EISDIR));
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND)
            failOpen(path, reasonOf(ENOENT));
        if (code == ERROR_ACCESS_DENIED)
            failOpen(path, reasonOf(EACCES));
        failOpen(path, WindowsErrorText(code));
    }
    // Devices (NUL, CON, COM1) and pipes are refused like a FIFO on Linux.
    if (::GetFileType(file.handle) != FILE_TYPE_DISK)
        failOpen(path, "это не обычный файл");
    BY_HANDLE_FILE_INFORMATION information{};
    if (!::GetFileInformationByHandle(file.handle, &information))
        failOpen(path, WindowsErrorText(::GetLastError()));
    if ((information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        failOpen(path, reasonOf(EISDIR));
    const std::uint64_t size = (std::uint64_t{information.nFileSizeHigh} << 32) | information.nFileSizeLow;
    if (size > SIZE_MAX)
        failOpen(path, "файл слишком велик для этой системы");
    // A mapping of nothing is refused by the system; an empty file has nothing to map.
    if (size > 0) {
        OwnedHandle mapping{::CreateFileMappingW(file.handle, nullptr, PAGE_READONLY, 0, 0, nullptr)};
        if (mapping.handle == nullptr)
            failOpen(path, WindowsErrorText(::GetLastError()));
        const void* view = ::MapViewOfFile(mapping.handle, FILE_MAP_READ, 0, 0, 0);
        if (view == nullptr)
            failOpen(path, WindowsErrorText(::GetLastError()));
        mapping_ = mapping.release();
        data_ = static_cast<const std::uint8_t*>(view);
        size_ = static_cast<std::size_t>(size);
    }
    file_ = file.release();
}

void MappedFile::close() noexcept
{
    if (data_ != nullptr)
        ::UnmapViewOfFile(data_);
    if (mapping_ != nullptr)
        ::CloseHandle(mapping_);
    if (file_ != nullptr)
        ::CloseHandle(file_);
    data_ = nullptr;
    mapping_ = nullptr;
    file_ = nullptr;
    size_ = 0;
}

std::size_t MappedFile::read(std::uint64_t offset, std::span<std::uint8_t> out) const
{
    std::size_t got = 0;
    while (got < out.size() && file_ != nullptr) {
        const std::uint64_t at = offset + got;
        OVERLAPPED place{};
        place.Offset = static_cast<DWORD>(at & 0xFFFFFFFFU);
        place.OffsetHigh = static_cast<DWORD>(at >> 32);
        DWORD n = 0;
        const auto ask = static_cast<DWORD>(std::min<std::size_t>(out.size() - got, std::size_t{1} << 30));
        if (!::ReadFile(file_, out.data() + got, ask, &n, &place)) {
            const DWORD code = ::GetLastError();
            if (code == ERROR_HANDLE_EOF)
                break;
            failRead(path_, WindowsErrorText(code));
        }
        if (n == 0)
            break;
        got += n;
    }
    return got;
}

MappedFile::MappedFile(MappedFile&& other) noexcept
    : path_(std::move(other.path_)), data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)),
      file_(std::exchange(other.file_, nullptr)), mapping_(std::exchange(other.mapping_, nullptr))
{
}

MappedFile& MappedFile::operator=(MappedFile&& other) noexcept
{
    if (this != &other) {
        close();
        path_ = std::move(other.path_);
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
        file_ = std::exchange(other.file_, nullptr);
        mapping_ = std::exchange(other.mapping_, nullptr);
    }
    return *this;
}

#else

MappedFile::MappedFile(const std::string& path) : path_(path)
{
    // A folder is named as one in Russian; anything else that is not a regular file is refused by
    // OpenRegularFile, which opens without waiting (a FIFO never hangs the reader).
    struct stat before { };
    if (::stat(path.c_str(), &before) == 0 && S_ISDIR(before.st_mode))
        failOpen(path, reasonOf(EISDIR));
    struct Descriptor {
        int fd;
        ~Descriptor()
        {
            if (fd >= 0)
                ::close(fd);
        }
    } file{OpenRegularFile(path)};
    if (file.fd < 0)
        failOpen(path, reasonOf(errno));
    struct stat st { };
    if (::fstat(file.fd, &st) != 0)
        failOpen(path, reasonOf(errno));
    if (static_cast<std::uint64_t>(st.st_size) > SIZE_MAX)
        failOpen(path, "файл слишком велик для этой системы");
    // mmap refuses a length of 0: an empty file has nothing to map.
    if (st.st_size > 0) {
        const auto size = static_cast<std::size_t>(st.st_size);
        void* view = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, file.fd, 0);
        if (view == MAP_FAILED)
            failOpen(path, reasonOf(errno));
        data_ = static_cast<const std::uint8_t*>(view);
        size_ = size;
    }
    fd_ = std::exchange(file.fd, -1);
}

void MappedFile::close() noexcept
{
    if (data_ != nullptr)
        ::munmap(const_cast<std::uint8_t*>(data_), size_);
    if (fd_ >= 0)
        ::close(fd_);
    data_ = nullptr;
    size_ = 0;
    fd_ = -1;
}

std::size_t MappedFile::read(std::uint64_t offset, std::span<std::uint8_t> out) const
{
    std::size_t got = 0;
    while (got < out.size() && fd_ >= 0) {
        const ssize_t n = ::pread(fd_, out.data() + got, std::min<std::size_t>(out.size() - got, SSIZE_MAX),
                                  static_cast<off_t>(offset + got));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            failRead(path_, reasonOf(errno));
        }
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    return got;
}

MappedFile::MappedFile(MappedFile&& other) noexcept
    : path_(std::move(other.path_)), data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)),
      fd_(std::exchange(other.fd_, -1))
{
}

MappedFile& MappedFile::operator=(MappedFile&& other) noexcept
{
    if (this != &other) {
        close();
        path_ = std::move(other.path_);
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

#endif

MappedFile::~MappedFile() { close(); }

} // namespace trassel

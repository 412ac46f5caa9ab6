#include "base/mapped_file.h"

#include "base/atomic_file.h"
#include "base/error.h"
#include "base/file_path.h"

#include <cerrno>
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

// The common reasons in Russian whatever the system's language; the system's text for others.
std::string openReason(int err)
{
    switch (err) {
    case ENOENT: return "нет такого файла";
    case EACCES:
    case EPERM: return "нет доступа";
    case EISDIR: return "это папка, а не файл";
    case ENOTDIR: return "в пути есть имя, которое не папка";
    case ENAMETOOLONG: return "слишком длинное имя";
    case ENOMEM: return "недостаточно памяти";
    default: return std::strerror(err);
    }
}

} // namespace

#ifdef _WIN32

MappedFile::MappedFile(const std::string& path) : path_(path)
{
    const std::filesystem::path name = PathFromUtf8(path);
    // Other programs may go on reading, writing or renaming the file: a survey folder is often
    // open in the instrument's own software at the same time.
    const HANDLE file = ::CreateFileW(name.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD code = ::GetLastError();
        const DWORD attributes = ::GetFileAttributesW(name.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            failOpen(path, openReason(EISDIR));
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND)
            failOpen(path, openReason(ENOENT));
        if (code == ERROR_ACCESS_DENIED)
            failOpen(path, openReason(EACCES));
        failOpen(path, WindowsErrorText(code));
    }
    struct Closer {
        HANDLE handle;
        ~Closer() { ::CloseHandle(handle); }
    } closer{file};
    // Devices (NUL, CON, COM1) and pipes are refused like a FIFO on Linux.
    if (::GetFileType(file) != FILE_TYPE_DISK)
        failOpen(path, "это не обычный файл");
    BY_HANDLE_FILE_INFORMATION information{};
    if (!::GetFileInformationByHandle(file, &information))
        failOpen(path, WindowsErrorText(::GetLastError()));
    if ((information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        failOpen(path, openReason(EISDIR));
    const std::uint64_t size = (std::uint64_t{information.nFileSizeHigh} << 32) | information.nFileSizeLow;
    if (size > SIZE_MAX)
        failOpen(path, "файл слишком велик для этой системы");
    if (size == 0)
        return; // a mapping of nothing is refused by the system; there is nothing to read
    const HANDLE mapping = ::CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (mapping == nullptr)
        failOpen(path, WindowsErrorText(::GetLastError()));
    const void* view = ::MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
    if (view == nullptr) {
        const DWORD code = ::GetLastError();
        ::CloseHandle(mapping);
        failOpen(path, WindowsErrorText(code));
    }
    mapping_ = mapping;
    data_ = static_cast<const std::uint8_t*>(view);
    size_ = static_cast<std::size_t>(size);
}

void MappedFile::unmap() noexcept
{
    if (data_ != nullptr)
        ::UnmapViewOfFile(data_);
    if (mapping_ != nullptr)
        ::CloseHandle(mapping_);
    data_ = nullptr;
    mapping_ = nullptr;
    size_ = 0;
}

void MappedFile::release(std::uint64_t offset, std::uint64_t size) const noexcept
{
    // Unlocking pages that are not locked takes them out of the working set, which is what
    // is meant here; the call fails harmlessly otherwise.
    if (data_ == nullptr || offset >= size_)
        return;
    if (size > size_ - offset)
        size = size_ - offset;
    ::VirtualUnlock(const_cast<std::uint8_t*>(data_) + offset, static_cast<SIZE_T>(size));
}

MappedFile::MappedFile(MappedFile&& other) noexcept
    : path_(std::move(other.path_)), data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)),
      mapping_(std::exchange(other.mapping_, nullptr))
{
}

MappedFile& MappedFile::operator=(MappedFile&& other) noexcept
{
    if (this != &other) {
        unmap();
        path_ = std::move(other.path_);
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
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
        failOpen(path, openReason(EISDIR));
    const int fd = OpenRegularFile(path);
    if (fd < 0)
        failOpen(path, openReason(errno));
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st { };
    if (::fstat(fd, &st) != 0)
        failOpen(path, openReason(errno));
    if (st.st_size <= 0)
        return; // mmap refuses a length of 0; there is nothing to read
    if (static_cast<std::uint64_t>(st.st_size) > SIZE_MAX)
        failOpen(path, "файл слишком велик для этой системы");
    const std::size_t size = static_cast<std::size_t>(st.st_size);
    void* view = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    if (view == MAP_FAILED)
        failOpen(path, openReason(errno));
    data_ = static_cast<const std::uint8_t*>(view);
    size_ = size;
}

void MappedFile::unmap() noexcept
{
    if (data_ != nullptr)
        ::munmap(const_cast<std::uint8_t*>(data_), size_);
    data_ = nullptr;
    size_ = 0;
}

void MappedFile::release(std::uint64_t offset, std::uint64_t size) const noexcept
{
    if (data_ == nullptr || offset >= size_)
        return;
    if (size > size_ - offset)
        size = size_ - offset;
    // Whole pages only: the first page that starts at or after `offset`, up to the last page
    // that ends by `offset + size`. A read-only private mapping of a file loses nothing: the
    // pages come back from the file when touched again.
    const auto page = static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
    const std::uint64_t from = (offset + page - 1) / page * page;
    const std::uint64_t to = (offset + size) / page * page;
    if (to > from)
        ::madvise(const_cast<std::uint8_t*>(data_) + from, to - from, MADV_DONTNEED);
}

MappedFile::MappedFile(MappedFile&& other) noexcept
    : path_(std::move(other.path_)), data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0))
{
}

MappedFile& MappedFile::operator=(MappedFile&& other) noexcept
{
    if (this != &other) {
        unmap();
        path_ = std::move(other.path_);
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
    }
    return *this;
}

#endif

MappedFile::~MappedFile() { unmap(); }

} // namespace trassel

#pragma once
// A file's bytes mapped into memory read-only, so that a reader of a large instrument file
// touches only the pages it reads: opening a gigabyte radargram costs its header, and showing a
// part of it costs that part. The system pages the bytes in and out. A pass over the whole file
// reads it in blocks instead (read()): faulting in every page of a gigabyte is several times
// slower than copying it, and would leave it all resident.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace trassel {

// One regular file mapped for reading (POSIX mmap; CreateFileMappingW and MapViewOfFile on
// Windows, the UTF-8 name opened in wide characters). Only regular files are mapped: a FIFO,
// a device or a folder is refused in the words of ReadWholeFile. An empty file maps to no
// bytes. The file is expected to keep its size while it is mapped: a file cut short by another
// program meanwhile makes reads past its new end fail with a signal on Linux (as for any program
// that maps files), which the readers accept for the speed of reading straight from the pages.
class MappedFile {
public:
    // Maps the whole file. Throws Error naming the file and the system's reason.
    explicit MappedFile(const std::string& path);
    MappedFile(MappedFile&& other) noexcept;
    MappedFile& operator=(MappedFile&& other) noexcept;
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
    ~MappedFile();

    std::span<const std::uint8_t> bytes() const { return {data_, size_}; }
    std::size_t size() const { return size_; }
    const std::string& path() const { return path_; }

    // Copies the bytes from `offset` on into `out` with the system's read calls (pread,
    // ReadFile), not through the mapping. Returns how many were copied: fewer than asked only at
    // the file's end. Throws Error naming the file when the system fails.
    std::size_t read(std::uint64_t offset, std::span<std::uint8_t> out) const;

private:
    void close() noexcept;

    std::string path_;
    const std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
#ifdef _WIN32
    void* file_ = nullptr;    // the file's handle, kept for read()
    void* mapping_ = nullptr; // the section object of the mapping
#else
    int fd_ = -1; // kept for read()
#endif
};

} // namespace trassel

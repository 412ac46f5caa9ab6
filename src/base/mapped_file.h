#pragma once
// A file's bytes mapped into memory read-only, so that a reader of a large instrument file
// touches only the pages it reads: opening a gigabyte radargram costs its header, and showing a
// part of it costs that part. The system pages the bytes in and out; the process's memory does
// not grow with the file.
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

    // Tells the system that the pages of [offset, offset + size) were read once and are not
    // needed again soon, so that a pass over the whole file (a scan for marks) does not keep it
    // all resident. The bytes stay readable: they are paged in again when touched.
    void release(std::uint64_t offset, std::uint64_t size) const noexcept;

private:
    void unmap() noexcept;

    std::string path_;
    const std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
#ifdef _WIN32
    void* mapping_ = nullptr; // the section object of the mapping
#endif
};

} // namespace trassel

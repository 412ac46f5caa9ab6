#pragma once
// Reading and writing the user's files so that nothing is lost: only regular files are read
// (a FIFO or a device never hangs a command), and a file is written to a short unique
// temporary name beside its target, flushed to disk, and renamed over the target only once
// it is complete — through a symbolic link to the file it names, keeping that file's
// permissions — so that a full disk or a failure half-way leaves the old file byte for byte.
// On Windows the names are UTF-8 and opened in wide characters, and the complete file takes the
// old one's place with ReplaceFileW, which keeps its attributes and security settings.
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace trassel {

// The bytes of a whole file, read before anything is changed.
struct FileBytes {
    std::unique_ptr<char[]> data;
    std::size_t size = 0;
};

// Reads the whole regular file. Throws Error naming the file and the system's reason when it
// cannot be opened or read, and for anything that is not a regular file. A file that says it
// is empty but is not (a pseudo-file) is read to its end.
FileBytes ReadWholeFile(const std::string& path);

// Writes a file in pieces of any size with bounded memory, as described above. Nothing
// replaces the target until commit(); a writer destroyed without commit() removes its
// temporary file. Every failure is an Error "Не удалось записать файл "<path>": <reason>".
class AtomicFileWriter {
public:
    explicit AtomicFileWriter(const std::string& path);
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;
    ~AtomicFileWriter();

    void write(std::string_view bytes);
    void commit();

private:
    [[noreturn]] void fail(int err);
    [[noreturn]] void failBecause(const std::string& reason);
    void flushBuffer();

    std::string path_;    // as the user named it, for messages
    std::string target_;  // the file that is replaced (a link's target)
    std::string temp_;
    int fd_ = -1;
    std::string buffer_;
    bool committed_ = false;
};

// Writes `bytes` through an AtomicFileWriter.
void WriteFileAtomically(const std::string& path, std::string_view bytes);

// The system calls the writer makes, replaceable by tests that inject a full disk or a
// failing close (on Windows those of the C runtime, with fsync standing for _commit).
struct FileSystemCalls {
    ssize_t (*write)(int fd, const void* data, std::size_t size);
    int (*fsync)(int fd);
    int (*close)(int fd);
};
FileSystemCalls& fileSystemCalls();

} // namespace trassel

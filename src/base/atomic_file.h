#pragma once
// Reading and writing the user's files so that nothing is lost: only regular files are read
// (a FIFO or a device never hangs a command), and a file is written to a short unique
// temporary name beside its target, flushed to disk, and renamed over the target only once
// it is complete — through a symbolic link to the file it names, keeping that file's
// permissions — so that a full disk or a failure half-way leaves the old file byte for byte.
// On Windows the names are UTF-8 and opened in wide characters, and the complete file takes the
// old one's place with ReplaceFileW, which keeps its attributes and security settings.
// A file the user may not write is never replaced: not one of another user's, and not a
// read-only file of the user's own unless the user has agreed; nor is anything that is not a
// regular file (a device, a FIFO, a socket) behind the name.
#include "base/error.h"

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

// Opens a file for reading without waiting for anything (a FIFO with no writer included).
// Returns its descriptor, in blocking mode, or -1 with errno set when the system refuses to
// open it; throws Error, in the words of ReadWholeFile, for a folder and for anything else that
// is not a regular file.
int OpenRegularFile(const std::string& path);

// How an existing file stands for a writer that would replace it.
enum class TargetAccess {
    Writable,  // missing, or the user may write it
    ReadOnly,  // the user's own, without write permission: replaced only once the user agrees
    Protected, // not the user's to replace (another user's file the user may not write)
};

// The rule on plain facts, so that it holds whoever runs it: `mayChangeMode` when the process
// owns the file or is the superuser, `writeBit` whether the permission bits that apply to it
// allow writing (for the superuser: any write bit), `systemAllowsWrite` whether the system
// would let the process open it for writing.
TargetAccess ClassifyTarget(bool mayChangeMode, bool writeBit, bool systemAllowsWrite);

// The access of the file `path` names (through symbolic links). On Windows a file with the
// read-only mark is ReadOnly; the system's access lists are left to the replacement itself.
TargetAccess CheckTargetAccess(const std::string& path);

// What a writer does with a read-only file of the user's in its way.
enum class ReadOnlyTarget {
    Refuse,    // leave it and say so
    Overwrite, // the user agreed: replace it; it stays read-only
};

// A write refused because the target is protected (or read-only without the user's consent):
// "Файл защищён от записи: <path>".
class WriteProtectedError : public Error {
public:
    explicit WriteProtectedError(const std::string& path) : Error("Файл защищён от записи: " + path) { }
};

// Writes a file in pieces of any size with bounded memory, as described above. Nothing
// replaces the target until commit(); a writer destroyed without commit() removes its
// temporary file. Every failure is an Error "Не удалось записать файл "<path>": <reason>", the
// common reasons (no such folder, no permission, a full disk, a read-only file system) in
// Russian whatever the system's language; a protected target is a WriteProtectedError.
class AtomicFileWriter {
public:
    explicit AtomicFileWriter(const std::string& path, ReadOnlyTarget readOnly = ReadOnlyTarget::Refuse);
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;
    ~AtomicFileWriter();

    void write(std::string_view bytes);
    void commit();

private:
    [[noreturn]] void fail(int err);
    [[noreturn]] void failBecause(const std::string& reason);
    [[noreturn]] void failCreate(int err, const std::string& folder);
#ifdef _WIN32
    [[noreturn]] void failWindows(unsigned long code);
#endif
    void flushBuffer();

    std::string path_;   // as the user named it, for messages
    std::string target_; // the file that is replaced (a link's target)
    std::string temp_;
    int fd_ = -1;
    std::string buffer_;
    bool committed_ = false;
};

// Writes `bytes` through an AtomicFileWriter.
void WriteFileAtomically(const std::string& path, std::string_view bytes,
                         ReadOnlyTarget readOnly = ReadOnlyTarget::Refuse);

// The system calls the writer makes, replaceable by tests that inject a full disk or a
// failing close (on Windows those of the C runtime, with fsync standing for _commit), or a
// folder where the temporary file cannot be made (on Linux: mkstemp).
struct FileSystemCalls {
    ssize_t (*write)(int fd, const void* data, std::size_t size);
    int (*fsync)(int fd);
    int (*close)(int fd);
#ifndef _WIN32
    int (*mkstemp)(char* pattern);
#endif
};

// The Russian words for the system's common reasons a write fails (no such folder, no
// permission, a full disk, a read-only file system, a folder in the file's place, an
// input/output error, …); the system's own text for the others.
std::string WriteFailureReason(int err);
// The same for a read: no such file or folder, no permission to read, …
std::string ReadFailureReason(int err);

// Makes the folders that `path` (a file's path) lies in and that do not exist yet. Error
// "Не удалось создать папку "<folder>": <reason>" when the system refuses.
void CreateFoldersFor(const std::string& path);
FileSystemCalls& fileSystemCalls();

} // namespace trassel

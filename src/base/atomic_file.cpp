#include "base/atomic_file.h"

#include "base/error.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace trassel {
namespace {

constexpr std::size_t kWriteBuffer = std::size_t{1} << 20;

std::string reason(int err) { return std::strerror(err); }

[[noreturn]] void failRead(const std::string& path, int err)
{
    throw Error("Не удалось прочитать файл \"" + path + "\": " + reason(err));
}

// Closes a descriptor when a read ends, however it ends.
struct Descriptor {
    int fd = -1;
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

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
        struct stat st {};
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

} // namespace

FileSystemCalls& fileSystemCalls()
{
    static FileSystemCalls calls{&::write, &::fsync, &::close};
    return calls;
}

FileBytes ReadWholeFile(const std::string& path)
{
    // Opened without waiting, so that a FIFO with no writer cannot hang the command; it is
    // refused just below as not a regular file.
    Descriptor file;
    file.fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (file.fd < 0)
        throw Error("Не удалось открыть файл \"" + path + "\": " + reason(errno));
    struct stat st {};
    if (::fstat(file.fd, &st) != 0)
        failRead(path, errno);
    if (S_ISDIR(st.st_mode))
        throw Error("Не удалось открыть файл \"" + path + "\": " + reason(EISDIR));
    if (!S_ISREG(st.st_mode))
        throw Error("Не удалось открыть файл \"" + path + "\": это не обычный файл");
    const int flags = ::fcntl(file.fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(file.fd, F_SETFL, flags & ~O_NONBLOCK);

    // The size the file states, and more when it grows or says 0 but has bytes.
    std::size_t capacity = static_cast<std::size_t>(st.st_size) + 1;
    FileBytes out;
    out.data = std::make_unique_for_overwrite<char[]>(capacity);
    std::size_t got = 0;
    for (;;) {
        if (got == capacity) {
            const std::size_t bigger = capacity < 4096 ? 65536 : capacity * 2;
            auto grown = std::make_unique_for_overwrite<char[]>(bigger);
            std::memcpy(grown.get(), out.data.get(), got);
            out.data = std::move(grown);
            capacity = bigger;
        }
        const ssize_t n = ::read(file.fd, out.data.get() + got, capacity - got);
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

AtomicFileWriter::AtomicFileWriter(const std::string& path) : path_(path), target_(resolveTarget(path))
{
    struct stat st {};
    const bool exists = ::stat(target_.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode))
        fail(EISDIR);
    // A short name of our own beside the target: it fits wherever the target's name fits and
    // cannot be a file of the user's.
    temp_ = directoryOf(target_) + "/.trassel-XXXXXX";
    fd_ = ::mkstemp(temp_.data());
    if (fd_ < 0) {
        temp_.clear();
        fail(errno);
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

AtomicFileWriter::~AtomicFileWriter()
{
    if (committed_)
        return;
    if (fd_ >= 0)
        ::close(fd_);
    if (!temp_.empty())
        ::unlink(temp_.c_str());
}

void AtomicFileWriter::fail(int err)
{
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temp_.empty()) {
        ::unlink(temp_.c_str());
        temp_.clear();
    }
    throw Error("Не удалось записать файл \"" + path_ + "\": " + reason(err));
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
    if (::rename(temp_.c_str(), target_.c_str()) != 0)
        fail(errno);
    committed_ = true;
    // The rename itself reaches the disk with the directory.
    const int dir = ::open(directoryOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

void WriteFileAtomically(const std::string& path, std::string_view bytes)
{
    AtomicFileWriter writer(path);
    writer.write(bytes);
    writer.commit();
}

} // namespace trassel

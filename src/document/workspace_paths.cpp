// The radargram's path in a workspace: relative inside the workspace's folder, whole elsewhere.
#include "document/workspace.h"

#include "base/file_path.h"

#include <exception>
#include <filesystem>
#include <system_error>

namespace trassel {
namespace {

std::filesystem::path AbsoluteNormal(const std::filesystem::path& p)
{
    std::error_code ec;
    std::filesystem::path abs = std::filesystem::absolute(p, ec);
    if (ec)
        abs = p;
    return abs.lexically_normal();
}

std::string StoredPath(const std::string& workspacePath, const std::string& picturePath)
{
    const std::filesystem::path folder = AbsoluteNormal(PathFromUtf8(workspacePath)).parent_path();
    const std::filesystem::path picture = AbsoluteNormal(PathFromUtf8(picturePath));
    const std::filesystem::path relative = picture.lexically_relative(folder);
    // Inside the workspace's folder tree the path moves with the folder; elsewhere it is kept
    // whole.
    if (!relative.empty() && *relative.begin() != ".." && relative.is_relative())
        return GenericPathToUtf8(relative);
    return PathToUtf8(picture);
}

std::string ResolvedPath(const std::string& workspacePath, const std::string& storedPath)
{
    const std::filesystem::path stored = PathFromUtf8(storedPath);
    if (stored.is_absolute())
        return PathToUtf8(stored.lexically_normal());
    return PathToUtf8((AbsoluteNormal(PathFromUtf8(workspacePath)).parent_path() / stored).lexically_normal());
}

} // namespace

// Windows cannot turn text that is no UTF-8 into a file name (the conversion throws): such a
// path names no file there, and it is kept as the user's text so that a save loses nothing.

std::string StoredPicturePath(const std::string& workspacePath, const std::string& picturePath)
{
    if (picturePath.empty())
        return {};
    try {
        return StoredPath(workspacePath, picturePath);
    } catch (const std::exception&) {
        return picturePath;
    }
}

std::string ResolvedPicturePath(const std::string& workspacePath, const std::string& storedPath)
{
    if (storedPath.empty())
        return {};
    try {
        return ResolvedPath(workspacePath, storedPath);
    } catch (const std::exception&) {
        return storedPath;
    }
}

} // namespace trassel

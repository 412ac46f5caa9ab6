// The radargram's path in a workspace: relative inside the workspace's folder, whole elsewhere.
#include "document/workspace.h"

#include "base/file_path.h"

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

} // namespace

std::string StoredPicturePath(const std::string& workspacePath, const std::string& picturePath)
{
    if (picturePath.empty())
        return {};
    const std::filesystem::path folder = AbsoluteNormal(PathFromUtf8(workspacePath)).parent_path();
    const std::filesystem::path picture = AbsoluteNormal(PathFromUtf8(picturePath));
    const std::filesystem::path relative = picture.lexically_relative(folder);
    // Inside the workspace's folder tree the path moves with the folder; elsewhere it is kept
    // whole.
    if (!relative.empty() && *relative.begin() != ".." && relative.is_relative())
        return GenericPathToUtf8(relative);
    return PathToUtf8(picture);
}

std::string ResolvedPicturePath(const std::string& workspacePath, const std::string& storedPath)
{
    if (storedPath.empty())
        return {};
    const std::filesystem::path stored = PathFromUtf8(storedPath);
    if (stored.is_absolute())
        return PathToUtf8(stored.lexically_normal());
    return PathToUtf8((AbsoluteNormal(PathFromUtf8(workspacePath)).parent_path() / stored).lexically_normal());
}

} // namespace trassel

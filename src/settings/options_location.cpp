#include "settings/options_location.h"

#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace trassel {

std::filesystem::path UserConfigDir(const char* xdgConfigHome, const char* home)
{
    if (xdgConfigHome != nullptr && *xdgConfigHome == '/')
        return std::filesystem::path(xdgConfigHome) / "Trassel";
    if (home != nullptr && *home != '\0')
        return std::filesystem::path(home) / ".config" / "Trassel";
    return {};
}

bool DirectoryWritable(const std::filesystem::path& dir)
{
    std::string probe = (dir / ".trassel-probe-XXXXXX").string();
    const int fd = ::mkstemp(probe.data());
    if (fd < 0)
        return false;
    ::close(fd);
    ::unlink(probe.c_str());
    return true;
}

std::filesystem::path ChooseOptionsFile(const std::filesystem::path& exeDir, const std::filesystem::path& configDir,
                                        const std::function<bool(const std::filesystem::path&)>& writable)
{
    if (configDir.empty() || writable(exeDir))
        return exeDir / kOptionsFileName;
    return configDir / kOptionsFileName;
}

} // namespace trassel

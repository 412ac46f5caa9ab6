#include "settings/options_location.h"

#include "base/file_path.h"

#include <cstdlib>
#include <fcntl.h>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace trassel {

std::filesystem::path UserConfigDir(const char* xdgConfigHome, const char* home)
{
    if (xdgConfigHome != nullptr && *xdgConfigHome == '/')
        return std::filesystem::path(xdgConfigHome) / "Trassel";
    if (home != nullptr && *home != '\0')
        return std::filesystem::path(home) / ".config" / "Trassel";
    return {};
}

std::filesystem::path AppDataConfigDir(const std::filesystem::path& appData)
{
    if (appData.empty() || !appData.is_absolute())
        return {};
    return appData / "Trassel";
}

bool DirectoryWritable(const std::filesystem::path& dir)
{
#ifdef _WIN32
    // Program Files refuses a standard user here, and a 64-bit program is never redirected to
    // the VirtualStore, so the probe answers truly.
    std::filesystem::path probe;
    const int fd = CreateUniqueFile(dir, ".trassel-probe-", probe);
    if (fd < 0)
        return false;
    ::_close(fd);
    ::_wunlink(probe.c_str());
    return true;
#else
    std::string probe = (dir / ".trassel-probe-XXXXXX").string();
    const int fd = ::mkstemp(probe.data());
    if (fd < 0)
        return false;
    ::close(fd);
    ::unlink(probe.c_str());
    return true;
#endif
}

std::filesystem::path ChooseOptionsFile(const std::filesystem::path& exeDir, const std::filesystem::path& configDir,
                                        const std::function<bool(const std::filesystem::path&)>& writable)
{
    if (configDir.empty() || writable(exeDir))
        return exeDir / kOptionsFileName;
    return configDir / kOptionsFileName;
}

} // namespace trassel

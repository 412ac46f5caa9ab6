#pragma once
// Where the settings file lives. A copy of the program in a folder of its own (a portable
// copy) keeps "TrasselOptions.ini" beside the executable; an installed program, whose folder
// the user cannot write, keeps the same file in the user's configuration folder instead, for
// saving and loading alike. On Windows that folder is %APPDATA%\Trassel.
#include <filesystem>
#include <functional>
#include <string>

namespace trassel {

inline constexpr const char* kOptionsFileName = "TrasselOptions.ini";

// The user's configuration folder of the program: $XDG_CONFIG_HOME/Trassel, else
// $HOME/.config/Trassel, else empty.
std::filesystem::path UserConfigDir(const char* xdgConfigHome, const char* home);

// The same folder on Windows: <appData>/Trassel for an absolute %APPDATA%, else empty.
std::filesystem::path AppDataConfigDir(const std::filesystem::path& appData);

// Whether a file can be created in `dir`: a probe file is made and removed again, which also
// answers for read-only file systems and access lists that permission bits do not show.
bool DirectoryWritable(const std::filesystem::path& dir);

// The settings file: beside the executable when its folder is writable, else in `configDir`.
std::filesystem::path ChooseOptionsFile(const std::filesystem::path& exeDir, const std::filesystem::path& configDir,
                                        const std::function<bool(const std::filesystem::path&)>& writable);

} // namespace trassel

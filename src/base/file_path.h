#pragma once
// Paths cross the core as UTF-8 text. On Linux that text is the file name's bytes as they are;
// on Windows it is turned into the wide-character name the system's file calls take, so that a
// folder "Обследования 2026" opens whatever the machine's ANSI code page is.
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace trassel {

// The path a UTF-8 text names.
std::filesystem::path PathFromUtf8(std::string_view utf8);

// A path as UTF-8 text, with the system's separators; GenericPathToUtf8 with '/' throughout.
std::string PathToUtf8(const std::filesystem::path& path);
std::string GenericPathToUtf8(const std::filesystem::path& path);

// Whether anything (file, folder, device) is found at the path.
bool PathExists(const std::string& path);

// The folder of the running executable, or the current folder when the system does not say.
std::filesystem::path ExecutableDir();

// The command line as UTF-8 texts, without the program's name. On Windows it is read again in
// wide characters, since argv holds it in the ANSI code page, which loses letters.
std::vector<std::string> CommandLineArguments(int argc, char** argv);

// The console shows UTF-8 output (file names, messages) as written: on Windows its code page
// becomes UTF-8; on Linux nothing needs doing.
void UseUtf8Console();

#ifdef _WIN32
// Creates a new file of a name of our own (prefix and six random letters) in `dir`, for
// writing only; returns its C runtime descriptor and sets `created`, or -1 with errno.
int CreateUniqueFile(const std::filesystem::path& dir, std::string_view prefix, std::filesystem::path& created);

// The system's text for a Windows error code, as UTF-8.
std::string WindowsErrorText(unsigned long code);
#endif

} // namespace trassel

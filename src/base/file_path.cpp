#include "base/file_path.h"

#include <cerrno>
#include <system_error>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <shellapi.h>
#include <fcntl.h>
#include <io.h>
#include <random>
#include <sys/stat.h>
#else
#include <sys/stat.h>
#endif

namespace trassel {

#ifdef _WIN32

std::filesystem::path PathFromUtf8(std::string_view utf8)
{
    return std::filesystem::path(std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}

std::string PathToUtf8(const std::filesystem::path& path)
{
    const std::u8string text = path.u8string();
    return std::string(reinterpret_cast<const char*>(text.data()), text.size());
}

std::string GenericPathToUtf8(const std::filesystem::path& path)
{
    const std::u8string text = path.generic_u8string();
    return std::string(reinterpret_cast<const char*>(text.data()), text.size());
}

bool PathExists(const std::string& path)
{
    struct _stat64 st { };
    return ::_wstat64(PathFromUtf8(path).c_str(), &st) == 0;
}

std::filesystem::path ExecutableDir()
{
    std::wstring name(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = ::GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
        if (n == 0)
            break;
        if (n < name.size()) {
            name.resize(n);
            return std::filesystem::path(name).parent_path();
        }
        name.resize(name.size() * 2); // a long path: the name was cut short
    }
    std::error_code ec;
    return std::filesystem::current_path(ec);
}

std::vector<std::string> CommandLineArguments(int argc, char** argv)
{
    int count = 0;
    LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (wide == nullptr)
        return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
    std::vector<std::string> args;
    for (int i = 1; i < count; ++i)
        args.push_back(PathToUtf8(std::filesystem::path(wide[i])));
    ::LocalFree(wide);
    return args;
}

void UseUtf8Console() { ::SetConsoleOutputCP(CP_UTF8); }

int CreateUniqueFile(const std::filesystem::path& dir, std::string_view prefix, std::filesystem::path& created)
{
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::random_device seed;
    std::mt19937 random(seed() ^ static_cast<unsigned>(::GetCurrentProcessId()) ^
                        static_cast<unsigned>(::GetTickCount()));
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kLetters - 2);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name(prefix);
        for (int i = 0; i < 6; ++i)
            name += kLetters[pick(random)];
        const std::filesystem::path path = dir / PathFromUtf8(name);
        const int fd = ::_wopen(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                                _S_IREAD | _S_IWRITE);
        if (fd >= 0) {
            created = path;
            return fd;
        }
        if (errno != EEXIST)
            return -1;
    }
    errno = EEXIST;
    return -1;
}

std::string WindowsErrorText(unsigned long code)
{
    wchar_t* text = nullptr;
    const DWORD n = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                         FORMAT_MESSAGE_IGNORE_INSERTS,
                                     nullptr, code, 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    std::wstring message = n > 0 && text != nullptr ? std::wstring(text, n) : std::wstring();
    if (text != nullptr)
        ::LocalFree(text);
    // The system's texts end in a full stop and a line break; ours go on after a colon.
    while (!message.empty() &&
           (message.back() == L'\n' || message.back() == L'\r' || message.back() == L' ' || message.back() == L'.'))
        message.pop_back();
    if (message.empty())
        return "ошибка Windows " + std::to_string(code);
    return PathToUtf8(std::filesystem::path(message));
}

#else

std::filesystem::path PathFromUtf8(std::string_view utf8) { return std::filesystem::path(std::string(utf8)); }

std::string PathToUtf8(const std::filesystem::path& path) { return path.string(); }

std::string GenericPathToUtf8(const std::filesystem::path& path) { return path.generic_string(); }

bool PathExists(const std::string& path)
{
    struct stat st { };
    return ::stat(path.c_str(), &st) == 0;
}

std::filesystem::path ExecutableDir()
{
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec)
        return std::filesystem::current_path(ec);
    return exe.parent_path();
}

std::vector<std::string> CommandLineArguments(int argc, char** argv)
{
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

void UseUtf8Console() { }

#endif

} // namespace trassel

#pragma once
// The settings file: an INI text of sections ("[name]") and key=value lines, in
// Windows-1251. Names are compared without regard to letter case (Latin and Cyrillic).
// Writing a key rewrites the file at once — the key's line replaced in place, a missing key
// appended to its section, a missing section appended at the end, a missing file created —
// and every other line stays byte for byte. Each write replaces the file atomically.
#include "base/atomic_file.h"

#include <optional>
#include <string>
#include <string_view>

namespace trassel {

class IniFile {
public:
    // A read-only file is written only with ReadOnlyTarget::Overwrite (the user agreed).
    explicit IniFile(std::string path, ReadOnlyTarget readOnly = ReadOnlyTarget::Refuse)
        : path_(std::move(path)), readOnly_(readOnly)
    {
    }
    const std::string& path() const { return path_; }

    // The value (UTF-8, blanks around it dropped), or nothing when the file, the section or
    // the key is missing.
    std::optional<std::string> read(std::string_view section, std::string_view key) const;
    // An integer key; a value that is not an integer gives `fallback`.
    int readInteger(std::string_view section, std::string_view key, int fallback) const;
    // A flag: an integer, any value but 0 set; a value that is not an integer gives `fallback`.
    bool readBool(std::string_view section, std::string_view key, bool fallback) const;
    std::string readString(std::string_view section, std::string_view key, std::string_view fallback) const;

    // Writes one key. Error "Unable to write to <path>" when the file cannot be written;
    // WriteProtectedError when it is not the user's to replace.
    void write(std::string_view section, std::string_view key, std::string_view value);
    void writeInteger(std::string_view section, std::string_view key, int value);
    void writeBool(std::string_view section, std::string_view key, bool value);

private:
    std::string path_;
    ReadOnlyTarget readOnly_;
};

// The new text of an INI file after writing one key (all in Windows-1251); the rules above.
std::string IniWithKey(std::string_view text, std::string_view section, std::string_view key, std::string_view value);
// The value of a key in an INI text (Windows-1251), blanks around it dropped.
std::optional<std::string> IniValue(std::string_view text, std::string_view section, std::string_view key);

} // namespace trassel

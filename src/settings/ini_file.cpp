#include "settings/ini_file.h"

#include "base/atomic_file.h"
#include "base/error.h"
#include "base/file_path.h"
#include "base/cp1251.h"
#include "base/numbers.h"

#include <cerrno>
#include <vector>

namespace trassel {
namespace {

// Letter case folded in Windows-1251: Latin A-Z, Cyrillic А-Я and Ё.
unsigned char fold(unsigned char c)
{
    if (c >= 'A' && c <= 'Z')
        return static_cast<unsigned char>(c + 32);
    if (c >= 0xC0 && c <= 0xDF)
        return static_cast<unsigned char>(c + 32);
    if (c == 0xA8)
        return 0xB8;
    return c;
}

bool sameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (fold(static_cast<unsigned char>(a[i])) != fold(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::string_view trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

// One line of the file: its text and the line end that followed it ("" for the last line).
struct Line {
    std::string_view text;
    std::string_view end;
};

std::vector<Line> splitLines(std::string_view text)
{
    std::vector<Line> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t i = start;
        while (i < text.size() && text[i] != '\r' && text[i] != '\n')
            ++i;
        std::size_t endLen = 0;
        if (i < text.size())
            endLen = (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
        lines.push_back({text.substr(start, i - start), text.substr(i, endLen)});
        start = i + endLen;
    }
    return lines;
}

// The section a line opens, or nothing.
std::optional<std::string_view> sectionOf(std::string_view line)
{
    const std::string_view t = trim(line);
    if (t.size() >= 2 && t.front() == '[' && t.back() == ']')
        return trim(t.substr(1, t.size() - 2));
    return std::nullopt;
}

// The key of a key=value line, or nothing.
std::optional<std::string_view> keyOf(std::string_view line)
{
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos)
        return std::nullopt;
    return trim(line.substr(0, eq));
}

} // namespace

std::optional<std::string> IniValue(std::string_view text, std::string_view section, std::string_view key)
{
    bool inSection = false;
    for (const Line& line : splitLines(text)) {
        if (const auto name = sectionOf(line.text)) {
            inSection = sameName(*name, section);
            continue;
        }
        if (!inSection)
            continue;
        if (const auto k = keyOf(line.text); k && sameName(*k, key))
            return std::string(trim(line.text.substr(line.text.find('=') + 1)));
    }
    return std::nullopt;
}

std::string IniWithKey(std::string_view text, std::string_view section, std::string_view key, std::string_view value)
{
    const std::vector<Line> lines = splitLines(text);
    const std::string keyLine = std::string(key) + "=" + std::string(value);
    std::optional<std::size_t> sectionAt;     // the line opening the section
    std::optional<std::size_t> lastInSection; // its last non-empty line
    std::optional<std::size_t> keyAt;
    bool inSection = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (const auto name = sectionOf(lines[i].text)) {
            inSection = !sectionAt && sameName(*name, section);
            if (inSection) {
                sectionAt = i;
                lastInSection = i;
            }
            continue;
        }
        if (!inSection)
            continue;
        if (!trim(lines[i].text).empty())
            lastInSection = i;
        if (const auto k = keyOf(lines[i].text); k && !keyAt && sameName(*k, key))
            keyAt = i;
    }
    std::string out;
    out.reserve(text.size() + keyLine.size() + section.size() + 8);
    auto lineEnd = [](const Line& line) { return line.end.empty() ? std::string_view("\r\n") : line.end; };
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (keyAt && i == *keyAt) {
            out += keyLine;
            out += lines[i].end;
            continue;
        }
        out += lines[i].text;
        if (!keyAt && lastInSection && i == *lastInSection) {
            // A key the section lacks goes after its last line.
            out += lineEnd(lines[i]);
            out += keyLine;
            out += "\r\n";
            continue;
        }
        out += lines[i].end;
    }
    if (!sectionAt) {
        if (!out.empty() && out.back() != '\n' && out.back() != '\r')
            out += "\r\n";
        out += "[" + std::string(section) + "]\r\n" + keyLine + "\r\n";
    }
    return out;
}

std::optional<std::string> IniFile::read(std::string_view section, std::string_view key) const
{
    if (!PathExists(path_))
        return std::nullopt; // no file: every key reads its default
    FileBytes bytes;
    try {
        bytes = ReadWholeFile(path_);
    } catch (const Error&) {
        return std::nullopt;
    }
    const std::string_view text(bytes.data.get(), bytes.size);
    const auto value = IniValue(text, EncodeCp1251(section), EncodeCp1251(key));
    if (!value)
        return std::nullopt;
    return DecodeCp1251(*value);
}

int IniFile::readInteger(std::string_view section, std::string_view key, int fallback) const
{
    const auto value = read(section, key);
    if (!value)
        return fallback;
    return TryReadInteger(*value).value_or(fallback);
}

bool IniFile::readBool(std::string_view section, std::string_view key, bool fallback) const
{
    const auto value = read(section, key);
    if (!value)
        return fallback;
    const std::optional<int> number = TryReadInteger(*value);
    return number ? *number != 0 : fallback;
}

std::string IniFile::readString(std::string_view section, std::string_view key, std::string_view fallback) const
{
    const auto value = read(section, key);
    return value ? *value : std::string(fallback);
}

void IniFile::write(std::string_view section, std::string_view key, std::string_view value)
{
    std::string text;
    if (PathExists(path_)) {
        try {
            FileBytes bytes = ReadWholeFile(path_);
            text.assign(bytes.data.get(), bytes.size);
        } catch (const Error&) {
            throw Error("Unable to write to " + path_);
        }
    }
    const std::string updated = IniWithKey(text, EncodeCp1251(section), EncodeCp1251(key), EncodeCp1251(value));
    try {
        WriteFileAtomically(path_, updated, readOnly_);
    } catch (const WriteProtectedError&) {
        throw; // the user is told why, in the words every writer uses
    } catch (const Error&) {
        throw Error("Unable to write to " + path_);
    }
}

void IniFile::writeInteger(std::string_view section, std::string_view key, int value)
{
    write(section, key, IntToText(value));
}

void IniFile::writeBool(std::string_view section, std::string_view key, bool value)
{
    write(section, key, value ? "1" : "0");
}

} // namespace trassel

#include "dialogs/soil_list.h"

#include "base/cp1251.h"
#include "base/error.h"
#include "base/utf8.h"

#include <cstddef>

namespace trassel {
namespace {

// Copies well-formed UTF-8 and puts one "?" for each maximal piece that cannot start or
// complete a character, so that a damaged byte never swallows the line end after it.
void decodeUtf8(std::string_view bytes, std::string& out)
{
    const std::size_t n = bytes.size();
    std::size_t i = 0;
    while (i < n) {
        const auto b0 = static_cast<unsigned char>(bytes[i]);
        if (b0 < 0x80) {
            out += static_cast<char>(b0);
            ++i;
            continue;
        }
        int length = 0;
        unsigned char low = 0x80;  // range of the first continuation byte: excludes overlong
        unsigned char high = 0xBF; // forms, surrogates and code points past U+10FFFF
        if (b0 >= 0xC2 && b0 <= 0xDF) {
            length = 2;
        } else if (b0 >= 0xE0 && b0 <= 0xEF) {
            length = 3;
            if (b0 == 0xE0)
                low = 0xA0;
            if (b0 == 0xED)
                high = 0x9F;
        } else if (b0 >= 0xF0 && b0 <= 0xF4) {
            length = 4;
            if (b0 == 0xF0)
                low = 0x90;
            if (b0 == 0xF4)
                high = 0x8F;
        }
        if (length == 0) {
            out += '?';
            ++i;
            continue;
        }
        std::size_t k = 1;
        for (; k < static_cast<std::size_t>(length) && i + k < n; ++k) {
            const auto b = static_cast<unsigned char>(bytes[i + k]);
            const unsigned char lo = k == 1 ? low : 0x80;
            const unsigned char hi = k == 1 ? high : 0xBF;
            if (b < lo || b > hi)
                break;
        }
        if (k == static_cast<std::size_t>(length))
            out.append(bytes.substr(i, k));
        else
            out += '?';
        i += k;
    }
}

void decodeUtf16(std::string_view bytes, bool bigEndian, std::string& out)
{
    const std::size_t units = bytes.size() / 2;
    auto unitAt = [&](std::size_t u) {
        const auto a = static_cast<unsigned char>(bytes[2 * u]);
        const auto b = static_cast<unsigned char>(bytes[2 * u + 1]);
        return bigEndian ? static_cast<char16_t>((a << 8) | b) : static_cast<char16_t>((b << 8) | a);
    };
    for (std::size_t u = 0; u < units; ++u) {
        const char16_t unit = unitAt(u);
        if (unit >= 0xD800 && unit <= 0xDBFF && u + 1 < units) {
            const char16_t next = unitAt(u + 1);
            if (next >= 0xDC00 && next <= 0xDFFF) {
                AppendUtf8(out, 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) + (next - 0xDC00));
                ++u;
                continue;
            }
        }
        if (unit >= 0xD800 && unit <= 0xDFFF)
            out += '?';
        else
            AppendUtf8(out, unit);
    }
    if (bytes.size() % 2 != 0)
        out += '?';
}

bool startsWith(std::string_view bytes, std::string_view mark) { return bytes.substr(0, mark.size()) == mark; }

// The lines the text will give, counted in its own encoding (units of two bytes for UTF-16):
// the same rule as the reading below, for the memory check before it.
std::size_t countLines(std::string_view bytes, std::size_t unit, bool bigEndian)
{
    const std::size_t n = bytes.size() / unit;
    auto at = [&](std::size_t i) -> unsigned {
        if (unit == 1)
            return static_cast<unsigned char>(bytes[i]);
        const auto a = static_cast<unsigned char>(bytes[2 * i]);
        const auto b = static_cast<unsigned char>(bytes[2 * i + 1]);
        return bigEndian ? (a << 8) | b : (b << 8) | a;
    };
    std::size_t lines = 0;
    bool open = false; // a line has begun and not ended
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned c = at(i);
        if (c == '\n' || c == '\r') {
            ++lines;
            open = false;
            if (c == '\r' && i + 1 < n && at(i + 1) == '\n')
                ++i;
        } else {
            open = true;
        }
    }
    // An odd last byte of UTF-16 reads as a character of its own.
    return lines + (open || bytes.size() % unit != 0 ? 1 : 0);
}

} // namespace

std::vector<std::string> ReadSoilList(std::string_view bytes, std::size_t slack)
{
    {
        const bool utf16 = startsWith(bytes, "\xFF\xFE") || startsWith(bytes, "\xFE\xFF");
        const std::size_t mark = startsWith(bytes, "\xEF\xBB\xBF") ? 3 : utf16 ? 2 : 0;
        const std::size_t lines = countLines(bytes.substr(mark), utf16 ? 2 : 1, startsWith(bytes, "\xFE\xFF"));
        const std::size_t need = lines * kSoilEntryBytes;
        const std::size_t allowed = bytes.size() + slack;
        if (need / kSoilEntryBytes != lines || need > allowed) {
            constexpr std::size_t kMB = std::size_t{1} << 20;
            throw Error("Недостаточно памяти для списка грунтов из этого файла: " + std::to_string(lines) +
                        " строк заняли бы " + std::to_string((need + kMB - 1) / kMB) + " МБ, а допускается не больше " +
                        std::to_string(allowed / kMB) + " МБ (размер файла и ещё " + std::to_string(slack / kMB) +
                        " МБ)");
        }
    }
    std::string text;
    text.reserve(bytes.size());
    if (startsWith(bytes, "\xEF\xBB\xBF"))
        decodeUtf8(bytes.substr(3), text);
    else if (startsWith(bytes, "\xFF\xFE"))
        decodeUtf16(bytes.substr(2), false, text);
    else if (startsWith(bytes, "\xFE\xFF"))
        decodeUtf16(bytes.substr(2), true, text);
    else
        DecodeCp1251(bytes, text);

    std::vector<std::string> lines;
    const std::string_view all(text);
    std::size_t start = 0;
    // Every line end closes the line before it; what follows the last line end is a line only
    // when it is not empty.
    while (start < all.size()) {
        const std::size_t end = all.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.emplace_back(all.substr(start));
            break;
        }
        lines.emplace_back(all.substr(start, end - start));
        start = end + 1;
        if (all[end] == '\r' && start < all.size() && all[start] == '\n')
            ++start;
    }
    return lines;
}

} // namespace trassel

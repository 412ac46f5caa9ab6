#include "base/cp1251.h"

#include "base/utf8.h"

namespace trassel {
namespace {

// Code points of the bytes 0x80..0xBF; 0xC0..0xFF are U+0410..U+044F in order.
constexpr char16_t kHighHalf[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039, 0x040A,
    0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x0098, 0x2122,
    0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6,
    0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456,
    0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
};

char32_t codePointOf(unsigned char b)
{
    if (b < 0x80)
        return b;
    if (b >= 0xC0)
        return 0x0410 + (b - 0xC0);
    return kHighHalf[b - 0x80];
}

char encodeCodePoint(char32_t cp)
{
    if (cp < 0x80)
        return static_cast<char>(cp);
    if (cp >= 0x0410 && cp <= 0x044F)
        return static_cast<char>(0xC0 + (cp - 0x0410));
    for (int i = 0; i < 64; ++i)
        if (kHighHalf[i] == cp)
            return static_cast<char>(0x80 + i);
    return '?';
}

} // namespace

bool IsAscii(std::string_view bytes) noexcept
{
    for (const char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

void DecodeCp1251(std::string_view bytes, std::string& out)
{
    out.reserve(out.size() + bytes.size() * 2);
    for (const char c : bytes)
        AppendUtf8(out, codePointOf(static_cast<unsigned char>(c)));
}

std::string DecodeCp1251(std::string_view bytes)
{
    std::string out;
    DecodeCp1251(bytes, out);
    return out;
}

void EncodeCp1251(std::string_view utf8, std::string& out)
{
    out.reserve(out.size() + utf8.size());
    std::size_t i = 0;
    const std::size_t n = utf8.size();
    while (i < n) {
        const auto b0 = static_cast<unsigned char>(utf8[i]);
        if (b0 < 0x80) {
            out += static_cast<char>(b0);
            ++i;
            continue;
        }
        int extra = 0;
        char32_t cp = 0;
        if ((b0 & 0xE0) == 0xC0) {
            extra = 1;
            cp = b0 & 0x1F;
        } else if ((b0 & 0xF0) == 0xE0) {
            extra = 2;
            cp = b0 & 0x0F;
        } else if ((b0 & 0xF8) == 0xF0) {
            extra = 3;
            cp = b0 & 0x07;
        } else {
            out += '?';
            ++i;
            continue;
        }
        bool ok = i + static_cast<std::size_t>(extra) < n;
        for (int k = 1; ok && k <= extra; ++k) {
            const auto bk = static_cast<unsigned char>(utf8[i + static_cast<std::size_t>(k)]);
            if ((bk & 0xC0) != 0x80)
                ok = false;
            else
                cp = (cp << 6) | (bk & 0x3F);
        }
        if (!ok) {
            out += '?';
            ++i;
            continue;
        }
        // An overlong form (C0 80 for a NUL), a surrogate or a value past Unicode is not a
        // character: it becomes one "?" like any other byte sequence the code page lacks.
        constexpr char32_t kShortest[] = {0, 0x80, 0x800, 0x10000};
        if (cp < kShortest[extra] || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) {
            out += '?';
            i += static_cast<std::size_t>(extra) + 1;
            continue;
        }
        out += encodeCodePoint(cp);
        i += static_cast<std::size_t>(extra) + 1;
    }
}

std::string EncodeCp1251(std::string_view utf8)
{
    std::string out;
    EncodeCp1251(utf8, out);
    return out;
}

} // namespace trassel

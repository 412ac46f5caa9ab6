// How texts of any bytes are kept in the workspace's JSON (cell escapes, hexadecimal bytes).
#include "document/workspace_text.h"

namespace trassel::workspace {

std::size_t Utf8SequenceAt(const unsigned char* p, std::size_t left)
{
    const unsigned c = p[0];
    if (c < 0x80)
        return 1;
    auto cont = [&](std::size_t i, unsigned lo = 0x80, unsigned hi = 0xBF) { return p[i] >= lo && p[i] <= hi; };
    if (c < 0xC2)
        return 0;
    if (c < 0xE0)
        return left >= 2 && cont(1) ? 2 : 0;
    if (c < 0xF0) {
        const unsigned lo = c == 0xE0 ? 0xA0 : 0x80;
        const unsigned hi = c == 0xED ? 0x9F : 0xBF;
        return left >= 3 && cont(1, lo, hi) && cont(2) ? 3 : 0;
    }
    if (c < 0xF5) {
        const unsigned lo = c == 0xF0 ? 0x90 : 0x80;
        const unsigned hi = c == 0xF4 ? 0x8F : 0xBF;
        return left >= 4 && cont(1, lo, hi) && cont(2) && cont(3) ? 4 : 0;
    }
    return 0;
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

namespace {

bool IsUtf8(std::string_view text)
{
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t n = Utf8SequenceAt(p + i, text.size() - i);
        if (n == 0)
            return false;
        i += n;
    }
    return true;
}

constexpr char kHex[] = "0123456789abcdef";

} // namespace

void AppendEscaped(std::string& out, std::string_view cell)
{
    const auto* p = reinterpret_cast<const unsigned char*>(cell.data());
    std::size_t i = 0;
    while (i < cell.size()) {
        const unsigned char c = p[i];
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            const std::size_t n = Utf8SequenceAt(p + i, cell.size() - i);
            if (n == 0) {
                out += "\\x";
                out += kHex[c >> 4];
                out += kHex[c & 15];
            } else {
                out.append(cell.data() + i, n);
                i += n;
                continue;
            }
        }
        ++i;
    }
}

bool AppendUnescaped(std::string& out, std::string_view text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++i >= text.size())
            return false;
        switch (text[i]) {
        case '\\': out += '\\'; break;
        case 't': out += '\t'; break;
        case 'n': out += '\n'; break;
        case 'x': {
            if (i + 2 >= text.size())
                return false;
            const int hi = HexValue(text[i + 1]);
            const int lo = HexValue(text[i + 2]);
            if (hi < 0 || lo < 0)
                return false;
            out += static_cast<char>(hi * 16 + lo);
            i += 2;
            break;
        }
        default: return false;
        }
    }
    return true;
}

OutJson TextJson(std::string_view text)
{
    if (IsUtf8(text))
        return std::string(text);
    std::string hex;
    hex.reserve(text.size() * 2);
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        hex += kHex[c >> 4];
        hex += kHex[c & 15];
    }
    return OutJson{{"bytes", hex}};
}

bool BytesFromHex(std::string_view hex, std::string& out)
{
    out.clear();
    if (hex.size() % 2 != 0)
        return false;
    out.reserve(hex.size() / 2);
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        const int hi = HexValue(hex[i]);
        const int lo = HexValue(hex[i + 1]);
        if (hi < 0 || lo < 0)
            return false;
        out += static_cast<char>(hi * 16 + lo);
    }
    return true;
}

} // namespace trassel::workspace

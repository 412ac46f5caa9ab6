#pragma once
// Number reading and writing shared by every command that touches cell text.
// All of it is locale-free: "." is the decimal point whatever the system says.
#include <bit>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

namespace trassel {

// Strict reading: blanks around the text are ignored; the rest must be an optional sign,
// digits with at most one ".", and an optional exponent. Otherwise throws Error
// "'<text>' is not a valid floating point value".
double ReadStrict(std::string_view text);
// The same reading as a question: the number, or nothing when the text is not one.
std::optional<double> TryReadStrict(std::string_view text) noexcept;

// The powers of ten a double holds exactly.
inline constexpr double kExactPowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                               1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

// The usual table cell read in one pass while its end is found: the plain decimal at the start
// of [p, end) (an optional sign, at most 15 digits with at most one "." among them) up to the
// first byte of another kind. Returns where it stopped, `value` being what TryReadStrict reads
// from the text before that byte; nullptr when no such number starts at p (no digit, or more
// than 15), the text then needing the full reading.
inline const char* ReadPlainDecimalPrefix(const char* p, const char* end, double& value) noexcept
{
    bool negative = false;
    if (p != end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    long long mantissa = 0;
    int digits = 0;
    int decimals = -1;
    for (; p != end; ++p) {
        const char c = *p;
        if (c >= '0' && c <= '9') {
            if (++digits > 15)
                return nullptr;
            mantissa = mantissa * 10 + (c - '0');
            if (decimals >= 0)
                ++decimals;
        } else if (c == '.' && decimals < 0) {
            decimals = 0;
        } else {
            break;
        }
    }
    if (digits == 0)
        return nullptr;
    // The digits and the power of ten are exact doubles: one division rounds correctly.
    const double v = static_cast<double>(mantissa) / kExactPowersOfTen[decimals > 0 ? decimals : 0];
    value = negative ? -v : v;
    return p;
}

// The cell at p of a row of cells joined by `separator` (not a digit, ".", "+" or "-"), when it
// is a plain decimal: the end of the cell (its separator or `end`), `value` being what
// TryReadStrict reads from it. nullptr for any other cell. A cell of up to seven bytes followed
// by eight bytes of the row is read a word at a time, without a branch per byte.
inline const char* ReadPlainDecimalCell(const char* p, const char* end, char separator, double& value) noexcept
{
    if (end - p >= 8 && ((*p >= '0' && *p <= '9') || *p == '.')) {
        std::uint64_t word = 0;
        std::memcpy(&word, p, 8);
        if constexpr (std::endian::native == std::endian::little) {
            constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
            constexpr std::uint64_t kHigh = 0x8080808080808080ULL;
            const std::uint64_t x = word ^ (kOnes * '0');
            // High bit of each byte: not a digit; a point.
            const std::uint64_t notDigit = (((x & ~kHigh) + kOnes * 0x76) | x) & kHigh;
            const std::uint64_t d = word ^ (kOnes * '.');
            const std::uint64_t point = ~(((d & ~kHigh) + ~kHigh) | d) & kHigh;
            const std::uint64_t other = notDigit & ~point;
            if (other != 0) {
                const int length = std::countr_zero(other) / 8; // bytes before the first other
                const std::uint64_t inside = length == 0 ? 0 : ~std::uint64_t{0} >> (64 - 8 * length);
                const std::uint64_t points = point & inside;
                const int digits = length - (points != 0 ? 1 : 0);
                // Not the separator after it, a second point, or no digit at all.
                if (p[length] != separator || (points & (points - 1)) != 0 || digits == 0)
                    return nullptr;
                // The digits without the point, the first in the lowest byte.
                std::uint64_t packed = x & inside;
                int decimals = 0;
                if (points != 0) {
                    const int at = std::countr_zero(points) / 8;
                    const std::uint64_t before = at == 0 ? 0 : ~std::uint64_t{0} >> (64 - 8 * at);
                    packed = (packed & before) | ((packed >> 8) & ~before);
                    decimals = length - at - 1;
                }
                // Leading zeros in front make eight digits, folded pairwise into the number.
                packed <<= 8 * (8 - digits);
                packed = (packed * 10 + (packed >> 8)) & 0x00FF00FF00FF00FFULL;
                packed = (packed * 100 + (packed >> 16)) & 0x0000FFFF0000FFFFULL;
                packed = (packed * 10000 + (packed >> 32)) & 0xFFFFFFFFULL;
                value = static_cast<double>(packed) / kExactPowersOfTen[decimals];
                return p + length;
            }
        }
    }
    const char* const stop = ReadPlainDecimalPrefix(p, end, value);
    return stop != nullptr && (stop == end || *stop == separator) ? stop : nullptr;
}

// Lenient reading: skips leading white space and takes the longest numeric prefix;
// 0 when there is none. Never fails ("12,5" reads 12, "abc" reads 0).
double ReadLenient(std::string_view text) noexcept;

// Integer reading of a number the user typed (a column number). Blanks around it are
// ignored. Otherwise throws Error "'<text>' is not a valid integer value".
int ReadInteger(std::string_view text);
std::optional<int> TryReadInteger(std::string_view text) noexcept;

// Round to `decimals` decimals, an exact half going to the even neighbour. The product is
// formed in extended precision so that 12.345 (stored slightly above the half) gives 12.35.
double RoundTo(double value, int decimals);

// The shortest general form with up to 15 significant digits: "123.5", "123", "-9.5",
// exponent form ("1E-6", "1.5E20") below 0.00001 or beyond 15 integer digits.
std::string NumberToText(double value);

// Decimal text of an integer.
std::string IntToText(long long value);

} // namespace trassel

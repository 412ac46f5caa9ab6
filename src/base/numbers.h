#pragma once
// Number reading and writing shared by every command that touches cell text.
// All of it is locale-free: "." is the decimal point whatever the system says.
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

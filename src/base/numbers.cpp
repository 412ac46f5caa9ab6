#include "base/numbers.h"

#include "base/error.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>

namespace trassel {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Length of the longest prefix of `s` of the form [sign] digits [. digits] [(E|e) [sign] digits]
// with at least one mantissa digit; 0 when there is none.
std::size_t numericPrefix(std::string_view s)
{
    std::size_t i = 0;
    const std::size_t n = s.size();
    if (i < n && (s[i] == '+' || s[i] == '-'))
        ++i;
    std::size_t digits = 0;
    while (i < n && isDigit(s[i])) {
        ++i;
        ++digits;
    }
    if (i < n && s[i] == '.') {
        ++i;
        while (i < n && isDigit(s[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return 0;
    if (i < n && (s[i] == 'e' || s[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < n && (s[j] == '+' || s[j] == '-'))
            ++j;
        std::size_t expDigits = 0;
        while (j < n && isDigit(s[j])) {
            ++j;
            ++expDigits;
        }
        if (expDigits > 0)
            i = j;
    }
    return i;
}

constexpr const double (&kPow10)[16] = kExactPowersOfTen;

// Converts a text already known to match the numeric form. from_chars takes no leading '+'.
bool convert(std::string_view s, double& out)
{
    // Fast path for the usual table cell, a plain decimal of at most 15 digits: the digits
    // and the power of ten are exact doubles, so one division gives the correctly rounded value.
    {
        std::size_t i = 0;
        bool negative = false;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
            negative = s[i] == '-';
            ++i;
        }
        std::int64_t mantissa = 0;
        int digits = 0;
        int decimals = -1;
        bool plain = true;
        for (; i < s.size(); ++i) {
            const char c = s[i];
            if (isDigit(c)) {
                // Past 15 digits the fast path gives up anyway; stopping here also keeps the
                // mantissa far from overflowing on a text of hundreds of digits.
                if (mantissa >= 1'000'000'000'000'000LL) {
                    plain = false;
                    break;
                }
                mantissa = mantissa * 10 + (c - '0');
                if (mantissa != 0 || decimals >= 0)
                    ++digits;
                if (decimals >= 0)
                    ++decimals;
            } else if (c == '.' && decimals < 0) {
                decimals = 0;
            } else {
                plain = false;
                break;
            }
        }
        if (plain && digits <= 15) {
            const double value = static_cast<double>(mantissa) / kPow10[decimals > 0 ? decimals : 0];
            out = negative ? -value : value;
            return true;
        }
    }
    if (!s.empty() && s.front() == '+')
        s.remove_prefix(1);
    const auto res = std::from_chars(s.data(), s.data() + s.size(), out);
    if (res.ec == std::errc::result_out_of_range) {
        // Underflow reads as zero; overflow has no finite value.
        if (std::strtod(std::string(s).c_str(), nullptr) == 0.0) {
            out = 0.0;
            return true;
        }
        return false;
    }
    return res.ec == std::errc() && res.ptr == s.data() + s.size();
}

// One pass over the usual table cell, a plain decimal of at most 15 digits with nothing around
// it: the value convert's quick path gives, without checking the form and trimming first. False
// for any other text, which then takes the full reading.
bool readPlainDecimal(std::string_view s, double& out)
{
    double value = 0.0;
    const char* const end = s.data() + s.size();
    const char* const stop = ReadPlainDecimalPrefix(s.data(), end, value);
    if (stop == nullptr || stop != end)
        return false;
    out = value;
    return true;
}

std::string_view trimBlanks(std::string_view s)
{
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    return s;
}

} // namespace

std::optional<double> TryReadStrict(std::string_view text) noexcept
{
    double value = 0.0;
    if (readPlainDecimal(text, value))
        return value;
    const std::string_view s = trimBlanks(text);
    if (s.empty() || numericPrefix(s) != s.size() || !convert(s, value))
        return std::nullopt;
    return value;
}

double ReadStrict(std::string_view text)
{
    const std::optional<double> value = TryReadStrict(text);
    if (!value)
        throw Error("'" + std::string(text) + "' is not a valid floating point value");
    return *value;
}

double ReadLenient(std::string_view text) noexcept
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    text.remove_prefix(i);
    const std::size_t len = numericPrefix(text);
    double value = 0.0;
    if (len == 0 || !convert(text.substr(0, len), value))
        return 0.0;
    return value;
}

int ReadInteger(std::string_view text)
{
    const std::optional<int> value = TryReadInteger(text);
    if (!value)
        throw Error("'" + std::string(text) + "' is not a valid integer value");
    return *value;
}

std::optional<int> TryReadInteger(std::string_view text) noexcept
{
    std::string_view s = trimBlanks(text);
    bool negative = false;
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    long long value = 0;
    const auto res = std::from_chars(s.data(), s.data() + s.size(), value);
    if (s.empty() || !isDigit(s.front()) || res.ec != std::errc() || res.ptr != s.data() + s.size())
        return std::nullopt;
    if (negative)
        value = -value;
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
        return std::nullopt;
    return static_cast<int>(value);
}

double RoundTo(double value, int decimals)
{
    if (!std::isfinite(value))
        return value;
    // Whole numbers need no scaling, and rint of a double is exact in double.
    if (decimals == 0)
        return std::rint(value);
    long double factor = 1.0L;
    for (int i = 0; i < decimals; ++i)
        factor *= 10.0L;
    for (int i = 0; i > decimals; --i)
        factor /= 10.0L;
    // rint rounds halves to even in the default rounding mode (and, unlike nearbyint, does not
    // save and restore the floating-point environment on every call).
    const long double scaled = std::rint(static_cast<long double>(value) * factor);
    return static_cast<double>(scaled / factor);
}

std::string NumberToText(double value)
{
    if (std::isnan(value))
        return "NAN";
    if (std::isinf(value))
        return value > 0 ? "INF" : "-INF";
    if (value == 0.0)
        return "0";
    const double magnitude = std::fabs(value);
    if (magnitude >= 0.00001 && magnitude < 1e15) {
        // Fastest path: a value that is exactly some decimal with few places (every picket and
        // depth the program writes) is spelled from that integer.
        for (int k = 0; k <= 6; ++k) {
            const double scaled = std::rint(value * kPow10[k]);
            if (std::fabs(scaled) < 1e15 && scaled / kPow10[k] == value) {
                char digits[24];
                const auto r = std::to_chars(digits, digits + sizeof digits,
                                             static_cast<std::int64_t>(std::fabs(scaled)));
                std::string text(digits, r.ptr);
                if (k > 0) {
                    if (text.size() <= static_cast<std::size_t>(k))
                        text.insert(0, static_cast<std::size_t>(k) + 1 - text.size(), '0');
                    text.insert(text.size() - static_cast<std::size_t>(k), 1, '.');
                    while (text.back() == '0')
                        text.pop_back();
                    if (text.back() == '.')
                        text.pop_back();
                }
                return value < 0 ? "-" + text : text;
            }
        }
        // Fast path: the shortest round-trip text, when it has at most 15 significant digits,
        // is exactly the 15-digit rounding.
        char fixed[64];
        const auto res = std::to_chars(fixed, fixed + sizeof fixed, value, std::chars_format::fixed);
        if (res.ec == std::errc()) {
            int significant = 0;
            bool leading = true;
            for (const char* q = fixed; q < res.ptr; ++q) {
                if (!isDigit(*q))
                    continue;
                if (leading && *q == '0')
                    continue;
                leading = false;
                ++significant;
            }
            if (significant <= 15)
                return std::string(fixed, res.ptr);
        }
    }
    // 15 significant digits, as digit string and decimal exponent.
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 14);
    std::string sci(buf, res.ptr);
    const bool negative = sci.front() == '-';
    if (negative)
        sci.erase(0, 1);
    const std::size_t ePos = sci.find('e');
    int exponent = std::atoi(sci.c_str() + ePos + 1);
    std::string digits;
    for (std::size_t i = 0; i < ePos; ++i)
        if (isDigit(sci[i]))
            digits += sci[i];
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();

    // The largest doubles round up past the largest double; their text must still read back,
    // so the digits are cut instead of rounded there.
    if (exponent == 308) {
        std::string probe = digits.substr(0, 1) + "." + digits.substr(1) + "e308";
        if (std::isinf(std::strtod(probe.c_str(), nullptr))) {
            digits.resize(15, '0');
            std::size_t k = digits.size();
            while (k > 0 && digits[k - 1] == '0')
                digits[--k] = '9';
            if (k > 0)
                --digits[k - 1];
            while (digits.size() > 1 && digits.back() == '0')
                digits.pop_back();
        }
    }

    std::string out = negative ? "-" : "";
    // The form follows the rounded value, so that the text reads back to a value that is
    // written the same way (0.0000099999999999999995 rounds to 0.00001, not "1E-5").
    if (exponent >= 15 || exponent < -5) {
        out += digits[0];
        if (digits.size() > 1) {
            out += '.';
            out.append(digits, 1);
        }
        out += 'E';
        out += std::to_string(exponent);
        return out;
    }
    if (exponent < 0) {
        out += "0.";
        out.append(static_cast<std::size_t>(-exponent - 1), '0');
        out += digits;
    } else {
        const auto intLen = static_cast<std::size_t>(exponent) + 1;
        if (digits.size() <= intLen) {
            out += digits;
            out.append(intLen - digits.size(), '0');
        } else {
            out.append(digits, 0, intLen);
            out += '.';
            out.append(digits, intLen);
        }
    }
    return out;
}

std::string IntToText(long long value)
{
    char buf[24];
    const auto res = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, res.ptr);
}

} // namespace trassel

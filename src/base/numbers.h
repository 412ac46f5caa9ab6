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

#include "table/packed_texts.h"

#include <charconv>

namespace trassel {
namespace {

// Numbers of more digits than this are kept as texts: sums of them stay far from overflowing.
constexpr std::int64_t kLargest = 100'000'000'000'000'000LL; // 10^17

struct Parsed {
    bool number = false;
    std::int64_t value = 0;
    int decimals = 0;
};

// Only the texts a number is written back as, one text for each value and count of decimals:
// "5", "-12.50", "0.3"; not "", "+5", "05", "5.", ".5", "-0", "1e5".
Parsed parse(std::string_view text)
{
    Parsed out;
    std::size_t i = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (negative)
        ++i;
    const std::size_t digitsAt = i;
    std::int64_t value = 0;
    int decimals = -1;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '.' && decimals < 0 && i > digitsAt) {
            decimals = 0;
            continue;
        }
        if (c < '0' || c > '9' || value >= kLargest)
            return out;
        value = value * 10 + (c - '0');
        if (decimals >= 0)
            ++decimals;
    }
    const std::size_t digits = text.size() - digitsAt;
    if (digits == 0 || decimals == 0 || (text[digitsAt] == '0' && digits > 1 && text[digitsAt + 1] != '.') ||
        (negative && value == 0))
        return out;
    out.number = true;
    out.value = negative ? -value : value;
    out.decimals = decimals < 0 ? 0 : decimals;
    return out;
}

// The one text parse() reads as `value` with `decimals` decimals.
void format(std::int64_t value, int decimals, std::string& out)
{
    char digits[24];
    const std::int64_t magnitude = value < 0 ? -value : value;
    const auto res = std::to_chars(digits, digits + sizeof digits, magnitude);
    const std::string_view text(digits, static_cast<std::size_t>(res.ptr - digits));
    out.clear();
    if (value < 0)
        out += '-';
    const auto places = static_cast<std::size_t>(decimals);
    if (places == 0) {
        out.append(text);
        return;
    }
    if (text.size() <= places) {
        out += "0.";
        out.append(places - text.size(), '0');
        out.append(text);
        return;
    }
    out.append(text.substr(0, text.size() - places));
    out += '.';
    out.append(text.substr(text.size() - places));
}

} // namespace

void PackedTexts::takeLiteral(State& state, std::string_view text)
{
    const Parsed p = parse(text);
    state.stepped = state.number && p.number && state.decimals == p.decimals;
    state.step = state.stepped ? p.value - state.value : 0;
    state.number = p.number;
    state.value = p.value;
    state.decimals = p.decimals;
    state.last.assign(text);
}

void PackedTexts::append(std::string_view text)
{
    Code code = kLiteral;
    if (count_ > 0 && text == tail_.last) {
        code = kSame;
        if (tail_.number) {
            tail_.stepped = true;
            tail_.step = 0;
        }
    } else {
        const Parsed p = parse(text);
        if (p.number && tail_.number && tail_.stepped && p.decimals == tail_.decimals &&
            p.value == tail_.value + tail_.step) {
            code = kStep;
            tail_.value = p.value;
            tail_.last.assign(text);
        } else {
            takeLiteral(tail_, text);
        }
    }
    if (count_ % 4 == 0)
        codes_.push_back(0);
    codes_.back() |= static_cast<std::uint8_t>(code << (2 * (count_ % 4)));
    if (code == kLiteral) {
        std::size_t n = text.size();
        while (n >= 0x80) {
            literals_.push_back(static_cast<char>((n & 0x7F) | 0x80));
            n >>= 7;
        }
        literals_.push_back(static_cast<char>(n));
        literals_.append(text);
    }
    ++count_;
}

std::string_view PackedTexts::Reader::next()
{
    if (index_ >= texts_->count_)
        return {};
    const auto code = static_cast<Code>((texts_->codes_[index_ / 4] >> (2 * (index_ % 4))) & 3);
    ++index_;
    State& state = state_;
    if (code == kSame) {
        if (state.number) {
            state.stepped = true;
            state.step = 0;
        }
    } else if (code == kStep) {
        state.value += state.step;
        format(state.value, state.decimals, state.last);
    } else {
        const std::string& literals = texts_->literals_;
        std::size_t n = 0;
        int shift = 0;
        for (;;) {
            const auto byte = static_cast<unsigned char>(literals[literalAt_++]);
            n |= static_cast<std::size_t>(byte & 0x7F) << shift;
            if ((byte & 0x80) == 0)
                break;
            shift += 7;
        }
        takeLiteral(state, std::string_view(literals).substr(literalAt_, n));
        literalAt_ += n;
    }
    return state.last;
}

} // namespace trassel

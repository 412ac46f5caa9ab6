#pragma once
// A column of cell texts kept aside in little room, read back byte for byte in the same order.
//
// Survey columns are predictable: a kilometre repeats for hundreds of rows, metres count up by
// the spacing. A text equal to the one before it, or one that continues the step between the
// two numbers before it (written with as many decimals as the one before), costs two bits; any
// other text ("12,5", " 7", "abc", a number off the step) is kept as it is.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace trassel {

class PackedTexts {
    // What the texts so far predict of the next one; the writer and a reader keep it alike.
    struct State {
        std::string last;
        bool number = false;    // `last` is a plain decimal: [-]digits[.digits], no leading zero
        std::int64_t value = 0; // its digits as one integer
        int decimals = 0;
        bool stepped = false; // the step from the number before it is known
        std::int64_t step = 0;
    };

public:
    void append(std::string_view text);
    std::size_t size() const { return count_; }
    // Gives back the room kept for more texts, once the last one is in.
    void shrinkToFit()
    {
        codes_.shrink_to_fit();
        literals_.shrink_to_fit();
    }
    // Bytes held, for the history's memory bound.
    std::size_t bytes() const { return codes_.capacity() + literals_.capacity() + sizeof(*this); }

    // Reads the texts back from the first; each view stays valid until the next call.
    class Reader {
    public:
        explicit Reader(const PackedTexts& texts) : texts_(&texts) { }
        // The next text; past the last one, an empty text.
        std::string_view next();

    private:
        const PackedTexts* texts_;
        std::size_t index_ = 0;
        std::size_t literalAt_ = 0;
        State state_;
    };

private:
    enum Code : std::uint8_t { kSame = 0, kStep = 1, kLiteral = 2 };
    // Moves `state` past a text kept as it is.
    static void takeLiteral(State& state, std::string_view text);

    std::vector<std::uint8_t> codes_; // four codes a byte
    std::string literals_;            // each literal: its length as a base-128 varint, then its bytes
    std::size_t count_ = 0;
    State tail_;
};

} // namespace trassel

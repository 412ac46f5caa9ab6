// The workspace reader decodes long strings itself: whatever it accepts, refuses or reports must
// be what the JSON library would say of the same text.
#include "document/workspace_json.h"

#include "support/error_text.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace trassel::workspace {
namespace {

const std::string kHead = R"({"format": "trassel-workspace", "version": 1, )";

// The value the library reads from `text`, or its refusal as the reader words it.
std::string LibraryReading(const std::string& text)
{
    try {
        return nlohmann::json::parse(text).dump();
    } catch (const nlohmann::json::parse_error& e) {
        return e.byte >= text.size()
                   ? "Файл проекта «p» повреждён: файл обрывается."
                   : "Файл проекта «p» повреждён: ошибка в записи около байта " + std::to_string(e.byte) + ".";
    }
}

std::string ReaderReading(const std::string& text)
{
    std::string out;
    const std::string error = errorText([&] {
        const Reader in("p", Progress{});
        out = ParseJson(text, in).root.dump();
    });
    return error == "(no error)" ? out : error;
}

TEST(WorkspaceJson, LongStringsReadAsTheLibraryReadsThem)
{
    const std::string pad(5000, 'a'); // long enough for the reader's own decoding
    const std::vector<std::string> bodies = {
        pad,
        pad + R"(\"\\\/\b\f\n\r\t)",
        pad + R"(\u0000\u001f\u0041\u00e9\u20ac)",
        pad + R"(\ud83d\ude00)",     // a surrogate pair: one character
        pad + "Жэ€\xf0\x9f\x98\x80", // UTF-8 of two, three and four bytes
        R"(\\)" + pad + R"(\\)",     // escaped backslashes just before the quote
        pad + R"(\ud83d)",           // a high surrogate alone
        pad + R"(\ud83dx)",
        pad + R"(\ude00)",       // a low surrogate alone
        pad + R"(\ud83d\u0041)", // a high surrogate with no low one
        pad + R"(\u12)",         // a cut escape
        pad + R"(\u12g4)",
        pad + R"(\x41)",          // an escape JSON has not
        pad + "\x01",             // a control character not escaped
        pad + "\x7f",             // DEL is allowed as it is
        pad + "\xc0\x80",         // an overlong form
        pad + "\xed\xa0\x80",     // a surrogate in UTF-8
        pad + "\xf4\x90\x80\x80", // beyond U+10FFFF
        pad + "\xe2\x82",         // a sequence cut by the quote
        pad + "\xff",
    };
    for (const std::string& body : bodies) {
        SCOPED_TRACE(body.substr(pad.size() > body.size() ? 0 : body.size() - 16));
        for (const std::string& text : {kHead + R"("x": ")" + body + "\"}",
                                        // among short strings and other long ones, in arrays and after names
                                        kHead + R"("a": [")" + body + R"(", "b", ")" + pad + R"("], "c": "d"})",
                                        // a long member name stays a name
                                        kHead + "\"" + pad + R"(": ")" + body + R"(", "z": 1})"}) {
            EXPECT_EQ(ReaderReading(text), LibraryReading(text));
        }
    }
}

TEST(WorkspaceJson, ALongStringStandsForNoOtherText)
{
    // Short strings that look like anything a reader might put in a long one's place stay themselves.
    const std::string pad(5000, 'b');
    const std::string text = kHead + R"("s": ["", "\u0001\u0002long:0", ")" + pad + R"(", "", ")" + pad +
                             R"(c"], "t": {"": ")" + pad + R"(d"}})";
    EXPECT_EQ(ReaderReading(text), nlohmann::json::parse(text).dump());
    // A string cut by the end of the file, and a file cut inside a long string.
    EXPECT_EQ(ReaderReading(kHead + R"("s": ")" + pad), "Файл проекта «p» повреждён: файл обрывается.");
    EXPECT_EQ(ReaderReading(kHead + R"("s": ")" + pad + R"(", "t": )"), "Файл проекта «p» повреждён: файл обрывается.");
}

} // namespace
} // namespace trassel::workspace

// Reading a workspace's JSON: parsing, and the members' typed access with their messages.
#include "document/workspace_json.h"

#include "base/error.h"
#include "base/utf8.h"
#include "document/workspace_text.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <limits>
#include <system_error>

namespace trassel::workspace {

std::string Reader::notProject() const
{
    return "Файл «" + file_ + "» не является проектом Trassel.";
}

void Reader::damaged(const std::string& why) const
{
    throw Error("Файл проекта «" + file_ + "» повреждён: " + why + ".");
}

const Json& Reader::member(const Json& object, const char* key, const std::string& at) const
{
    const std::string where = at.empty() ? std::string(key) : at + "." + key;
    if (!object.is_object())
        damaged("«" + (at.empty() ? std::string("(корень)") : at) + "» должно быть объектом");
    const auto it = object.find(key);
    if (it == object.end())
        damaged("нет поля «" + where + "»");
    return *it;
}

const Json& Reader::object(const Json& o, const char* key, const std::string& at) const
{
    const Json& v = member(o, key, at);
    if (!v.is_object())
        damaged("поле «" + join(at, key) + "» должно быть объектом");
    return v;
}

const Json& Reader::array(const Json& o, const char* key, const std::string& at) const
{
    const Json& v = member(o, key, at);
    if (!v.is_array())
        damaged("поле «" + join(at, key) + "» должно быть массивом");
    return v;
}

long long Reader::integer(const Json& v, const std::string& where, long long lo, long long hi) const
{
    if (!v.is_number_integer())
        damaged("поле «" + where + "» должно быть целым числом");
    long long n = 0;
    if (v.is_number_unsigned()) {
        const auto u = v.get<std::uint64_t>();
        if (u > static_cast<std::uint64_t>(std::numeric_limits<long long>::max()))
            outOfRange(where, lo, hi);
        n = static_cast<long long>(u);
    } else {
        n = v.get<std::int64_t>();
    }
    if (n < lo || n > hi)
        outOfRange(where, lo, hi);
    return n;
}

int Reader::integer(const Json& o, const char* key, const std::string& at, long long lo, long long hi) const
{
    return static_cast<int>(integer(member(o, key, at), join(at, key), lo, hi));
}

std::uint32_t Reader::color(const Json& o, const char* key, const std::string& at) const
{
    return static_cast<std::uint32_t>(integer(member(o, key, at), join(at, key), 0, 0xFFFFFFFFLL));
}

bool Reader::boolean(const Json& o, const char* key, const std::string& at) const
{
    const Json& v = member(o, key, at);
    if (!v.is_boolean())
        damaged("поле «" + join(at, key) + "» должно быть логическим значением");
    return v.get<bool>();
}

double Reader::number(const Json& o, const char* key, const std::string& at) const
{
    const Json& v = member(o, key, at);
    if (v.is_number())
        return v.get<double>();
    if (v.is_string()) {
        const auto& s = v.get_ref<const std::string&>();
        if (s == "inf")
            return std::numeric_limits<double>::infinity();
        if (s == "-inf")
            return -std::numeric_limits<double>::infinity();
        if (s == "nan")
            return std::numeric_limits<double>::quiet_NaN();
    }
    damaged("поле «" + join(at, key) + "» должно быть числом");
}

// A string this long is one the parser handed over as a mark (see ParseJson).
constexpr std::string_view kLongMark = "\x01\x02long:";

const std::string& Reader::string(const Json& o, const char* key, const std::string& at) const
{
    const Json& v = member(o, key, at);
    if (!v.is_string())
        damaged("поле «" + join(at, key) + "» должно быть строкой");
    const auto& text = v.get_ref<const std::string&>();
    if (text.size() > kLongMark.size() && text.compare(0, kLongMark.size(), kLongMark) == 0) {
        std::size_t index = 0;
        const auto res = std::from_chars(text.data() + kLongMark.size(), text.data() + text.size(), index);
        if (res.ec == std::errc() && res.ptr == text.data() + text.size() && index < longStrings.size())
            return longStrings[index];
    }
    return text;
}

std::string Reader::text(const Json& v, const std::string& where) const
{
    if (v.is_string())
        return v.get<std::string>();
    if (v.is_object() && v.size() == 1 && v.contains("bytes") && v["bytes"].is_string()) {
        std::string out;
        if (!BytesFromHex(v["bytes"].get_ref<const std::string&>(), out))
            damaged("поле «" + where + "» содержит неверную запись байтов");
        return out;
    }
    damaged("поле «" + where + "» должно быть строкой");
}

std::string Reader::text(const Json& o, const char* key, const std::string& at) const
{
    return text(member(o, key, at), join(at, key));
}

void Reader::outOfRange(const std::string& where, long long lo, long long hi) const
{
    damaged("значение поля «" + where + "» вне допустимых пределов (" + std::to_string(lo) + "…" + std::to_string(hi) + ")");
}

namespace {

// A string of the file this long (a table's text) is decoded here rather than by the JSON
// parser, which would take it byte by byte through two growing buffers and then copy it: that
// is most of the time of opening a large table. In the text handed to the parser it stands as
// a short mark that no string of ours begins with.
constexpr std::size_t kLongString = std::size_t{1} << 16;

bool ReadHex4(std::string_view s, std::size_t at, std::uint32_t& value)
{
    if (at + 4 > s.size())
        return false;
    value = 0;
    for (std::size_t k = 0; k < 4; ++k) {
        const int h = HexValue(s[at + k]);
        if (h < 0)
            return false;
        value = value * 16 + static_cast<std::uint32_t>(h);
    }
    return true;
}

// The body of a JSON string (between its quotes) decoded by the rules of RFC 8259, with its
// bytes checked to be UTF-8; false where a JSON parser would refuse it.
bool DecodeJsonString(std::string_view body, std::string& out)
{
    out.clear();
    out.reserve(body.size());
    const auto* u = reinterpret_cast<const unsigned char*>(body.data());
    std::size_t i = 0;
    while (i < body.size()) {
        // Runs of plain ASCII are copied at once.
        std::size_t j = i;
        while (j < body.size() && u[j] >= 0x20 && u[j] < 0x80 && u[j] != '\\')
            ++j;
        out.append(body.data() + i, j - i);
        i = j;
        if (i >= body.size())
            break;
        const unsigned char c = u[i];
        if (c < 0x20)
            return false;
        if (c >= 0x80) {
            const std::size_t n = Utf8SequenceAt(u + i, body.size() - i);
            if (n == 0)
                return false;
            out.append(body.data() + i, n);
            i += n;
            continue;
        }
        if (i + 1 >= body.size())
            return false;
        const char e = body[i + 1];
        i += 2;
        switch (e) {
        case '"': out += '"'; break;
        case '\\': out += '\\'; break;
        case '/': out += '/'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'u': {
            std::uint32_t cp = 0;
            if (!ReadHex4(body, i, cp))
                return false;
            i += 4;
            if (cp >= 0xDC00 && cp <= 0xDFFF)
                return false;
            if (cp >= 0xD800 && cp <= 0xDBFF) {
                std::uint32_t low = 0;
                if (i + 1 >= body.size() || body[i] != '\\' || body[i + 1] != 'u' || !ReadHex4(body, i + 2, low) ||
                    low < 0xDC00 || low > 0xDFFF)
                    return false;
                i += 6;
                cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
            }
            AppendUtf8(out, static_cast<char32_t>(cp));
            break;
        }
        default:
            return false;
        }
    }
    return true;
}

// The text with every long string replaced by its mark, the strings decoded into
// `longStrings`; false (the text is parsed as it is) when there is none or one is not valid
// JSON, so that the parser reports the fault where it is.
bool TakeLongStrings(std::string_view bytes, std::string& rest, std::vector<std::string>& longStrings)
{
    std::size_t copied = 0;
    std::size_t i = 0;
    bool any = false;
    while (i < bytes.size()) {
        const auto* quote = static_cast<const char*>(std::memchr(bytes.data() + i, '"', bytes.size() - i));
        if (quote == nullptr)
            break;
        // Outside a string of valid JSON a quote opens one; its closing quote is the first not escaped.
        const std::size_t open = static_cast<std::size_t>(quote - bytes.data());
        std::size_t close = open + 1;
        for (;;) {
            const auto* q = static_cast<const char*>(std::memchr(bytes.data() + close, '"', bytes.size() - close));
            if (q == nullptr)
                return false;
            close = static_cast<std::size_t>(q - bytes.data());
            std::size_t backslashes = 0;
            while (close - backslashes > open + 1 && bytes[close - backslashes - 1] == '\\')
                ++backslashes;
            if (backslashes % 2 == 0)
                break;
            ++close;
        }
        if (close - open - 1 >= kLongString) {
            longStrings.emplace_back();
            if (!DecodeJsonString(bytes.substr(open + 1, close - open - 1), longStrings.back()))
                return false;
            rest.append(bytes.data() + copied, open - copied);
            rest += "\"\\u0001\\u0002long:";
            rest += std::to_string(longStrings.size() - 1);
            rest += '"';
            copied = close + 1;
            any = true;
        }
        i = close + 1;
    }
    if (any)
        rest.append(bytes.data() + copied, bytes.size() - copied);
    return any;
}

// Whether bytes that failed to parse still start like a workspace: then the file is a damaged
// or cut project, not some other file.
bool LooksLikeWorkspace(const char* data, std::size_t size)
{
    std::size_t i = 0;
    while (i < size && (data[i] == ' ' || data[i] == '\t' || data[i] == '\r' || data[i] == '\n'))
        ++i;
    if (i >= size || data[i] != '{')
        return false;
    const std::string_view head(data + i, std::min<std::size_t>(size - i, 4096));
    return head.find(std::string("\"") + kFormat + "\"") != std::string_view::npos;
}

} // namespace

Json ParseJson(std::string_view bytes, Reader& in)
{
    try {
        std::string rest;
        if (TakeLongStrings(bytes, rest, in.longStrings)) {
            try {
                return Json::parse(rest);
            } catch (const Json::exception&) {
                // Told again from the whole text, so that the fault's place is the file's.
            }
        }
        in.longStrings.clear();
        return Json::parse(bytes.begin(), bytes.end());
    } catch (const Json::parse_error& e) {
        if (!LooksLikeWorkspace(bytes.data(), bytes.size()))
            throw Error(in.notProject());
        if (e.byte >= bytes.size())
            in.damaged("файл обрывается");
        in.damaged("ошибка в записи около байта " + std::to_string(e.byte));
    } catch (const Json::exception&) {
        // A number too large for any field, and the like: the text is JSON, its content is not.
        if (!LooksLikeWorkspace(bytes.data(), bytes.size()))
            throw Error(in.notProject());
        in.damaged("число вне допустимых пределов");
    }
}

} // namespace trassel::workspace

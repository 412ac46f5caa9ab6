// Reading a workspace's JSON: parsing, and the members' typed access with their messages.
#include "document/workspace_json.h"

#include "base/error.h"
#include "base/utf8.h"
#include "document/workspace_text.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <utility>
#include <vector>

namespace trassel::workspace {

std::string Reader::notProject() const { return "Файл «" + file_ + "» не является проектом Trassel."; }

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

double Reader::number(const Json& o, const char* key, const std::string& at, long long lo, long long hi) const
{
    const double v = number(o, key, at);
    // Compared as written, so that NaN and the infinities fall outside.
    if (!(v >= static_cast<double>(lo) && v <= static_cast<double>(hi)))
        outOfRange(join(at, key), lo, hi);
    return v;
}

const std::string& Reader::string(const Json& o, const char* key, const std::string& at) const
{
    const Json& v = member(o, key, at);
    if (!v.is_string())
        damaged("поле «" + join(at, key) + "» должно быть строкой");
    return v.get_ref<const std::string&>();
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
    damaged("значение поля «" + where + "» вне допустимых пределов (" + std::to_string(lo) + "…" + std::to_string(hi) +
            ")");
}

namespace {

// A string value of the file this long (a table's text, in practice) is decoded here before
// the parser sees the file. The library's lexer takes a string byte by byte through two
// growing buffers (the value and the text of the token, kept for its messages): on a
// million-row table that more than doubled the time and added a third of the memory of
// opening a project (bench_workspace, Open). Decoded here, the string is left out of the
// text the parser reads ("" stands in its place) and put back by its place in the order of
// the file's strings, so that no text of the file can stand for another.
constexpr std::size_t kLongString = 4096;

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
// bytes checked to be UTF-8; false wherever the library's parser would refuse it, which then
// says where.
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
        default: return false;
        }
    }
    return true;
}

// The long string values taken out of a text, each with its place among the file's strings
// (member names and values alike, counted from 0 in the order they stand).
struct LongStrings {
    std::string rest;                                         // the text with "" in their places
    std::vector<std::pair<std::size_t, std::string>> strings; // in the order of the file
};

// False when the text has no long string value or holds something that is not valid JSON
// where a string is looked for; the text is then parsed as it is, and the parser tells the
// fault where it is in the file.
bool TakeLongStrings(std::string_view bytes, LongStrings& out)
{
    std::size_t copied = 0;
    std::size_t i = 0;
    std::size_t ordinal = 0;
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
        std::size_t after = close + 1;
        while (after < bytes.size() &&
               (bytes[after] == ' ' || bytes[after] == '\t' || bytes[after] == '\r' || bytes[after] == '\n'))
            ++after;
        const bool isName = after < bytes.size() && bytes[after] == ':';
        if (!isName && close - open - 1 >= kLongString) {
            std::string decoded;
            if (!DecodeJsonString(bytes.substr(open + 1, close - open - 1), decoded))
                return false;
            out.strings.emplace_back(ordinal, std::move(decoded));
            out.rest.append(bytes.data() + copied, open - copied);
            out.rest += "\"\"";
            copied = close + 1;
        }
        ++ordinal;
        i = close + 1;
    }
    if (out.strings.empty())
        return false;
    out.rest.append(bytes.data() + copied, bytes.size() - copied);
    return true;
}

// The memory a value takes once built, as the library lays it out and the system's allocator
// hands out blocks (16 bytes of its own on each, sizes rounded up to 16): counted before the
// value is made, so that a file whose values would pass the limit is refused on the way, not
// after its memory was taken. An element of an array is counted with its share of the array's
// spare room; a member of an object is one tree node holding the name and the value.
constexpr std::size_t kElementBytes = 32;
constexpr std::size_t kMemberBytes = 96;
constexpr std::size_t kArrayBytes = 32;
constexpr std::size_t kObjectBytes = 64;
constexpr std::size_t kStringBytes = 48;

// The heap block of a string's characters; short ones live inside the string.
std::size_t CharacterBytes(std::size_t length) { return length < 16 ? 0 : (length + 1 + 8 + 15) / 16 * 16; }

// Builds the value of a file as the library's own parser would, with these differences: the
// first member that an object holds twice is noted (the library keeps the last one silently,
// so a file could open as something its writer never meant); strings are moved into place
// rather than copied, which matters for the table texts; and values nested deeper than the
// reader's limit, or that would take more memory than it allows, stop the parse.
class ValueBuilder final : public nlohmann::json_sax<Json> {
public:
    enum class Passed { None, Depth, Memory };

    ValueBuilder(std::size_t depth, std::size_t budget, ObjectTaker* taker)
        : depth_(depth), budget_(budget), taker_(taker)
    {
    }

    Json root;
    std::string repeated;     // the place of the first member given twice
    std::size_t failedAt = 0; // where the text stopped being JSON
    bool failed = false;
    bool numberOverflow = false;  // a number too large for any field, though the text is JSON
    Passed passed = Passed::None; // the limit that stopped the parse

    bool null() override { return charge(slot()) && value(Json(nullptr)); }
    bool boolean(bool v) override { return charge(slot()) && value(Json(v)); }
    bool number_integer(number_integer_t v) override { return charge(slot()) && value(Json(v)); }
    bool number_unsigned(number_unsigned_t v) override { return charge(slot()) && value(Json(v)); }
    bool number_float(number_float_t v, const string_t&) override { return charge(slot()) && value(Json(v)); }
    bool string(string_t& v) override
    {
        const std::size_t ordinal = strings_++;
        const bool taken = long_ != nullptr && next_ < long_->size() && (*long_)[next_].first == ordinal;
        string_t& s = taken ? (*long_)[next_++].second : v;
        return charge(slot() + kStringBytes + CharacterBytes(s.size())) && value(Json(std::move(s)));
    }
    bool binary(binary_t& v) override { return charge(slot() + kArrayBytes + v.size()) && value(Json(std::move(v))); }

    bool start_object(std::size_t) override
    {
        const std::size_t before = spent_;
        return deeper() && charge(slot() + kObjectBytes) && open(Json::object(), before);
    }
    bool end_object() override
    {
        if (taker_ != nullptr && frames_.size() == taker_->place().size() + 1 && atTakersPlace())
            return offer();
        return close();
    }
    bool start_array(std::size_t) override
    {
        const std::size_t before = spent_;
        return deeper() && charge(slot() + kArrayBytes) && open(Json::array(), before);
    }
    bool end_array() override { return close(); }

    // The strings taken out of the text parsed, to be put back in their places.
    void takeBack(std::vector<std::pair<std::size_t, std::string>>& strings) { long_ = &strings; }

    bool key(string_t& name) override
    {
        ++strings_;
        if (!charge(kMemberBytes + CharacterBytes(name.size())))
            return false;
        Frame& f = frames_.back();
        auto& members = f.value->get_ref<Json::object_t&>();
        const auto [it, added] = members.try_emplace(std::move(name));
        f.key = &it->first;
        f.member = &it->second;
        if (!added && repeated.empty())
            repeated = placeOf(frames_.size());
        return true;
    }

    bool parse_error(std::size_t position, const std::string&, const Json::exception& e) override
    {
        failed = true;
        failedAt = position;
        numberOverflow = dynamic_cast<const Json::parse_error*>(&e) == nullptr;
        return false;
    }

private:
    struct Frame {
        Json* value;                      // the object or array being filled
        std::size_t spentBefore = 0;      // the memory counted before it was begun
        const std::string* key = nullptr; // its member being read, for an object
        Json* member = nullptr;
    };

    // Whether the object being closed lies where the taker looks.
    bool atTakersPlace() const
    {
        const std::vector<std::string>& place = taker_->place();
        for (std::size_t i = 0; i < place.size(); ++i) {
            const Frame& f = frames_[i];
            if (place[i] == "[]" ? !f.value->is_array() : f.value->is_array() || *f.key != place[i])
                return false;
        }
        return true;
    }
    // Offers the object being closed to the taker; one taken is left as null, and what it
    // kept is counted in place of what the object took.
    bool offer()
    {
        std::vector<const Json*> containers;
        std::vector<std::size_t> elements;
        for (std::size_t i = 0; i + 1 < frames_.size(); ++i) {
            containers.push_back(frames_[i].value);
            if (frames_[i].value->is_array())
                elements.push_back(frames_[i].value->size() - 1);
        }
        const Frame f = frames_.back();
        frames_.pop_back();
        const std::optional<std::size_t> kept = taker_->take(*f.value, containers, elements);
        if (!kept)
            return true;
        *f.value = nullptr;
        spent_ = f.spentBefore;
        return charge(slot() + *kept);
    }

    // The slot the next value takes: an element of the open array (a member was counted with
    // its name).
    std::size_t slot() const { return !frames_.empty() && frames_.back().value->is_array() ? kElementBytes : 0; }
    bool charge(std::size_t bytes)
    {
        spent_ += bytes;
        if (spent_ <= budget_)
            return true;
        passed = Passed::Memory;
        return false;
    }
    bool deeper()
    {
        if (frames_.size() < depth_)
            return true;
        passed = Passed::Depth;
        return false;
    }

    bool value(Json&& v)
    {
        put(std::move(v));
        return true;
    }
    // Puts a value in its slot (the root, the array's next element or the member just named)
    // and gives the slot.
    Json* put(Json&& v)
    {
        if (frames_.empty()) {
            root = std::move(v);
            return &root;
        }
        Frame& f = frames_.back();
        if (f.value->is_array()) {
            auto& elements = f.value->get_ref<Json::array_t&>();
            elements.push_back(std::move(v));
            return &elements.back();
        }
        *f.member = std::move(v);
        return f.member;
    }
    bool open(Json&& container, std::size_t spentBefore)
    {
        frames_.push_back(Frame{put(std::move(container)), spentBefore});
        return true;
    }
    bool close()
    {
        frames_.pop_back();
        return true;
    }

    // The place of the current member of the first `depth` open containers, written as the
    // reader's messages name fields.
    std::string placeOf(std::size_t depth) const
    {
        std::string at;
        for (std::size_t i = 0; i < depth; ++i) {
            const Frame& f = frames_[i];
            if (f.value->is_array())
                at = Reader::index(at, f.value->size() - 1);
            else
                at = Reader::join(at, f.key->c_str()); // a name with a NUL byte is shown up to it
        }
        return at;
    }

    std::vector<Frame> frames_;
    std::vector<std::pair<std::size_t, std::string>>* long_ = nullptr;
    std::size_t next_ = 0;    // the next of them to put back
    std::size_t strings_ = 0; // names and string values met so far
    std::size_t depth_;
    std::size_t budget_;
    std::size_t spent_ = 0;
    ObjectTaker* taker_;
};

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

ParsedJson ParseJson(std::string_view bytes, const Reader& in, ObjectTaker* taker)
{
    const std::size_t budget = bytes.size() + std::min(in.limits.slack, SIZE_MAX - bytes.size());
    // A limit passed is told without a second parse: the whole text would pass it too.
    const auto refuse = [&](const ValueBuilder& builder) {
        if (!LooksLikeWorkspace(bytes.data(), bytes.size()))
            throw Error(in.notProject());
        if (builder.passed == ValueBuilder::Passed::Depth)
            in.damaged("значения вложены глубже " + std::to_string(in.limits.depth) + " уровней");
        constexpr std::size_t kMB = std::size_t{1} << 20;
        in.damaged("его значения заняли бы в памяти больше " + std::to_string((budget + kMB - 1) / kMB) +
                   " МБ (размер файла и ещё " + std::to_string((in.limits.slack + kMB - 1) / kMB) + " МБ)");
    };
    {
        LongStrings taken;
        if (TakeLongStrings(bytes, taken)) {
            ValueBuilder builder(in.limits.depth, budget, taker);
            if (taker != nullptr)
                taker->forget();
            builder.takeBack(taken.strings);
            Json::sax_parse(taken.rest.begin(), taken.rest.end(), &builder);
            if (builder.passed != ValueBuilder::Passed::None)
                refuse(builder);
            if (!builder.failed)
                return {std::move(builder.root), std::move(builder.repeated)};
            // Told again from the whole text below, so that the fault's place is the file's.
        }
    }
    ValueBuilder builder(in.limits.depth, budget, taker);
    if (taker != nullptr)
        taker->forget();
    Json::sax_parse(bytes.begin(), bytes.end(), &builder);
    if (builder.passed != ValueBuilder::Passed::None)
        refuse(builder);
    if (builder.failed) {
        if (!LooksLikeWorkspace(bytes.data(), bytes.size()))
            throw Error(in.notProject());
        // A number too large for any field: the text is JSON, its content is not.
        if (builder.numberOverflow)
            in.damaged("число вне допустимых пределов");
        if (builder.failedAt >= bytes.size())
            in.damaged("файл обрывается");
        in.damaged("ошибка в записи около байта " + std::to_string(builder.failedAt));
    }
    return {std::move(builder.root), std::move(builder.repeated)};
}

} // namespace trassel::workspace

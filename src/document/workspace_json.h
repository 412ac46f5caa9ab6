#pragma once
// Reading a workspace's JSON: the parse with every refusal told in the user's words, and typed
// access to the members with the messages of a damaged file. Knows nothing of what the members
// mean (that is workspace_schema).
#include "base/progress.h"

#include <nlohmann/json.hpp>

#include <climits>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace trassel::workspace {

using Json = nlohmann::json;
// Written in the order given, so that the file opens with what it is and its small parts.
using OutJson = nlohmann::ordered_json;

// What every workspace file calls itself in its "format" member.
inline constexpr const char* kFormat = "trassel-workspace";

// How far a file may make its reading go. A reading holds at most about twice the file and
// `slack` more, as the delimited table reader does: what the parse builds, and then the rows of
// each table, may cost their text's size and `slack`; a file that would need more is refused
// before that memory is taken. Nothing this program writes nests deeper than a few levels.
struct ReadLimits {
    std::size_t depth = 64;                     // arrays and objects inside one another
    std::size_t slack = std::size_t{100} << 20; // bytes beyond the text's own size
};

// Reads the parsed file; every fault is an Error naming the file and what is wrong where.
class Reader {
public:
    Reader(std::string file, const Progress& report, ReadLimits bounds = {})
        : progress(report), limits(bounds), file_(std::move(file))
    {
    }

    const Progress& progress;
    const ReadLimits limits;

    const std::string& file() const { return file_; }
    // "Файл «…» не является проектом Trassel."
    std::string notProject() const;

    [[noreturn]] void damaged(const std::string& why) const;

    const Json& member(const Json& object, const char* key, const std::string& at) const;
    const Json& object(const Json& o, const char* key, const std::string& at) const;
    const Json& array(const Json& o, const char* key, const std::string& at) const;
    long long integer(const Json& v, const std::string& where, long long lo, long long hi) const;
    int integer(const Json& o, const char* key, const std::string& at, long long lo = INT_MIN,
                long long hi = INT_MAX) const;
    std::uint32_t color(const Json& o, const char* key, const std::string& at) const;
    bool boolean(const Json& o, const char* key, const std::string& at) const;
    // A finite number, or the words "inf", "-inf" and "nan" a writer puts for the others.
    double number(const Json& o, const char* key, const std::string& at) const;
    // A finite number within lo..hi, for a value a control holds as an integer.
    double number(const Json& o, const char* key, const std::string& at, long long lo, long long hi) const;
    // A JSON string as it is (the table texts).
    const std::string& string(const Json& o, const char* key, const std::string& at) const;
    // A text of any bytes, as workspace_text stores it.
    std::string text(const Json& v, const std::string& where) const;
    std::string text(const Json& o, const char* key, const std::string& at) const;

    static std::string join(const std::string& at, const char* key)
    {
        return at.empty() ? std::string(key) : at + "." + key;
    }
    static std::string index(const std::string& at, std::size_t i) { return at + "[" + std::to_string(i) + "]"; }

private:
    [[noreturn]] void outOfRange(const std::string& where, long long lo, long long hi) const;

    std::string file_;
};

// The JSON of a workspace file and, when an object of it holds a member twice, the first such
// member's place ("tables", "layers.items[1].caption"); empty when there is none. Bytes that are
// no JSON are refused as not a project, or as damaged when they start like a workspace, and so
// is JSON nested deeper than the reader's limits or whose values would take more memory than
// they allow. Strings are nlohmann-json's own, whatever their length.
struct ParsedJson {
    Json root;
    std::string repeated;
};

// Takes the objects of one place of a file out of the parse as each is completed, so that a
// file of many small ones (the annotation marks) need not hold them all as JSON at once: what
// the taker keeps of an object is counted against the reader's limit instead of the object,
// which is left in the tree as null.
class ObjectTaker {
public:
    virtual ~ObjectTaker() = default;
    // The members on the way from the root, "[]" standing for any element of an array.
    virtual const std::vector<std::string>& place() const = 0;
    // Given an object completed there, the containers it lies in from the root on and the
    // element numbers of the arrays on the way: the bytes kept of it, or nothing to leave the
    // object in the tree as it is.
    virtual std::optional<std::size_t> take(const Json& object, const std::vector<const Json*>& containers,
                                            const std::vector<std::size_t>& elements) = 0;
    // Drops what it took: a parse begins (again).
    virtual void forget() = 0;
};

ParsedJson ParseJson(std::string_view bytes, const Reader& in, ObjectTaker* taker = nullptr);

} // namespace trassel::workspace

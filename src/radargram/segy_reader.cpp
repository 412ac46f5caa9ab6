#include "radargram/segy_reader.h"

#include "base/cp1251.h"
#include "base/numbers.h"
#include "radargram/radargram_parse.h"

#include <array>
#include <cmath>

namespace trassel {

using namespace radargram;

namespace {

constexpr std::uint64_t kTextBytes = 3200;
constexpr std::uint64_t kHeadersBytes = 3600;
constexpr std::uint64_t kTraceHeaderBytes = 240;
constexpr std::uint32_t kByteOrderMark = 0x01020304;
constexpr std::string_view kEndText = "((SEG: EndText))";

// Binary header fields, as byte offsets in the file.
constexpr std::uint64_t kInterval = 3216;
constexpr std::uint64_t kSamples = 3220;
constexpr std::uint64_t kFormat = 3224;
constexpr std::uint64_t kExtendedSamples = 3268;
constexpr std::uint64_t kExtendedInterval = 3272;
constexpr std::uint64_t kOrderMark = 3296;
constexpr std::uint64_t kRevision = 3500;
constexpr std::uint64_t kExtendedTexts = 3504;

// The sample type of a format code; false for codes not read here.
bool TypeOfFormat(int code, SampleType& type, int& bits)
{
    switch (code) {
    case 1: type = SampleType::IbmF32, bits = 32; return true;
    case 2: type = SampleType::I32, bits = 32; return true;
    case 3: type = SampleType::I16, bits = 16; return true;
    case 5: type = SampleType::F32, bits = 32; return true;
    case 6: type = SampleType::F64, bits = 64; return true;
    case 8: type = SampleType::I8, bits = 8; return true;
    case 10: type = SampleType::U32, bits = 32; return true;
    case 11: type = SampleType::U16, bits = 16; return true;
    case 16: type = SampleType::U8, bits = 8; return true;
    default: return false;
    }
}

constexpr std::array<char, 256> MakeEbcdicTable()
{
    std::array<char, 256> t{};
    for (char& c : t)
        c = ' ';
    const auto run = [&](int from, char first, int count) {
        for (int i = 0; i < count; ++i)
            t[static_cast<std::size_t>(from + i)] = static_cast<char>(first + i);
    };
    run(0x81, 'a', 9);
    run(0x91, 'j', 9);
    run(0xA2, 's', 8);
    run(0xC1, 'A', 9);
    run(0xD1, 'J', 9);
    run(0xE2, 'S', 8);
    run(0xF0, '0', 10);
    const std::pair<int, char> signs[] = {{0x4B, '.'}, {0x4C, '<'},  {0x4D, '('}, {0x4E, '+'}, {0x4F, '|'},
                                          {0x50, '&'}, {0x5A, '!'},  {0x5B, '$'}, {0x5C, '*'}, {0x5D, ')'},
                                          {0x5E, ';'}, {0x60, '-'},  {0x61, '/'}, {0x6B, ','}, {0x6C, '%'},
                                          {0x6D, '_'}, {0x6E, '>'},  {0x6F, '?'}, {0x7A, ':'}, {0x7B, '#'},
                                          {0x7C, '@'}, {0x7D, '\''}, {0x7E, '='}, {0x7F, '"'}, {0x25, '\n'}};
    for (const auto& [code, c] : signs)
        t[static_cast<std::size_t>(code)] = c;
    return t;
}

constexpr std::array<char, 256> kEbcdic = MakeEbcdicTable();

// Whether 3200 bytes are EBCDIC: a card starts with "C" (0xC3 in EBCDIC, 0x43 in ASCII); failing
// that, the code in which more bytes are letters, digits or blanks.
bool LooksEbcdic(std::span<const std::uint8_t> text)
{
    if (text[0] == 0xC3)
        return true;
    if (text[0] == 'C')
        return false;
    int ascii = 0;
    int ebcdic = 0;
    for (const std::uint8_t b : text) {
        ascii += (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') || b == ' ';
        ebcdic += b == 0x40 || (kEbcdic[b] != ' ' && kEbcdic[b] != '\n');
    }
    return ebcdic > ascii;
}

std::string Upper(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return out;
}

// The words of a line: runs of letters and digits (UTF-8 letters kept whole).
std::vector<std::string> Words(std::string_view line)
{
    std::vector<std::string> words;
    std::string word;
    for (const char c : line) {
        const auto b = static_cast<unsigned char>(c);
        if ((b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') || b >= 0x80) {
            word += c;
        } else if (!word.empty()) {
            words.push_back(std::move(word));
            word.clear();
        }
    }
    if (!word.empty())
        words.push_back(std::move(word));
    return words;
}

std::optional<IntervalUnit> UnitNamedIn(std::string_view text)
{
    // 80-column cards, or lines.
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos || end - start > 80)
            end = std::min(text.size(), start + 80);
        const std::string line = Upper(text.substr(start, end - start));
        start = end < text.size() && text[end] == '\n' ? end + 1 : end;
        const std::vector<std::string> words = Words(line);
        bool interval = false;
        for (const std::string& w : words)
            interval = interval || w == "INTERVAL" || w == "SAMPLING" || w == "DT" || w.starts_with("SAMPLERATE") ||
                       w == "RATE" || w == "ДИСКРЕТИЗАЦИИ" || w == "дискретизации" || w == "ШАГ" || w == "шаг" ||
                       w == "Шаг";
        if (!interval)
            continue;
        for (const std::string& w : words) {
            if (w == "PS" || w.starts_with("PICOSEC") || w == "пс" || w == "ПС")
                return IntervalUnit::Picoseconds;
            if (w == "NS" || w.starts_with("NANOSEC") || w == "нс" || w == "НС")
                return IntervalUnit::Nanoseconds;
            if (w == "US" || w == "USEC" || w.starts_with("MICROSEC") || w == "мкс" || w == "МКС")
                return IntervalUnit::Microseconds;
        }
    }
    return std::nullopt;
}

double NanosecondsPer(IntervalUnit unit)
{
    switch (unit) {
    case IntervalUnit::Microseconds: return 1000.0;
    case IntervalUnit::Nanoseconds: return 1.0;
    case IntervalUnit::Picoseconds: return 0.001;
    }
    return 1000.0;
}

} // namespace

std::string EbcdicToAscii(std::string_view bytes)
{
    std::string out(bytes.size(), ' ');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        out[i] = kEbcdic[static_cast<unsigned char>(bytes[i])];
    return out;
}

IntervalUnit SegyIntervalUnit(double interval, int samples, std::string_view textHeader)
{
    if (const auto named = UnitNamedIn(textHeader))
        return *named;
    const double raw = interval * samples; // the window in the unknown unit
    constexpr double kMaxWindowNs = 20'000;
    constexpr double kShallowWindowNs = 2'000;
    constexpr double kFinestIntervalPs = 5;
    constexpr double kCoarsestIntervalPs = 1000; // a whole nanosecond would be written in nanoseconds
    if (raw * 1000.0 <= kMaxWindowNs)
        return IntervalUnit::Microseconds;
    if (raw <= kShallowWindowNs)
        return IntervalUnit::Nanoseconds;
    if (interval >= kFinestIntervalPs && interval < kCoarsestIntervalPs && raw / 1000.0 >= 1.0 &&
        raw / 1000.0 <= kMaxWindowNs)
        return IntervalUnit::Picoseconds;
    if (raw <= kMaxWindowNs)
        return IntervalUnit::Nanoseconds;
    return IntervalUnit::Microseconds;
}

SegyReader::SegyReader(RadargramSource file) : RadargramReader(std::move(file))
{
    const RadargramSource& source = source_;
    const std::string& name = source.name();
    RequireHeader(source, kHeadersBytes);
    const std::span<const std::uint8_t> bytes = source.bytes();
    const std::uint8_t* b = bytes.data();

    // The byte order: revision 2 writes a mark for it; otherwise the order in which the format
    // code is one we know (standard files are big-endian, radar exporters often little-endian).
    bool big = true;
    SampleType type{};
    int bits = 0;
    const int bigCode = LoadU16(b + kFormat, true);
    const int littleCode = LoadU16(b + kFormat, false);
    if (LoadU32(b + kOrderMark, true) == kByteOrderMark)
        big = true;
    else if (LoadU32(b + kOrderMark, false) == kByteOrderMark)
        big = false;
    else if (TypeOfFormat(bigCode, type, bits))
        big = true;
    else if (TypeOfFormat(littleCode, type, bits))
        big = false;
    formatCode_ = LoadU16(b + kFormat, big);
    if (!TypeOfFormat(formatCode_, type, bits))
        Damaged(name, "код формата отсчётов " + IntToText(formatCode_) +
                          " не поддерживается (читаются 1, 2, 3, 5, 6, 8, 10, 11, 16)");

    const int revisionField = LoadU16(b + kRevision, big);
    revision_ = revisionField >= 0x100 ? revisionField >> 8 : revisionField;
    if (revision_ > 9)
        revision_ = 0; // not a revision number: a file of before revision 1 with anything there

    ebcdic_ = LooksEbcdic(bytes.first(kTextBytes));
    const std::string_view rawText(reinterpret_cast<const char*>(b), kTextBytes);
    // An ASCII header may carry Russian words in Windows-1251.
    text_ = ebcdic_ ? EbcdicToAscii(rawText) : DecodeCp1251(rawText);

    // Extended textual headers (revision 1 and later): a count, or -1 for as many as come before
    // the one that says ((SEG: EndText)).
    std::uint64_t dataOffset = kHeadersBytes;
    if (revision_ >= 1) {
        const auto extended = static_cast<std::int16_t>(LoadU16(b + kExtendedTexts, big));
        if (extended > 0) {
            dataOffset += kTextBytes * static_cast<std::uint64_t>(extended);
        } else if (extended == -1) {
            const std::string endEbcdic = [] {
                std::string e;
                for (const char c : kEndText)
                    for (int code = c == ' ' ? 0x40 : 0; code < 256; ++code)
                        if (kEbcdic[static_cast<std::size_t>(code)] == c) {
                            e += static_cast<char>(code);
                            break;
                        }
                return e;
            }();
            bool ended = false;
            while (!ended && dataOffset + kTextBytes <= bytes.size()) {
                const std::string_view block(reinterpret_cast<const char*>(b + dataOffset), kTextBytes);
                ended = block.find(kEndText) != std::string_view::npos ||
                        block.find(endEbcdic) != std::string_view::npos;
                dataOffset += kTextBytes;
            }
            if (!ended)
                Damaged(name, "нет конца дополнительных текстовых заголовков ((SEG: EndText))");
        } else if (extended < -1) {
            Damaged(name, "число дополнительных текстовых заголовков " + IntToText(extended));
        }
    }

    // Samples per trace: the 16-bit field read unsigned (radar traces pass 32,767), revision 2's
    // 32-bit field when it is set, the first trace's header when the binary header says 0.
    std::int64_t samples = LoadU16(b + kSamples, big);
    if (revision_ >= 2) {
        const auto extended = static_cast<std::int32_t>(LoadU32(b + kExtendedSamples, big));
        if (extended > 0)
            samples = extended;
    }
    const bool firstTraceHeader = dataOffset + kTraceHeaderBytes <= bytes.size();
    if (samples == 0 && firstTraceHeader)
        samples = LoadU16(b + dataOffset + 114, big);
    if (samples == 0)
        Damaged(name, "в заголовке 0 отсчётов в трассе");

    double interval = LoadU16(b + kInterval, big);
    if (revision_ >= 2) {
        const double extended = LoadF64(b + kExtendedInterval, big);
        if (Positive(extended))
            interval = extended;
    }
    if (interval == 0 && firstTraceHeader)
        interval = LoadU16(b + dataOffset + 116, big);

    const std::uint64_t traceBytes = kTraceHeaderBytes +
                                     static_cast<std::uint64_t>(samples) * static_cast<std::uint64_t>(bits / 8);
    CountTraces(source, info_, dataOffset, traceBytes, std::nullopt, {});

    layout_.dataOffset = dataOffset;
    layout_.traceStride = traceBytes;
    layout_.sampleOffset = kTraceHeaderBytes;
    layout_.type = type;
    layout_.bigEndian = big;
    info_.format = RadargramFormat::Segy;
    info_.channels = 1;
    info_.samples = static_cast<int>(samples);
    info_.sampleBits = bits;
    if (interval > 0) {
        unit_ = SegyIntervalUnit(interval, info_.samples, text_);
        info_.timeWindowNs = interval * NanosecondsPer(unit_) * static_cast<double>(samples);
    }
    if (!(info_.timeWindowNs > 0 && std::isfinite(info_.timeWindowNs))) {
        info_.timeWindowNs = 0;
        info_.warnings.push_back(FileFault(name, "в заголовке не задан шаг по времени"));
    }
}

std::unique_ptr<SegyReader> SegyReader::open(const std::string& path)
{
    return std::make_unique<SegyReader>(RadargramSource::Map(path));
}

} // namespace trassel

#include "radargram/dzt_reader.h"

#include "base/cp1251.h"
#include "base/numbers.h"
#include "radargram/radargram_parse.h"

#include <algorithm>

namespace trassel {

using namespace radargram;

namespace {

constexpr std::uint64_t kHeaderBytes = 1024;
constexpr std::uint64_t kAntennaAt = 98;
constexpr std::uint64_t kAntennaBytes = 14;

} // namespace

DztReader::DztReader(RadargramSource file, std::optional<std::string_view> dzx, const Progress& progress)
    : RadargramReader(std::move(file))
{
    const RadargramSource& source = source_;
    RequireHeader(source, kHeaderBytes);
    const std::uint8_t* h = source.bytes().data();
    const std::string& name = source.name();
    // The tag's low byte is 0xFF in every DZT header (0x00FF, or 0xFnFF in older files).
    const std::uint16_t tag = LoadU16(h, false);
    if ((tag & 0xFFU) != 0xFFU)
        Damaged(name, "это не файл DZT (в начале заголовка нет его метки)");
    const std::uint16_t dataField = LoadU16(h + 2, false);
    const int samples = LoadU16(h + 4, false);
    const int bits = LoadU16(h + 6, false);
    const float scansPerMetre = LoadF32(h + 14, false);
    const float metresPerMark = LoadF32(h + 18, false);
    const float range = LoadF32(h + 26, false);
    const int channels = LoadU16(h + 52, false);
    const float permittivity = LoadF32(h + 54, false);

    if (channels == 0)
        Damaged(name, "в заголовке 0 каналов");
    if (samples == 0)
        Damaged(name, "в заголовке 0 отсчётов в трассе");
    switch (bits) {
    case 8:
        layout_.type = SampleType::U8;
        layout_.zero = 128;
        break;
    case 16:
        layout_.type = SampleType::U16;
        layout_.zero = 32768;
        break;
    case 32: layout_.type = SampleType::I32; break;
    default: Damaged(name, "разрядность отсчётов " + IntToText(bits) + " бит не поддерживается (читаются 8, 16 и 32)");
    }
    // The data start after the headers: the field counts headers of 1024 bytes when it is small,
    // else (a byte offset in newer files) the data follow one header per channel.
    const std::uint64_t dataOffset = dataField < kHeaderBytes ? kHeaderBytes * dataField
                                                              : kHeaderBytes * static_cast<std::uint64_t>(channels);
    if (dataOffset < kHeaderBytes)
        Damaged(name, "в заголовке нет смещения данных (0)");
    const std::uint64_t traceBytes = static_cast<std::uint64_t>(samples) * static_cast<std::uint64_t>(bits / 8);
    const std::uint64_t scanBytes = traceBytes * static_cast<std::uint64_t>(channels);
    CountTraces(source, info_, dataOffset, scanBytes, std::nullopt, {});

    layout_.dataOffset = dataOffset;
    layout_.traceStride = scanBytes;
    layout_.channelStride = traceBytes;
    info_.format = RadargramFormat::Dzt;
    info_.channels = channels;
    info_.samples = samples;
    info_.sampleBits = bits;
    if (const auto window = Positive(range))
        info_.timeWindowNs = *window;
    else
        info_.warnings.push_back(FileFault(name, "в заголовке не задан диапазон по времени"));
    if (const auto spm = Positive(scansPerMetre))
        info_.stepM = Positive(1.0 / *spm);
    info_.markSpacingM = Positive(metresPerMark);
    info_.permittivity = Positive(permittivity);
    for (int c = 0; c < channels; ++c) {
        const std::uint64_t at = kHeaderBytes * static_cast<std::uint64_t>(c) + kAntennaAt;
        if (at + kAntennaBytes > dataOffset)
            break; // the headers of the other channels are not in the file
        const auto* text = reinterpret_cast<const char*>(source.bytes().data() + at);
        const std::string_view antenna(text, std::find(text, text + kAntennaBytes, '\0') - text);
        info_.antennas.push_back(DecodeCp1251(antenna));
    }

    if (dzx) {
        for (const std::int64_t scan : DzxMarkScans(*dzx))
            if (scan >= 0 && scan < info_.traces)
                info_.marks.push_back(scan);
        std::sort(info_.marks.begin(), info_.marks.end());
        info_.marks.erase(std::unique(info_.marks.begin(), info_.marks.end()), info_.marks.end());
    } else if (samples >= 2) {
        marksFromTraces(progress);
    }
}

void DztReader::marksFromTraces(const Progress& progress)
{
    // Files without a DZX flag a mark in the second sample of a trace (the first two samples of
    // a scan are the instrument's words, not the signal): an unmarked trace holds the same word
    // there as every other. The word most traces hold is taken as "no mark"; it is the first
    // trace's unless that one is marked, which shows as most traces differing from it.
    const int width = SampleBytes(layout_.type);
    const auto wordAt = [width](const std::uint8_t* p) {
        return width == 1 ? std::uint32_t{*p} : width == 2 ? std::uint32_t{LoadU16(p, false)} : LoadU32(p, false);
    };
    const auto wordOf = [&](std::int64_t trace) {
        return wordAt(source_.bytes().data() + traceOffset(0, trace) + static_cast<std::uint64_t>(width));
    };
    const auto scan = [&](std::uint32_t plain) {
        std::vector<std::int64_t> marks;
        ScanTraceFields(source_, layout_, info_.traces, static_cast<std::uint64_t>(width),
                        static_cast<std::size_t>(width), progress, [&](std::int64_t t, const std::uint8_t* word) {
                            if (wordAt(word) != plain)
                                marks.push_back(t);
                        });
        return marks;
    };
    info_.marks = scan(wordOf(0));
    if (static_cast<std::int64_t>(info_.marks.size()) * 2 > info_.traces)
        info_.marks = scan(wordOf(info_.marks.front()));
    // A word that changes from trace to trace is signal, not a flag: such a file has no marks.
    if (static_cast<std::int64_t>(info_.marks.size()) * 2 > info_.traces)
        info_.marks.clear();
}

std::unique_ptr<DztReader> DztReader::open(const std::string& path, const Progress& progress)
{
    RadargramSource source = RadargramSource::Map(path);
    const std::optional<std::string> dzxPath = FindSidecar(path, "dzx");
    if (!dzxPath)
        return std::make_unique<DztReader>(std::move(source), std::nullopt, progress);
    const MappedFile dzx(*dzxPath);
    const std::string_view text(reinterpret_cast<const char*>(dzx.bytes().data()), dzx.size());
    return std::make_unique<DztReader>(std::move(source), text, progress);
}

std::vector<std::int64_t> DzxMarkScans(std::string_view xml)
{
    std::vector<std::int64_t> scans;
    std::size_t at = 0;
    for (;;) {
        const std::size_t open = xml.find("<WayPt", at);
        if (open == std::string_view::npos)
            break;
        std::size_t close = xml.find("</WayPt>", open);
        if (close == std::string_view::npos)
            close = xml.size();
        const std::string_view point = xml.substr(open, close - open);
        at = close;
        const std::size_t scan = point.find("<scan>");
        if (scan == std::string_view::npos)
            continue;
        const std::size_t from = scan + 6;
        const std::size_t end = point.find("</scan>", from);
        if (end == std::string_view::npos)
            continue;
        std::string_view number = point.substr(from, end - from);
        while (!number.empty() &&
               (number.front() == ' ' || number.front() == '\n' || number.front() == '\r' || number.front() == '\t'))
            number.remove_prefix(1);
        while (!number.empty() &&
               (number.back() == ' ' || number.back() == '\n' || number.back() == '\r' || number.back() == '\t'))
            number.remove_suffix(1);
        if (number.empty() || number.size() > 18 ||
            !std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; }))
            continue;
        std::int64_t value = 0;
        for (char c : number)
            value = value * 10 + (c - '0');
        scans.push_back(value);
    }
    return scans;
}

} // namespace trassel

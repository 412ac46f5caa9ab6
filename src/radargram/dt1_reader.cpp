#include "radargram/dt1_reader.h"

#include "base/error.h"
#include "base/numbers.h"
#include "radargram/radargram_parse.h"

#include <cmath>

namespace trassel {

using namespace radargram;

namespace {

constexpr std::uint64_t kTraceHeaderBytes = 128;
constexpr int kSampleBytes = 2;
// The most points a trace may have: beyond a 32-bit count no instrument writes.
constexpr double kMaxSamples = 2147483647.0;

std::string Lower(std::string_view text)
{
    std::string out;
    for (char c : text) {
        if (c == ' ' || c == '\t' || c == '.')
            continue;
        out += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return out;
}

} // namespace

std::optional<double> MetresPerUnit(std::string_view unit)
{
    const std::string u = Lower(unit);
    if (u == "m" || u == "metres" || u == "meters" || u == "metre" || u == "meter" || u == "м")
        return 1.0;
    if (u == "cm" || u == "centimetres" || u == "centimeters")
        return 0.01;
    if (u == "mm" || u == "millimetres" || u == "millimeters")
        return 0.001;
    if (u == "ft" || u == "feet" || u == "foot")
        return 0.3048;
    if (u == "in" || u == "inch" || u == "inches")
        return 0.0254;
    return std::nullopt;
}

Dt1Reader::Dt1Reader(RadargramSource dt1, std::string_view hdText, const std::string& hdName)
    : RadargramReader(std::move(dt1))
{
    const RadargramSource& source = source_;
    const std::string& name = source.name();
    const HeaderText hd(hdText);
    const std::span<const std::uint8_t> bytes = source.bytes();

    // The points per trace from the HD; the first trace's header says it too (a float at 8).
    const auto hdSamples = hd.number("NUMBER OF PTS/TRC");
    std::optional<double> traceSamples;
    if (bytes.size() >= kTraceHeaderBytes)
        traceSamples = Positive(LoadF32(bytes.data() + 8, false));
    double samples = 0;
    if (hdSamples && *hdSamples > 0)
        samples = *hdSamples;
    else if (traceSamples)
        samples = *traceSamples;
    if (!(samples >= 1))
        Damaged(hdName, "не задано число точек на трассу (NUMBER OF PTS/TRC)");
    if (samples != std::floor(samples) || samples > kMaxSamples)
        Damaged(hdName, "число точек на трассу " + NumberToText(samples) + " не целое или слишком велико");
    if (traceSamples && *traceSamples != samples)
        Damaged(name, "в первой трассе " + NumberToText(*traceSamples) + " точек, а в «" +
                          std::string(BaseName(hdName)) + "» " + NumberToText(samples));

    std::optional<std::int64_t> declared;
    if (const auto traces = hd.number("NUMBER OF TRACES"); traces && *traces >= 0 && *traces < 9.0e18)
        declared = static_cast<std::int64_t>(*traces);
    const std::uint64_t traceBytes = kTraceHeaderBytes + static_cast<std::uint64_t>(samples) * kSampleBytes;
    CountTraces(source, info_, 0, traceBytes, declared, "«" + std::string(BaseName(hdName)) + "» NUMBER OF TRACES");

    layout_.dataOffset = 0;
    layout_.traceStride = traceBytes;
    layout_.sampleOffset = kTraceHeaderBytes;
    layout_.type = SampleType::I16;
    info_.format = RadargramFormat::Dt1;
    info_.samples = static_cast<int>(samples);
    info_.sampleBits = 16;
    if (const auto window = hd.number("TOTAL TIME WINDOW"); window && Positive(*window))
        info_.timeWindowNs = *window;
    else
        info_.warnings.push_back(FileFault(hdName, "не задано окно по времени (TOTAL TIME WINDOW)"));
    if (const auto zero = hd.number("TIMEZERO AT POINT"); zero && std::isfinite(*zero))
        info_.timeZeroSample = *zero;
    info_.frequencyMhz = Positive(hd.number("NOMINAL FREQUENCY").value_or(0));

    // Positions are in the HD's unit; metres when it names none, as the instruments default to.
    std::optional<double> metres = 1.0;
    if (const auto unit = hd.text("POSITION UNITS"); unit && !unit->empty()) {
        metres = MetresPerUnit(*unit);
        if (!metres)
            info_.warnings.push_back(FileFault(hdName, "неизвестная единица расстояния «" + std::string(*unit) +
                                                           "»: шаг и начало профиля не взяты"));
    }
    if (metres) {
        if (const auto step = hd.number("STEP SIZE USED"); step && Positive(*step))
            info_.stepM = *step * *metres;
        if (const auto start = hd.number("STARTING POSITION"))
            info_.startPositionM = *start * *metres;
    }
}

std::unique_ptr<Dt1Reader> Dt1Reader::open(const std::string& path)
{
    RadargramSource source = RadargramSource::Map(path);
    const std::optional<std::string> hdPath = FindSidecar(path, "hd");
    if (!hdPath)
        Damaged(path, "рядом нет его файла заголовка .hd");
    const MappedFile hd(*hdPath);
    const std::string_view text(reinterpret_cast<const char*>(hd.bytes().data()), hd.size());
    return std::make_unique<Dt1Reader>(std::move(source), text, *hdPath);
}

} // namespace trassel

#include "radargram/gpr2_reader.h"

#include "base/cp1251.h"
#include "base/numbers.h"
#include "radargram/radargram_parse.h"

#include <algorithm>

namespace trassel {

using namespace radargram;

Gpr2Reader::Gpr2Reader(RadargramSource file, const Progress& progress) : RadargramReader(std::move(file))
{
    const RadargramSource& source = source_;
    const std::string& name = source.name();
    RequireHeader(source, kHeaderBytes);
    const std::uint8_t* h = source.bytes().data();
    if (LoadU32(h, false) != kMark)
        Damaged(name, "это не файл GPR2 (в начале нет метки 0xFEDCBA98)");
    const auto traces = static_cast<std::int32_t>(LoadU32(h + 4, false));
    const auto samples = static_cast<std::int32_t>(LoadU32(h + 8, false));
    const float window = LoadF32(h + 12, false);
    const float permittivity = LoadF32(h + 16, false);
    const auto stepMm = static_cast<std::int32_t>(LoadU32(h + 20, false));
    const auto startMm = static_cast<std::int64_t>(LoadU64(h + 24, false));
    if (samples <= 0)
        Damaged(name, "в заголовке " + IntToText(samples) + " отсчётов в трассе");
    if (traces < 0)
        Damaged(name, "в заголовке " + IntToText(traces) + " трасс");

    const std::uint64_t dataOffset = kHeaderBytes + kColourTableBytes + 4 * static_cast<std::uint64_t>(samples);
    const std::uint64_t traceBytes = kTraceHeaderBytes + 4 * static_cast<std::uint64_t>(samples);
    CountTraces(source, info_, dataOffset, traceBytes, std::int64_t{traces}, "число трасс");

    layout_.dataOffset = dataOffset;
    layout_.traceStride = traceBytes;
    layout_.sampleOffset = kTraceHeaderBytes;
    layout_.type = SampleType::F32;
    info_.format = RadargramFormat::Gpr2;
    info_.samples = samples;
    info_.sampleBits = 32;
    if (const auto w = Positive(window))
        info_.timeWindowNs = *w;
    else
        info_.warnings.push_back(FileFault(name, "в заголовке не задано окно по времени"));
    info_.permittivity = Positive(permittivity);
    if (stepMm > 0)
        info_.stepM = stepMm / 1000.0;
    info_.startPositionM = static_cast<double>(startMm) / 1000.0;
    const auto* antenna = reinterpret_cast<const char*>(h + 128);
    const std::string_view antennaText(antenna, std::find(antenna, antenna + 40, '\0') - antenna);
    if (!antennaText.empty())
        info_.antennas.push_back(DecodeCp1251(antennaText));
    marksFromLabels(progress);
}

void Gpr2Reader::marksFromLabels(const Progress& progress)
{
    ScanTraceFields(source_, layout_, info_.traces, 28, 4, progress, [&](std::int64_t t, const std::uint8_t* label) {
        if (LoadU32(label, false) != 0)
            info_.marks.push_back(t);
    });
}

std::unique_ptr<Gpr2Reader> Gpr2Reader::open(const std::string& path, const Progress& progress)
{
    return std::make_unique<Gpr2Reader>(RadargramSource::Map(path), progress);
}

} // namespace trassel

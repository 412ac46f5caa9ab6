#include "radargram/radargram_reader.h"

#include "base/error.h"
#include "base/numbers.h"
#include "radargram/dt1_reader.h"
#include "radargram/dzt_reader.h"
#include "radargram/gpr2_reader.h"
#include "radargram/mala_reader.h"
#include "radargram/radargram_parse.h"
#include "radargram/segy_reader.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace trassel {

using namespace radargram;

std::string_view FormatName(RadargramFormat format)
{
    switch (format) {
    case RadargramFormat::Dzt: return "DZT";
    case RadargramFormat::Segy: return "SEG-Y";
    case RadargramFormat::Dt1: return "DT1";
    case RadargramFormat::Rd3: return "RD3";
    case RadargramFormat::Rd7: return "RD7";
    case RadargramFormat::Gpr2: return "GPR2";
    }
    return "?";
}

int SampleBytes(SampleType type)
{
    switch (type) {
    case SampleType::U8:
    case SampleType::I8: return 1;
    case SampleType::U16:
    case SampleType::I16: return 2;
    case SampleType::I32:
    case SampleType::U32:
    case SampleType::F32:
    case SampleType::IbmF32: return 4;
    case SampleType::F64: return 8;
    }
    return 1;
}

RadargramSource RadargramSource::Map(const std::string& path)
{
    RadargramSource source;
    source.mapped_ = std::make_shared<MappedFile>(path);
    source.bytes_ = source.mapped_->bytes();
    source.name_ = path;
    return source;
}

RadargramSource RadargramSource::Memory(std::span<const std::uint8_t> bytes, std::string name)
{
    RadargramSource source;
    source.bytes_ = bytes;
    source.name_ = std::move(name);
    return source;
}

std::size_t RadargramSource::read(std::uint64_t offset, std::span<std::uint8_t> out) const
{
    if (mapped_)
        return mapped_->read(offset, out);
    if (offset >= bytes_.size())
        return 0;
    const std::size_t n = std::min<std::uint64_t>(out.size(), bytes_.size() - offset);
    std::memcpy(out.data(), bytes_.data() + offset, n);
    return n;
}

std::uint64_t RadargramReader::traceOffset(int channel, std::int64_t trace) const
{
    return layout_.dataOffset + static_cast<std::uint64_t>(trace) * layout_.traceStride +
           static_cast<std::uint64_t>(channel) * layout_.channelStride;
}

namespace {

// One trace's samples into floats; the switch is outside the loop over samples.
void Decode(const std::uint8_t* p, int n, const TraceLayout& layout, float* out)
{
    const bool big = layout.bigEndian;
    const auto zero = static_cast<float>(layout.zero);
    switch (layout.type) {
    case SampleType::U8:
        for (int i = 0; i < n; ++i)
            out[i] = static_cast<float>(p[i]) - zero;
        break;
    case SampleType::I8:
        for (int i = 0; i < n; ++i)
            out[i] = static_cast<float>(static_cast<std::int8_t>(p[i]));
        break;
    case SampleType::U16:
        for (int i = 0; i < n; ++i)
            out[i] = static_cast<float>(LoadU16(p + 2 * i, big)) - zero;
        break;
    case SampleType::I16:
        for (int i = 0; i < n; ++i)
            out[i] = static_cast<float>(static_cast<std::int16_t>(LoadU16(p + 2 * i, big)));
        break;
    case SampleType::I32:
        for (int i = 0; i < n; ++i)
            out[i] = static_cast<float>(static_cast<std::int32_t>(LoadU32(p + 4 * i, big)));
        break;
    case SampleType::U32:
        for (int i = 0; i < n; ++i)
            out[i] = static_cast<float>(static_cast<double>(LoadU32(p + 4 * i, big)) - layout.zero);
        break;
    case SampleType::F32:
        for (int i = 0; i < n; ++i)
            out[i] = LoadF32(p + 4 * i, big);
        break;
    case SampleType::F64:
        for (int i = 0; i < n; ++i)
            out[i] = NarrowToFloat(LoadF64(p + 8 * i, big));
        break;
    case SampleType::IbmF32:
        for (int i = 0; i < n; ++i)
            out[i] = IbmToFloat(LoadU32(p + 4 * i, big));
        break;
    }
}

} // namespace

void RadargramReader::checkBlock(int channel, std::int64_t first, std::int64_t count) const
{
    if (channel < 0 || channel >= info_.channels)
        throw Error(FileFault(fileName(),
                              "нет канала " + IntToText(channel + 1) + " (каналов " + IntToText(info_.channels) + ")"));
    if (first < 0 || count < 0 || first > info_.traces || count > info_.traces - first) {
        // The last trace asked for, without overflow for any count.
        const std::int64_t last = count <= 0 ? first
                                  : first > std::numeric_limits<std::int64_t>::max() - (count - 1)
                                      ? std::numeric_limits<std::int64_t>::max()
                                      : first + (count - 1);
        throw Error(FileFault(fileName(), "нет трасс " + IntToText(first) + ".." + IntToText(last) + " (трасс " +
                                              IntToText(info_.traces) + ")"));
    }
}

void RadargramReader::readTraces(int channel, std::int64_t first, std::int64_t count, std::span<float> out) const
{
    checkBlock(channel, first, count);
    const auto samples = static_cast<std::uint64_t>(info_.samples);
    if (out.size() != static_cast<std::uint64_t>(count) * samples)
        throw Error("Место для трасс не того размера: " + IntToText(static_cast<long long>(out.size())) +
                    " отсчётов вместо " + IntToText(count * info_.samples));
    const std::span<const std::uint8_t> bytes = source_.bytes();
    for (std::int64_t t = 0; t < count; ++t) {
        const std::uint64_t at = traceOffset(channel, first + t) + layout_.sampleOffset;
        Decode(bytes.data() + at, info_.samples, layout_, out.data() + static_cast<std::uint64_t>(t) * samples);
    }
}

std::vector<float> RadargramReader::readTraces(int channel, std::int64_t first, std::int64_t count) const
{
    // The block is checked before it is allocated: the count comes from the caller.
    checkBlock(channel, first, count);
    std::vector<float> out(static_cast<std::size_t>(count) * static_cast<std::size_t>(info_.samples));
    readTraces(channel, first, count, out);
    return out;
}

std::unique_ptr<RadargramReader> OpenRadargram(const std::string& path, const Progress& progress)
{
    const std::string_view name = BaseName(path);
    const std::size_t dot = name.find_last_of('.');
    std::string ext;
    if (dot != std::string_view::npos)
        for (char c : name.substr(dot + 1))
            ext += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    if (ext == "dzt")
        return DztReader::open(path, progress);
    if (ext == "sgy" || ext == "segy")
        return SegyReader::open(path);
    if (ext == "dt1")
        return Dt1Reader::open(path);
    if (ext == "rd3" || ext == "rd7")
        return MalaReader::open(path);
    if (ext == "gpr2" || ext == "gpr")
        return Gpr2Reader::open(path, progress);
    throw Error(FileFault(path, "неизвестный вид файла радарограммы (читаются .dzt, .sgy, .segy, .dt1, .rd3, "
                                ".rd7, .gpr2)"));
}

std::string RadargramInfoText(const RadargramInfo& info)
{
    std::string text;
    const auto line = [&](std::string_view key, const std::string& value) {
        text += key;
        text += ": ";
        text += value;
        text += '\n';
    };
    line("format", std::string(FormatName(info.format)));
    line("channels", IntToText(info.channels));
    line("traces", IntToText(info.traces));
    line("samples", IntToText(info.samples));
    line("time_window_ns", NumberToText(info.timeWindowNs));
    line("sample_bits", IntToText(info.sampleBits));
    if (info.stepM)
        line("step_m", NumberToText(*info.stepM));
    line("marks", IntToText(static_cast<long long>(info.marks.size())));
    if (info.permittivity)
        line("permittivity", NumberToText(*info.permittivity));
    return text;
}

} // namespace trassel

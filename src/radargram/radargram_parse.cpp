#include "radargram/radargram_parse.h"

#include "base/error.h"
#include "base/file_path.h"
#include "base/numbers.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <limits>

namespace trassel::radargram {

float IbmToFloat(std::uint32_t bits)
{
    const std::uint32_t fraction = bits & 0x00FFFFFFU;
    if (fraction == 0)
        return (bits & 0x80000000U) != 0 ? -0.0f : 0.0f;
    const int exponent = static_cast<int>((bits >> 24) & 0x7FU) - 64;
    const double value = std::ldexp(static_cast<double>(fraction), 4 * exponent - 24);
    return NarrowToFloat((bits & 0x80000000U) != 0 ? -value : value);
}

float NarrowToFloat(double value)
{
    if (value > FLT_MAX)
        return std::numeric_limits<float>::infinity();
    if (value < -FLT_MAX)
        return -std::numeric_limits<float>::infinity();
    return static_cast<float>(value);
}

std::string FileFault(const std::string& name, const std::string& what) { return "Файл «" + name + "»: " + what; }

void Damaged(const std::string& name, const std::string& what) { throw Error(FileFault(name, what)); }

void RequireHeader(const RadargramSource& source, std::uint64_t need)
{
    const std::uint64_t have = source.bytes().size();
    if (have < need)
        Damaged(source.name(), "заголовок обрезан (" + IntToText(static_cast<long long>(have)) + " байт из " +
                                   IntToText(static_cast<long long>(need)) + ")");
}

void CountTraces(const RadargramSource& source, RadargramInfo& info, std::uint64_t dataOffset, std::uint64_t traceBytes,
                 std::optional<std::int64_t> declared, std::string_view declaredName)
{
    const std::uint64_t size = source.bytes().size();
    if (dataOffset > size)
        Damaged(source.name(), "данные начинаются за концом файла (со смещения " +
                                   IntToText(static_cast<long long>(dataOffset)) + ", а в файле " +
                                   IntToText(static_cast<long long>(size)) + " байт)");
    const std::uint64_t whole = (size - dataOffset) / traceBytes;
    const std::uint64_t rest = (size - dataOffset) % traceBytes;
    if (whole == 0)
        Damaged(source.name(), "нет ни одной целой трассы (трасса занимает " +
                                   IntToText(static_cast<long long>(traceBytes)) + " байт, а данных " +
                                   IntToText(static_cast<long long>(size - dataOffset)) + " байт)");
    info.traces = static_cast<std::int64_t>(whole);
    if (declared && *declared > info.traces) {
        info.droppedTraces = *declared - info.traces;
        info.warnings.push_back(FileFault(source.name(), "файл обрезан: в заголовке " + std::string(declaredName) +
                                                             " = " + IntToText(*declared) + ", целых трасс " +
                                                             IntToText(info.traces) + "; прочитаны целые трассы"));
        return;
    }
    if (declared && *declared < info.traces && *declared >= 0)
        info.warnings.push_back(FileFault(source.name(), "в заголовке " + std::string(declaredName) + " = " +
                                                             IntToText(*declared) + ", а по размеру файла трасс " +
                                                             IntToText(info.traces) + "; взято по размеру файла"));
    if (rest != 0) {
        info.droppedTraces = 1;
        info.warnings.push_back(
            FileFault(source.name(), "последняя трасса обрезана (" + IntToText(static_cast<long long>(rest)) +
                                         " байт из " + IntToText(static_cast<long long>(traceBytes)) + "); прочитаны " +
                                         IntToText(info.traces) + " целых трасс, неполная отброшена"));
    }
}

void ScanTraceFields(const RadargramSource& source, const TraceLayout& layout, std::int64_t traces,
                     std::uint64_t fieldOffset, std::size_t fieldBytes, const Progress& progress,
                     const std::function<void(std::int64_t, const std::uint8_t*)>& visit)
{
    constexpr std::uint64_t kBlockBytes = std::uint64_t{4} << 20;
    const std::uint64_t stride = layout.traceStride;
    const auto changed = [&] { Damaged(source.name(), "файл изменился во время чтения"); };
    ProgressMeter meter(progress, traces);
    if (stride > kBlockBytes) {
        // Traces larger than a block: each field is read alone.
        std::uint8_t field[16];
        for (std::int64_t t = 0; t < traces; ++t) {
            meter.at(t);
            const std::uint64_t at = layout.dataOffset + static_cast<std::uint64_t>(t) * stride + fieldOffset;
            if (source.read(at, std::span<std::uint8_t>(field, fieldBytes)) != fieldBytes)
                changed();
            visit(t, field);
        }
    } else {
        // A block of 4 MB, or of all the traces when they take less.
        const std::int64_t perBlock = std::min(static_cast<std::int64_t>(kBlockBytes / stride), traces);
        std::vector<std::uint8_t> block(static_cast<std::size_t>(perBlock * static_cast<std::int64_t>(stride)));
        for (std::int64_t first = 0; first < traces; first += perBlock) {
            const std::int64_t count = std::min(perBlock, traces - first);
            // Up to the last field wanted: the last trace's samples beyond it are not needed.
            const std::uint64_t want = static_cast<std::uint64_t>(count - 1) * stride + fieldOffset + fieldBytes;
            const std::uint64_t at = layout.dataOffset + static_cast<std::uint64_t>(first) * stride;
            if (source.read(at, std::span<std::uint8_t>(block.data(), want)) != want)
                changed();
            for (std::int64_t i = 0; i < count; ++i) {
                meter.at(first + i);
                visit(first + i, block.data() + static_cast<std::uint64_t>(i) * stride + fieldOffset);
            }
        }
    }
    meter.finish();
}

std::optional<double> Positive(double value)
{
    if (std::isfinite(value) && value > 0)
        return value;
    return std::nullopt;
}

namespace {

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\r'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' || text.back() == '\0'))
        text.remove_suffix(1);
    return text;
}

std::string KeyOf(std::string_view text)
{
    std::string key;
    for (char c : Trim(text))
        key += Upper(c);
    return key;
}

} // namespace

HeaderText::HeaderText(std::string_view text)
{
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view line = text.substr(start, end - start);
        start = end + 1;
        // "KEY:value" in the RAD, "KEY = value" in the HD; a time "12:30" after "=" stays in the value.
        const std::size_t eq = line.find('=');
        const std::size_t colon = line.find(':');
        const std::size_t at = eq == std::string_view::npos      ? colon
                               : colon == std::string_view::npos ? eq
                                                                 : std::min(eq, colon);
        if (at == std::string_view::npos)
            continue;
        std::string key = KeyOf(line.substr(0, at));
        if (key.empty())
            continue;
        bool known = false;
        for (const auto& entry : entries_)
            known = known || entry.first == key;
        if (!known)
            entries_.emplace_back(std::move(key), Trim(line.substr(at + 1)));
    }
}

std::optional<std::string_view> HeaderText::text(std::string_view key) const
{
    const std::string wanted = KeyOf(key);
    for (const auto& entry : entries_)
        if (entry.first == wanted)
            return entry.second;
    return std::nullopt;
}

std::optional<double> HeaderText::number(std::string_view key) const
{
    const auto value = text(key);
    if (!value)
        return std::nullopt;
    // The longest prefix that reads as a number: "500 MHz", "0.05m", "-1.5".
    std::size_t n = 0;
    const std::string_view v = *value;
    if (n < v.size() && (v[n] == '-' || v[n] == '+'))
        ++n;
    bool digits = false;
    while (n < v.size() && ((v[n] >= '0' && v[n] <= '9') || v[n] == '.')) {
        digits = digits || v[n] != '.';
        ++n;
    }
    if (!digits)
        return std::nullopt;
    if (n < v.size() && (v[n] == 'e' || v[n] == 'E')) {
        std::size_t m = n + 1;
        if (m < v.size() && (v[m] == '-' || v[m] == '+'))
            ++m;
        if (m < v.size() && v[m] >= '0' && v[m] <= '9') {
            while (m < v.size() && v[m] >= '0' && v[m] <= '9')
                ++m;
            n = m;
        }
    }
    const auto number = TryReadStrict(v.substr(0, n));
    if (!number || !std::isfinite(*number))
        return std::nullopt;
    return number;
}

std::string_view BaseName(std::string_view path)
{
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::optional<std::string> FindSidecar(const std::string& path, std::string_view ext)
{
    const std::string_view name = BaseName(path);
    const std::size_t dot = name.find_last_of('.');
    const std::string stem = path.substr(0, path.size() - name.size() +
                                                (dot == std::string_view::npos ? name.size() : dot));
    const bool upper = dot != std::string_view::npos && dot + 1 < name.size() && name[dot + 1] >= 'A' &&
                       name[dot + 1] <= 'Z';
    std::string lower(ext);
    std::string upperExt;
    for (char c : ext)
        upperExt += Upper(c);
    for (const std::string& e :
         upper ? std::vector<std::string>{upperExt, lower} : std::vector<std::string>{lower, upperExt}) {
        const std::string candidate = stem + "." + e;
        if (PathExists(candidate))
            return candidate;
    }
    return std::nullopt;
}

} // namespace trassel::radargram

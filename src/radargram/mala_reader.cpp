#include "radargram/mala_reader.h"

#include "base/cp1251.h"
#include "base/numbers.h"
#include "radargram/radargram_parse.h"

#include <cmath>

namespace trassel {

using namespace radargram;

MalaReader::MalaReader(RadargramSource data, std::string_view radText, const std::string& radName, bool rd7)
    : RadargramReader(std::move(data))
{
    const RadargramSource& source = source_;
    const HeaderText rad(radText);
    const std::string radFile = "«" + std::string(BaseName(radName)) + "»";

    const double samples = rad.number("SAMPLES").value_or(0);
    if (!(samples >= 1))
        Damaged(radName, "не задано число отсчётов в трассе (SAMPLES)");
    if (samples != std::floor(samples) || samples > 2147483647.0)
        Damaged(radName, "число отсчётов " + NumberToText(samples) + " не целое или слишком велико");
    const int bytes = rd7 ? 4 : 2;
    const std::uint64_t traceBytes = static_cast<std::uint64_t>(samples) * static_cast<std::uint64_t>(bytes);

    // LAST TRACE is the count of traces in the files seen, but writers differ (some write the
    // last index, counted from 0): the file's size decides, and the header is only checked
    // against it. A count one short of the size's is that other habit, not a fault.
    std::optional<std::int64_t> declared;
    if (const auto last = rad.number("LAST TRACE"); last && *last >= 0 && *last < 9.0e18)
        declared = static_cast<std::int64_t>(*last);
    if (declared && traceBytes > 0 && static_cast<std::uint64_t>(*declared) + 1 == source.bytes().size() / traceBytes)
        declared = *declared + 1;
    CountTraces(source, info_, 0, traceBytes, declared, radFile + " LAST TRACE");

    layout_.traceStride = traceBytes;
    layout_.type = rd7 ? SampleType::I32 : SampleType::I16;
    info_.format = rd7 ? RadargramFormat::Rd7 : RadargramFormat::Rd3;
    info_.samples = static_cast<int>(samples);
    info_.sampleBits = bytes * 8;
    const auto window = Positive(rad.number("TIMEWINDOW").value_or(0));
    const auto frequency = Positive(rad.number("FREQUENCY").value_or(0)); // sampling, MHz
    if (window)
        info_.timeWindowNs = *window;
    else if (frequency && std::isfinite(samples / *frequency * 1000.0))
        info_.timeWindowNs = samples / *frequency * 1000.0;
    else
        info_.warnings.push_back(
            FileFault(radName, "не заданы ни TIMEWINDOW, ни FREQUENCY: окно по времени неизвестно"));
    info_.stepM = Positive(rad.number("DISTANCE INTERVAL").value_or(0));
    if (const auto antenna = rad.text("ANTENNAS"); antenna && !antenna->empty()) {
        info_.antennas.push_back(DecodeCp1251(*antenna));
        // "500 MHz shielded": the nominal frequency leads the name.
        std::string upper;
        for (char c : *antenna)
            upper += c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
        if (upper.find("MHZ") != std::string::npos)
            info_.frequencyMhz = Positive(rad.number("ANTENNAS").value_or(0));
    }
}

std::unique_ptr<MalaReader> MalaReader::open(const std::string& path)
{
    // 32-bit samples by the extension, in whatever case it is written.
    const std::string_view name = BaseName(path);
    const bool rd7 = name.size() >= 4 && name[name.size() - 4] == '.' && (name[name.size() - 3] | 0x20) == 'r' &&
                     (name[name.size() - 2] | 0x20) == 'd' && name.back() == '7';
    RadargramSource source = RadargramSource::Map(path);
    const std::optional<std::string> radPath = FindSidecar(path, "rad");
    if (!radPath)
        Damaged(path, "рядом нет его файла заголовка .rad");
    const MappedFile rad(*radPath);
    const std::string_view text(reinterpret_cast<const char*>(rad.bytes().data()), rad.size());
    return std::make_unique<MalaReader>(std::move(source), text, *radPath, rd7);
}

} // namespace trassel

#include "radargram/radargram_model.h"

#include "base/error.h"
#include "base/numbers.h"
#include "radargram/radargram_reader.h"

#include <algorithm>
#include <cmath>

namespace trassel {

RadargramModel ModelOfFile(const std::string& path, const RadargramInfo& info, const std::vector<float>& meanTrace,
                           const RadargramDisplay& display)
{
    auto file = std::make_shared<RadargramFile>();
    file->path = path;
    file->channels = info.channels;
    file->traces = info.traces;
    file->samples = info.samples;
    file->timeWindowNs = info.timeWindowNs;
    file->header.stepM = info.stepM;
    file->header.startM = info.startPositionM;
    file->marks = info.marks;
    RadargramModel m;
    m.file = std::move(file);
    const double dt = m.sampleNs();
    if (info.timeZeroSample && std::isfinite(*info.timeZeroSample) && *info.timeZeroSample >= 0 &&
        *info.timeZeroSample < info.samples)
        m.timeZeroNs = *info.timeZeroSample * dt;
    else
        m.timeZeroNs = static_cast<double>(FirstBreakSample(meanTrace)) * dt;
    if (info.permittivity && *info.permittivity >= kMinPermittivity && *info.permittivity <= kMaxPermittivity)
        m.permittivity.eps = {*info.permittivity};
    m.display = display;
    return m;
}

namespace {
constexpr std::size_t kDztWords = 2;
} // namespace

std::vector<float> MeanTrace(const RadargramReader& reader, int channel, int blocks)
{
    const RadargramInfo& info = reader.info();
    const std::int64_t traces = info.traces;
    const auto samples = static_cast<std::size_t>(std::max(info.samples, 0));
    if (traces <= 0 || samples == 0 || blocks <= 0)
        return {};
    constexpr std::int64_t kBlock = 8;
    std::vector<double> sum(samples, 0.0);
    std::int64_t used = 0;
    std::int64_t next = 0; // blocks never overlap, also in a file of few traces
    for (int b = 0; b < blocks && next < traces; ++b) {
        const std::int64_t first = std::max(next, traces * b / blocks);
        const std::int64_t count = std::min(kBlock, traces - first);
        if (count <= 0)
            break;
        const std::vector<float> block = reader.readTraces(channel, first, count);
        for (std::int64_t t = 0; t < count; ++t)
            for (std::size_t s = 0; s < samples; ++s)
                sum[s] += block[static_cast<std::size_t>(t) * samples + s];
        used += count;
        next = first + count;
    }
    std::vector<float> mean(samples);
    for (std::size_t s = 0; s < samples; ++s)
        mean[s] = static_cast<float>(sum[s] / static_cast<double>(used));
    // The first two samples of a DZT scan are the instrument's words, not the signal: left in,
    // they would be the strongest "arrival" of every file. They take the level of the first
    // sample of signal.
    if (info.format == RadargramFormat::Dzt && samples > kDztWords)
        std::fill(mean.begin(), mean.begin() + kDztWords, mean[kDztWords]);
    return mean;
}

namespace {

// `what` says whose value and agrees with it ("Контраст должен").
void CheckPositive(double v, const char* what)
{
    if (!std::isfinite(v) || v <= 0)
        throw Error(std::string(what) + " быть положительным числом.");
}

} // namespace

void CheckModel(const RadargramModel& m)
{
    const int channels = m.file ? m.file->channels : 1;
    if (m.channel < 0 || m.channel >= std::max(channels, 1))
        throw Error("Канала " + std::to_string(m.channel + 1) + " в файле радарограммы нет (каналов " +
                    std::to_string(channels) + ").");
    TraceRegistration::Check(m.ties);
    if (m.file && m.file->traces > 0)
        for (const TraceTie& tie : m.ties)
            if (tie.trace >= m.file->traces)
                throw Error("Трассы " + std::to_string(tie.trace) + " в файле радарограммы нет (трасс " +
                            std::to_string(m.file->traces) + ").");
    if (!std::isfinite(m.timeZeroNs))
        throw Error("Нулевое время должно быть конечным числом.");
    const double window = m.file ? m.file->timeWindowNs : 0.0;
    if (window > 0 && (m.timeZeroNs < 0 || m.timeZeroNs >= window))
        throw Error("Нулевое время " + NumberToText(m.timeZeroNs) + " нс лежит вне развёртки трассы (0–" +
                    NumberToText(window) + " нс).");
    const auto& eps = m.permittivity.eps;
    for (std::size_t i = 0; i < eps.size(); ++i)
        if (eps[i] > kMaxPermittivity)
            throw Error("Диэлектрическая проницаемость " + NumberToText(eps[i]) +
                        " больше 100: такой среды в пути не бывает.");
    // The shape of the layers and the lower bound of each permittivity.
    static_cast<void>(m.depthModel());
    CheckPositive(m.display.gainValue, "Усиление должно");
    CheckPositive(m.display.agcWindowNs, "Окно АРУ должно");
    CheckPositive(m.display.contrast, "Контраст должен");
}

} // namespace trassel

#include "document/workspace_radargram.h"

#include "base/error.h"
#include "base/numbers.h"
#include "document/workspace.h"
#include "document/workspace_text.h"

#include <climits>
#include <cmath>
#include <string_view>

namespace trassel::workspace {
namespace {

constexpr const char* kGainNames[] = {"constant", "linear", "exponential", "agc"};
constexpr const char* kColorNames[] = {"grey", "diverging"};

// The largest of the file's counts a reader gives (a 100 km survey at 1 cm has 10^7 traces).
constexpr long long kMaxTraces = 1LL << 40;
constexpr long long kMaxSamples = 1 << 24;
constexpr long long kMaxChannels = 256;
// Times of a trace: GPR windows are tens to a few thousand nanoseconds.
constexpr double kMaxNs = 1e6;

// A finite number within lo..hi, refused with the field's name and its limits.
double Within(const Reader& in, const Json& o, const char* key, const std::string& at, double lo, double hi)
{
    const double v = in.number(o, key, at);
    if (!(v >= lo && v <= hi))
        in.damaged("значение поля «" + Reader::join(at, key) + "» вне допустимых пределов (" + NumberToText(lo) + "…" +
                   NumberToText(hi) + ")");
    return v;
}

// A positive number no larger than hi.
double Positive(const Reader& in, const Json& o, const char* key, const std::string& at, double hi)
{
    const double v = in.number(o, key, at);
    if (!(v > 0 && v <= hi))
        in.damaged("значение поля «" + Reader::join(at, key) + "» должно быть больше 0 и не больше " +
                   NumberToText(hi));
    return v;
}

template <std::size_t N>
int NameIndex(const Reader& in, const Json& o, const char* key, const std::string& at, const char* const (&names)[N])
{
    const std::string& name = in.string(o, key, at);
    for (std::size_t i = 0; i < N; ++i)
        if (name == names[i])
            return static_cast<int>(i);
    in.damaged("поле «" + Reader::join(at, key) + "» содержит неизвестное значение «" + name + "»");
}

const Json& Bounded(const Reader& in, const Json& o, const char* key, const std::string& at, std::size_t most)
{
    const Json& a = in.array(o, key, at);
    if (a.size() > most)
        in.damaged("в поле «" + Reader::join(at, key) + "» " + std::to_string(a.size()) +
                   " элементов, больше допустимых " + std::to_string(most));
    return a;
}

std::vector<double> Numbers(const Reader& in, const Json& o, const char* key, const std::string& at, std::size_t most,
                            double lo, double hi)
{
    const Json& a = Bounded(in, o, key, at, most);
    std::vector<double> out;
    out.reserve(a.size());
    const Json holder = Json::object();
    for (std::size_t i = 0; i < a.size(); ++i) {
        const std::string where = Reader::index(Reader::join(at, key), i);
        if (!a[i].is_number())
            in.damaged("поле «" + where + "» должно быть числом");
        const double v = a[i].get<double>();
        if (!(v >= lo && v <= hi))
            in.damaged("значение поля «" + where + "» вне допустимых пределов (" + NumberToText(lo) + "…" +
                       NumberToText(hi) + ")");
        out.push_back(v);
    }
    return out;
}

std::string WithoutStop(std::string message)
{
    if (!message.empty() && message.back() == '.')
        message.pop_back();
    return message;
}

} // namespace

OutJson RadargramModelJson(const RadargramModel& m, const std::string& path)
{
    OutJson out;
    if (m.file) {
        const RadargramFile& f = *m.file;
        OutJson file = {{"path", TextJson(StoredPicturePath(path, f.path))},
                        {"channels", f.channels},
                        {"traces", f.traces},
                        {"samples", f.samples},
                        {"timeWindowNs", f.timeWindowNs}};
        if (f.header.stepM)
            file["stepM"] = *f.header.stepM;
        if (f.header.startM)
            file["startM"] = *f.header.startM;
        file["marks"] = f.marks;
        out["file"] = std::move(file);
    }
    out["channel"] = m.channel;
    OutJson ties = OutJson::array();
    for (const TraceTie& tie : m.ties)
        ties.push_back({{"trace", tie.trace}, {"picket", tie.picket}});
    out["ties"] = std::move(ties);
    out["timeZeroNs"] = m.timeZeroNs;
    out["permittivity"] = {{"boundariesCm", m.permittivity.boundariesCm}, {"eps", m.permittivity.eps}};
    const RadargramDisplay& d = m.display;
    out["display"] = {{"gain", kGainNames[static_cast<int>(d.gain)]},
                      {"gainValue", d.gainValue},
                      {"agcWindowNs", d.agcWindowNs},
                      {"contrast", d.contrast},
                      {"colors", kColorNames[static_cast<int>(d.colors)]},
                      {"snapToReflection", m.snapToReflection}};
    return out;
}

RadargramModel ReadRadargramModel(const Reader& in, const Json& o, const std::string& at)
{
    RadargramModel m;
    if (!o.is_object())
        in.damaged("поле «" + at + "» должно быть объектом");
    if (o.contains("file")) {
        const std::string fa = Reader::join(at, "file");
        const Json& fj = in.object(o, "file", at);
        auto f = std::make_shared<RadargramFile>();
        const std::string stored = in.text(fj, "path", fa);
        if (stored.empty())
            in.damaged("поле «" + Reader::join(fa, "path") + "» пусто");
        f->path = ResolvedPicturePath(in.file(), stored);
        f->channels = in.integer(fj, "channels", fa, 1, kMaxChannels);
        f->traces = in.integer(in.member(fj, "traces", fa), Reader::join(fa, "traces"), 0, kMaxTraces);
        f->samples = in.integer(fj, "samples", fa, 0, kMaxSamples);
        f->timeWindowNs = Within(in, fj, "timeWindowNs", fa, 0, kMaxNs);
        if (fj.contains("stepM"))
            f->header.stepM = Positive(in, fj, "stepM", fa, 1000);
        if (fj.contains("startM"))
            f->header.startM = Within(in, fj, "startM", fa, -1e9, 1e9);
        const Json& marks = Bounded(in, fj, "marks", fa, kMaxRadargramMarks);
        f->marks.reserve(marks.size());
        for (std::size_t i = 0; i < marks.size(); ++i) {
            const std::string where = Reader::index(Reader::join(fa, "marks"), i);
            const long long lo = f->marks.empty() ? 0 : f->marks.back() + 1;
            f->marks.push_back(in.integer(marks[i], where, lo, std::max<long long>(lo, f->traces - 1)));
        }
        m.file = std::move(f);
    }
    m.channel = in.integer(o, "channel", at, 0, kMaxChannels - 1);
    const std::string ta = Reader::join(at, "ties");
    const Json& ties = Bounded(in, o, "ties", at, kMaxRadargramTies);
    for (std::size_t i = 0; i < ties.size(); ++i) {
        const std::string where = Reader::index(ta, i);
        if (!ties[i].is_object())
            in.damaged("поле «" + where + "» должно быть объектом");
        TraceTie tie;
        tie.trace = in.integer(in.member(ties[i], "trace", where), Reader::join(where, "trace"), 0, kMaxTraces);
        // Pickets of a line up to 100,000 km.
        tie.picket = Within(in, ties[i], "picket", where, -1e6, 1e6);
        m.ties.push_back(tie);
    }
    m.timeZeroNs = Within(in, o, "timeZeroNs", at, 0, kMaxNs);
    const std::string pa = Reader::join(at, "permittivity");
    const Json& pj = in.object(o, "permittivity", at);
    m.permittivity.boundariesCm = Numbers(in, pj, "boundariesCm", pa, kMaxPermittivityLayers, 0, 1e6);
    m.permittivity.eps = Numbers(in, pj, "eps", pa, kMaxPermittivityLayers + 1, kMinPermittivity, kMaxPermittivity);
    const std::string da = Reader::join(at, "display");
    const Json& dj = in.object(o, "display", at);
    m.display.gain = static_cast<GainKind>(NameIndex(in, dj, "gain", da, kGainNames));
    m.display.gainValue = Positive(in, dj, "gainValue", da, 1e6);
    m.display.agcWindowNs = Positive(in, dj, "agcWindowNs", da, kMaxNs);
    m.display.contrast = Positive(in, dj, "contrast", da, 1000);
    m.display.colors = static_cast<ColorMap>(NameIndex(in, dj, "colors", da, kColorNames));
    // Files written before the snap was kept open with it off.
    if (dj.contains("snapToReflection"))
        m.snapToReflection = in.boolean(dj, "snapToReflection", da);
    // What the document would refuse (ties out of order, layers of the wrong shape) the file
    // may not hold either.
    try {
        CheckModel(m);
    } catch (const Error& e) {
        in.damaged("поле «" + at + "»: " + WithoutStop(e.what()));
    }
    return m;
}

OutJson KnownDepthsJson(const std::vector<KnownDepth>& known)
{
    OutJson out = OutJson::array();
    for (const KnownDepth& k : known) {
        OutJson row = {{"picket", k.picket}, {"column", k.column}, {"source", TextJson(k.source)}};
        if (k.depthCm)
            row["depthCm"] = *k.depthCm;
        out.push_back(std::move(row));
    }
    return out;
}

std::vector<KnownDepth> ReadKnownDepths(const Reader& in, const Json& a, const std::string& at)
{
    if (!a.is_array())
        in.damaged("поле «" + at + "» должно быть массивом");
    if (a.size() > kMaxKnownDepths)
        in.damaged("в поле «" + at + "» " + std::to_string(a.size()) + " элементов, больше допустимых " +
                   std::to_string(kMaxKnownDepths));
    std::vector<KnownDepth> known;
    known.reserve(a.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        const std::string where = Reader::index(at, i);
        if (!a[i].is_object())
            in.damaged("поле «" + where + "» должно быть объектом");
        KnownDepth k;
        k.picket = Within(in, a[i], "picket", where, -1e6, 1e6);
        k.column = in.integer(a[i], "column", where, 1, INT_MAX);
        if (a[i].contains("depthCm"))
            k.depthCm = Positive(in, a[i], "depthCm", where, 1e6);
        k.source = in.text(a[i], "source", where);
        known.push_back(std::move(k));
    }
    return known;
}

} // namespace trassel::workspace

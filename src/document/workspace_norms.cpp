#include "document/workspace_norms.h"

#include "base/error.h"
#include "document/workspace_text.h"

namespace trassel::workspace {
namespace {

constexpr const char* kSleeperNames[] = {"wooden", "concrete"};

const Json& Bounded(const Reader& in, const Json& o, const char* key, const std::string& at, std::size_t most)
{
    const Json& a = in.array(o, key, at);
    if (a.size() > most)
        in.damaged("в поле «" + Reader::join(at, key) + "» " + std::to_string(a.size()) +
                   " элементов, больше допустимых " + std::to_string(most));
    return a;
}

const Json& Element(const Reader& in, const Json& a, std::size_t i, const std::string& where)
{
    if (!a[i].is_object())
        in.damaged("поле «" + where + "» должно быть объектом");
    return a[i];
}

std::string WithoutStop(std::string message)
{
    if (!message.empty() && message.back() == '.')
        message.pop_back();
    return message;
}

} // namespace

OutJson NormsJson(const DesignNorms& n)
{
    OutJson out;
    OutJson table = OutJson::array();
    for (const auto& row : n.ballast.cm) {
        OutJson cells = OutJson::array();
        for (const std::optional<double>& v : row)
            cells.push_back(v ? OutJson(*v) : OutJson(nullptr));
        table.push_back(std::move(cells));
    }
    out["ballastCm"] = std::move(table);
    OutJson stretches = OutJson::array();
    for (const DesignStretch& s : n.stretches)
        stretches.push_back({{"fromM", s.fromM},
                             {"toM", s.toM},
                             {"trackClass", s.trackClass},
                             {"sleeper", kSleeperNames[s.sleeper == Sleeper::Wooden ? 0 : 1]}});
    out["stretches"] = std::move(stretches);
    OutJson layers = OutJson::array();
    for (const LayerNorm& l : n.layers) {
        OutJson layer = {{"column", l.column}, {"name", TextJson(l.name)}};
        if (l.normCm)
            layer["normCm"] = *l.normCm;
        layers.push_back(std::move(layer));
    }
    out["layers"] = std::move(layers);
    out["sleeperBaseCm"] = n.sleeperBaseCm;
    out["toleranceCm"] = n.toleranceCm;
    out["minLengthM"] = n.minLengthM;
    out["joinGapM"] = n.joinGapM;
    out["prismWidthM"] = n.prismWidthM;
    OutJson classes = OutJson::array();
    for (const ConditionClass& c : n.classes)
        classes.push_back({{"name", TextJson(c.name)}, {"maxSharePercent", c.maxSharePercent}});
    out["classes"] = std::move(classes);
    return out;
}

DesignNorms ReadNorms(const Reader& in, const Json& o, const std::string& at)
{
    if (!o.is_object())
        in.damaged("поле «" + at + "» должно быть объектом");
    DesignNorms n;
    const std::string ta = Reader::join(at, "ballastCm");
    const Json& table = Bounded(in, o, "ballastCm", at, kTrackClasses);
    if (table.size() != kTrackClasses)
        in.damaged("в поле «" + ta + "» должно быть " + std::to_string(kTrackClasses) + " строк");
    for (std::size_t c = 0; c < table.size(); ++c) {
        const std::string row = Reader::index(ta, c);
        if (!table[c].is_array() || table[c].size() != 2)
            in.damaged("поле «" + row + "» должно быть списком из двух значений");
        for (std::size_t s = 0; s < 2; ++s) {
            const Json& v = table[c][s];
            const std::string cell = Reader::index(row, s);
            if (v.is_null())
                n.ballast.cm[c][s] = std::nullopt;
            else if (v.is_number())
                n.ballast.cm[c][s] = v.get<double>();
            else
                in.damaged("поле «" + cell + "» должно быть числом или null");
        }
    }
    const std::string sa = Reader::join(at, "stretches");
    const Json& stretches = Bounded(in, o, "stretches", at, kMaxDesignStretches);
    n.stretches.reserve(stretches.size());
    for (std::size_t i = 0; i < stretches.size(); ++i) {
        const std::string where = Reader::index(sa, i);
        const Json& sj = Element(in, stretches, i, where);
        DesignStretch s;
        s.fromM = in.number(sj, "fromM", where);
        s.toM = in.number(sj, "toM", where);
        s.trackClass = in.integer(sj, "trackClass", where, 1, kTrackClasses);
        const std::string& sleeper = in.string(sj, "sleeper", where);
        if (sleeper == kSleeperNames[0])
            s.sleeper = Sleeper::Wooden;
        else if (sleeper == kSleeperNames[1])
            s.sleeper = Sleeper::Concrete;
        else
            in.damaged("поле «" + Reader::join(where, "sleeper") + "» содержит неизвестное значение «" + sleeper + "»");
        n.stretches.push_back(s);
    }
    const std::string la = Reader::join(at, "layers");
    const Json& layers = Bounded(in, o, "layers", at, 1000);
    for (std::size_t i = 0; i < layers.size(); ++i) {
        const std::string where = Reader::index(la, i);
        const Json& lj = Element(in, layers, i, where);
        LayerNorm l;
        l.column = in.integer(lj, "column", where, 1, 65'536);
        l.name = in.text(lj, "name", where);
        if (lj.contains("normCm"))
            l.normCm = in.number(lj, "normCm", where);
        n.layers.push_back(std::move(l));
    }
    n.sleeperBaseCm = in.number(o, "sleeperBaseCm", at);
    n.toleranceCm = in.number(o, "toleranceCm", at);
    n.minLengthM = in.number(o, "minLengthM", at);
    n.joinGapM = in.number(o, "joinGapM", at);
    n.prismWidthM = in.number(o, "prismWidthM", at);
    const std::string ca = Reader::join(at, "classes");
    const Json& classes = Bounded(in, o, "classes", at, kMaxConditionClasses);
    n.classes.clear();
    for (std::size_t i = 0; i < classes.size(); ++i) {
        const std::string where = Reader::index(ca, i);
        const Json& cj = Element(in, classes, i, where);
        n.classes.push_back({in.text(cj, "name", where), in.number(cj, "maxSharePercent", where)});
    }
    // The bounds the document keeps, checked once for the whole: its message names the field.
    try {
        CheckNorms(n);
    } catch (const Error& e) {
        in.damaged("поле «" + at + "»: " + WithoutStop(e.what()));
    }
    return n;
}

} // namespace trassel::workspace

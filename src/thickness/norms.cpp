#include "thickness/norms.h"

#include "base/error.h"
#include "base/numbers.h"

#include <algorithm>
#include <cmath>

namespace trassel {
namespace {

constexpr std::size_t kMaxNameBytes = 200;

std::size_t SleeperIndex(Sleeper sleeper) { return sleeper == Sleeper::Wooden ? 0 : 1; }

void CheckClass(int trackClass, const std::string& field)
{
    if (trackClass < 1 || trackClass > kTrackClasses)
        throw Error("Поле «" + field + "»: класс пути " + IntToText(trackClass) + " не существует (допустимо 1–" +
                    IntToText(kTrackClasses) + ").");
}

void CheckRange(double value, double lo, double hi, const std::string& field, const char* unit)
{
    if (!std::isfinite(value))
        throw Error("Поле «" + field + "»: значение не является числом.");
    if (value < lo || value > hi)
        throw Error("Поле «" + field + "»: значение " + NumberToText(value) + " " + unit + " вне пределов " +
                    NumberToText(lo) + "…" + NumberToText(hi) + ".");
}

void CheckName(const std::string& name, const std::string& field)
{
    if (name.size() > kMaxNameBytes)
        throw Error("Поле «" + field + "»: название длиннее " + IntToText(kMaxNameBytes) + " байт.");
}

} // namespace

std::optional<double> BallastTable::at(int trackClass, Sleeper sleeper) const
{
    if (trackClass < 1 || trackClass > kTrackClasses)
        return std::nullopt;
    return cm[static_cast<std::size_t>(trackClass - 1)][SleeperIndex(sleeper)];
}

void BallastTable::set(int trackClass, Sleeper sleeper, std::optional<double> value)
{
    CheckClass(trackClass, "класс пути");
    cm[static_cast<std::size_t>(trackClass - 1)][SleeperIndex(sleeper)] = value;
}

BallastTable DefaultBallastTable()
{
    BallastTable t;
    t.cm[0] = {35.0, 40.0};
    t.cm[1] = {35.0, 40.0};
    t.cm[2] = {25.0, 30.0};
    t.cm[3] = {20.0, std::nullopt};
    t.cm[4] = {15.0, std::nullopt};
    return t;
}

std::vector<ConditionClass> DefaultConditionClasses()
{
    return {{"хорошее", 0}, {"удовлетворительное", 20}, {"требует ремонта", 100}};
}

const LayerNorm* DesignNorms::layer(int column) const
{
    for (const LayerNorm& l : layers)
        if (l.column == column)
            return &l;
    return nullptr;
}

void CheckNorms(const DesignNorms& n)
{
    for (int c = 1; c <= kTrackClasses; ++c)
        for (const Sleeper s : {Sleeper::Wooden, Sleeper::Concrete})
            if (const std::optional<double> v = n.ballast.at(c, s))
                CheckRange(*v, 0, kMaxLayerCm,
                           "норма балласта, класс " + IntToText(c) + ", " + std::string(SleeperName(s)), "см");
    if (n.stretches.size() > kMaxDesignStretches)
        throw Error("Поле «участки норм»: " + IntToText(static_cast<long long>(n.stretches.size())) +
                    " участков, больше допустимых " + IntToText(kMaxDesignStretches) + ".");
    for (std::size_t i = 0; i < n.stretches.size(); ++i) {
        const DesignStretch& s = n.stretches[i];
        const std::string field = "участок норм " + IntToText(static_cast<long long>(i + 1));
        CheckRange(s.fromM, -kMaxLineM, kMaxLineM, field + ", начало", "м");
        CheckRange(s.toM, -kMaxLineM, kMaxLineM, field + ", конец", "м");
        if (s.toM < s.fromM)
            throw Error("Поле «" + field + "»: конец (" + NumberToText(s.toM) + " м) раньше начала (" +
                        NumberToText(s.fromM) + " м).");
        CheckClass(s.trackClass, field + ", класс пути");
        if (i > 0 && s.fromM < n.stretches[i - 1].toM)
            throw Error("Поле «" + field + "»: участок начинается (" + NumberToText(s.fromM) +
                        " м) раньше конца предыдущего (" + NumberToText(n.stretches[i - 1].toM) + " м).");
    }
    for (std::size_t i = 0; i < n.layers.size(); ++i) {
        const LayerNorm& l = n.layers[i];
        const std::string field = "слой " + IntToText(static_cast<long long>(i + 1));
        if (l.column < 1 || l.column > 65'536)
            throw Error("Поле «" + field + ", колонка»: колонки " + IntToText(l.column) + " нет.");
        for (std::size_t j = 0; j < i; ++j)
            if (n.layers[j].column == l.column)
                throw Error("Поле «" + field + ", колонка»: колонка " + IntToText(l.column) + " уже задана у слоя " +
                            IntToText(static_cast<long long>(j + 1)) + ".");
        CheckName(l.name, field + ", название");
        if (l.normCm)
            CheckRange(*l.normCm, 0, kMaxLayerCm, field + ", норма", "см");
    }
    CheckRange(n.sleeperBaseCm, -kMaxLayerCm, kMaxLayerCm, "глубина подошвы шпалы", "см");
    CheckRange(n.toleranceCm, 0, kMaxLayerCm, "допуск", "см");
    CheckRange(n.minLengthM, 0, kMaxLineM, "наименьшая длина участка", "м");
    CheckRange(n.joinGapM, 0, kMaxLineM, "разрыв, объединяющий участки", "м");
    CheckRange(n.prismWidthM, 0, kMaxPrismWidthM, "ширина призмы", "м");
    if (n.classes.size() > kMaxConditionClasses)
        throw Error("Поле «классы состояния»: больше " + IntToText(kMaxConditionClasses) + " классов.");
    for (std::size_t i = 0; i < n.classes.size(); ++i) {
        const ConditionClass& c = n.classes[i];
        const std::string field = "класс состояния " + IntToText(static_cast<long long>(i + 1));
        CheckName(c.name, field + ", название");
        CheckRange(c.maxSharePercent, 0, 100, field + ", доля ниже нормы", "%");
        if (i > 0 && !(c.maxSharePercent > n.classes[i - 1].maxSharePercent))
            throw Error("Поле «" + field + ", доля ниже нормы»: " + NumberToText(c.maxSharePercent) +
                        " % не больше, чем у предыдущего класса.");
    }
    if (!n.classes.empty() && n.classes.back().maxSharePercent != 100)
        throw Error("Поле «класс состояния " + IntToText(static_cast<long long>(n.classes.size())) +
                    ", доля ниже нормы»: последний класс должен доходить до 100 %.");
}

std::optional<double> BallastNormAt(const DesignNorms& norms, double positionM)
{
    const std::vector<DesignStretch>& s = norms.stretches;
    // The first stretch ending at or after the position; stretches are in order along the line.
    const auto it = std::lower_bound(s.begin(), s.end(), positionM,
                                     [](const DesignStretch& d, double p) { return d.toM < p; });
    if (it == s.end() || it->fromM > positionM)
        return std::nullopt;
    return norms.ballast.at(it->trackClass, it->sleeper);
}

int ConditionOf(const std::vector<ConditionClass>& classes, double sharePercent)
{
    for (std::size_t i = 0; i < classes.size(); ++i)
        if (sharePercent <= classes[i].maxSharePercent)
            return static_cast<int>(i);
    return classes.empty() ? -1 : static_cast<int>(classes.size()) - 1;
}

std::string_view SleeperName(Sleeper sleeper) { return sleeper == Sleeper::Wooden ? "дерево" : "железобетон"; }

std::optional<Sleeper> SleeperByName(std::string_view name)
{
    if (name == "дерево")
        return Sleeper::Wooden;
    if (name == "железобетон")
        return Sleeper::Concrete;
    return std::nullopt;
}

} // namespace trassel

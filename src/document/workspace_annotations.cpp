// The section's annotation steps: taken off a drawing record, drawn back, and to JSON and back.
#include "document/workspace_annotations.h"

#include "base/error.h"
#include "document/workspace_text.h"
#include "drawing/drawing_record.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <map>
#include <tuple>
#include <utility>

namespace trassel {

namespace workspace {

OutJson PenJson(const PenState& pen)
{
    return {{"width", pen.width}, {"color", pen.color}, {"style", static_cast<int>(pen.style)}};
}

OutJson BrushJson(const BrushState& brush)
{
    return {{"color", brush.color}, {"style", static_cast<int>(brush.style)}};
}

OutJson FontJson(const FontState& font)
{
    return {{"name", TextJson(font.name)},
            {"size", font.size},
            {"bold", font.bold},
            {"underline", font.underline},
            {"color", font.color}};
}

PenState ReadPen(const Reader& in, const Json& o, const std::string& at)
{
    PenState pen;
    pen.width = in.integer(o, "width", at);
    pen.color = in.color(o, "color", at);
    pen.style = static_cast<PenStyle>(in.integer(o, "style", at, 0, static_cast<int>(PenStyle::Dashed)));
    return pen;
}

BrushState ReadBrush(const Reader& in, const Json& o, const std::string& at)
{
    BrushState brush;
    brush.color = in.color(o, "color", at);
    brush.style = static_cast<BrushStyle>(in.integer(o, "style", at, 0, static_cast<int>(BrushStyle::DiagCross)));
    return brush;
}

FontState ReadFont(const Reader& in, const Json& o, const std::string& at)
{
    FontState font;
    font.name = in.text(o, "name", at);
    font.size = in.integer(o, "size", at);
    font.bold = in.boolean(o, "bold", at);
    font.underline = in.boolean(o, "underline", at);
    font.color = in.color(o, "color", at);
    return font;
}

namespace {

// Any strict order of the states, for finding a state among those written so far.
struct StateOrder {
    static auto key(const DrawState& s)
    {
        return std::tie(s.pen.width, s.pen.color, s.pen.style, s.brush.color, s.brush.style, s.font.name, s.font.size,
                        s.font.bold, s.font.underline, s.font.color);
    }
    bool operator()(const DrawState& a, const DrawState& b) const { return key(a) < key(b); }
};

} // namespace

OutJson AnnotationsJson(const std::vector<WorkspaceAnnotation>& annotations)
{
    // Each state once, in the order of first use; found by a search, not by a walk through
    // the list, which made saving grow with the square of the steps drawn in many colours.
    std::vector<DrawState> states;
    std::map<DrawState, int, StateOrder> known;
    auto stateOf = [&](const WorkspaceMark& m) {
        const auto [it, added] = known.try_emplace(DrawState{m.pen, m.brush, m.font}, static_cast<int>(states.size()));
        if (added)
            states.push_back(it->first);
        return it->second;
    };
    OutJson steps = OutJson::array();
    for (const WorkspaceAnnotation& a : annotations) {
        OutJson marks = OutJson::array();
        for (const WorkspaceMark& m : a.marks) {
            const char* kind = m.kind == WorkspaceMark::Kind::Line   ? "line"
                               : m.kind == WorkspaceMark::Kind::Text ? "text"
                                                                     : "fillRect";
            OutJson mark{{"kind", kind}, {"state", stateOf(m)}, {"a", {m.a.x, m.a.y}}, {"b", {m.b.x, m.b.y}}};
            if (m.kind == WorkspaceMark::Kind::Text)
                mark["text"] = TextJson(m.text);
            marks.push_back(std::move(mark));
        }
        steps.push_back({{"name", TextJson(a.name)}, {"marks", std::move(marks)}});
    }
    OutJson stateList = OutJson::array();
    for (const DrawState& s : states)
        stateList.push_back({{"pen", PenJson(s.pen)}, {"brush", BrushJson(s.brush)}, {"font", FontJson(s.font)}});
    return {{"states", std::move(stateList)}, {"steps", std::move(steps)}};
}

namespace {

Point ReadPoint(const Reader& in, const Json& o, const char* key, const std::string& at)
{
    const Json& v = in.member(o, key, at);
    const std::string where = Reader::join(at, key);
    if (!v.is_array() || v.size() != 2)
        in.damaged("поле «" + where + "» должно быть парой чисел");
    return {static_cast<int>(in.integer(v[0], where, INT_MIN, INT_MAX)),
            static_cast<int>(in.integer(v[1], where, INT_MIN, INT_MAX))};
}

} // namespace

namespace {

std::vector<DrawState> ReadStates(const Reader& in, const Json& stateList, const std::string& at)
{
    std::vector<DrawState> states;
    for (std::size_t i = 0; i < stateList.size(); ++i) {
        const std::string where = Reader::index(at + ".states", i);
        const Json& s = stateList[i];
        states.push_back({ReadPen(in, in.object(s, "pen", where), where + ".pen"),
                          ReadBrush(in, in.object(s, "brush", where), where + ".brush"),
                          ReadFont(in, in.object(s, "font", where), where + ".font")});
    }
    return states;
}

WorkspaceMark ReadMark(const Reader& in, const Json& mj, const std::string& mat, const std::vector<DrawState>& states)
{
    WorkspaceMark m;
    const std::string kind = in.text(mj, "kind", mat);
    if (kind == "line")
        m.kind = WorkspaceMark::Kind::Line;
    else if (kind == "text")
        m.kind = WorkspaceMark::Kind::Text;
    else if (kind == "fillRect")
        m.kind = WorkspaceMark::Kind::FillRect;
    else
        in.damaged("неизвестный вид пометки «" + kind + "» в «" + mat + "»");
    const int state = in.integer(mj, "state", mat, 0, static_cast<long long>(states.size()) - 1);
    m.pen = states[static_cast<std::size_t>(state)].pen;
    m.brush = states[static_cast<std::size_t>(state)].brush;
    m.font = states[static_cast<std::size_t>(state)].font;
    m.a = ReadPoint(in, mj, "a", mat);
    m.b = ReadPoint(in, mj, "b", mat);
    if (m.kind == WorkspaceMark::Kind::Text)
        m.text = in.text(mj, "text", mat);
    return m;
}

std::string MarkPlace(const std::string& at, std::size_t step, std::size_t mark)
{
    return Reader::index(Reader::index(at + ".steps", step) + ".marks", mark);
}

// An integer member within [lo, hi], as Reader::integer takes it.
bool QuickInteger(const Json& v, long long lo, long long hi, long long& out)
{
    if (v.is_number_unsigned()) {
        const auto u = v.get<std::uint64_t>();
        if (u > static_cast<std::uint64_t>(hi))
            return false;
        out = static_cast<long long>(u);
        return out >= lo;
    }
    if (!v.is_number_integer())
        return false;
    out = v.get<std::int64_t>();
    return out >= lo && out <= hi;
}

bool QuickPoint(const Json& o, const char* key, Point& p)
{
    const auto it = o.find(key);
    if (it == o.end() || !it->is_array() || it->size() != 2)
        return false;
    long long x = 0;
    long long y = 0;
    if (!QuickInteger((*it)[0], INT_MIN, INT_MAX, x) || !QuickInteger((*it)[1], INT_MIN, INT_MAX, y))
        return false;
    p = {static_cast<int>(x), static_cast<int>(y)};
    return true;
}

// The common mark (plain strings, members as written) read without making the texts of the
// messages; false for anything else, which ReadMark then reads or refuses in words.
bool QuickMark(const Json& mj, const std::vector<DrawState>& states, WorkspaceMark& m)
{
    if (!mj.is_object())
        return false;
    const auto kind = mj.find("kind");
    const auto state = mj.find("state");
    if (kind == mj.end() || !kind->is_string() || state == mj.end() || states.empty())
        return false;
    const std::string& k = kind->get_ref<const std::string&>();
    if (k == "line")
        m.kind = WorkspaceMark::Kind::Line;
    else if (k == "text")
        m.kind = WorkspaceMark::Kind::Text;
    else if (k == "fillRect")
        m.kind = WorkspaceMark::Kind::FillRect;
    else
        return false;
    long long index = 0;
    if (!QuickInteger(*state, 0, static_cast<long long>(states.size()) - 1, index) || !QuickPoint(mj, "a", m.a) ||
        !QuickPoint(mj, "b", m.b))
        return false;
    const DrawState& s = states[static_cast<std::size_t>(index)];
    m.pen = s.pen;
    m.brush = s.brush;
    m.font = s.font;
    if (m.kind == WorkspaceMark::Kind::Text) {
        const auto text = mj.find("text");
        if (text == mj.end() || !text->is_string())
            return false;
        m.text = text->get_ref<const std::string&>();
    }
    return true;
}

} // namespace

const std::vector<std::string>& MarkTaker::place() const
{
    static const std::vector<std::string> kPlace = {"extras", "annotations", "steps", "[]", "marks", "[]"};
    return kPlace;
}

std::optional<std::size_t> MarkTaker::take(const Json& object, const std::vector<const Json*>& containers,
                                           const std::vector<std::size_t>& elements)
{
    if (stopped_)
        return std::nullopt;
    try {
        if (!statesRead_) {
            // The states are written before the steps; a file that has them after is read as JSON.
            const Json& annotations = *containers[2];
            if (!annotations.contains("states")) {
                stopped_ = true;
                return std::nullopt;
            }
            states_ = ReadStates(in_, in_.array(annotations, "states", kAt), kAt);
            statesRead_ = true;
        }
        const std::size_t step = elements[0];
        const std::size_t k = elements[1];
        std::size_t kept = sizeof(WorkspaceMark);
        if (counts_.size() <= step) {
            kept += (step + 1 - counts_.size()) * sizeof(std::size_t);
            counts_.resize(step + 1, 0);
        }
        // Marks are taken in the order of the file, from the first of each step on.
        if (counts_[step] != k) {
            stopped_ = true;
            return std::nullopt;
        }
        WorkspaceMark m;
        if (!QuickMark(object, states_, m))
            m = ReadMark(in_, object, MarkPlace(kAt, step, k), states_);
        kept += (m.text.size() > 15 ? m.text.capacity() + 1 : 0) +
                (m.font.name.size() > 15 ? m.font.name.capacity() + 1 : 0);
        marks_.push_back(std::move(m));
        ++counts_[step];
        return kept;
    } catch (const Error&) {
        // Told by ReadAnnotations where the file says it.
        stopped_ = true;
        return std::nullopt;
    }
}

std::vector<WorkspaceMark> MarkTaker::takenOf(std::size_t step)
{
    // The steps are handed over in order: a step's marks are the first of those still held,
    // each given up as it is moved.
    const std::size_t n = step < counts_.size() ? std::exchange(counts_[step], 0) : 0;
    std::vector<WorkspaceMark> out;
    out.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        out.push_back(std::move(marks_.front()));
        marks_.pop_front();
    }
    return out;
}

void MarkTaker::forget()
{
    states_.clear();
    statesRead_ = false;
    stopped_ = false;
    marks_.clear();
    counts_.clear();
}

std::vector<WorkspaceAnnotation> ReadAnnotations(const Reader& in, const Json& o, const std::string& at,
                                                 MarkTaker* taken)
{
    const std::vector<DrawState> states = ReadStates(in, in.array(o, "states", at), at);
    std::vector<WorkspaceAnnotation> out;
    const Json& steps = in.array(o, "steps", at);
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const std::string where = Reader::index(at + ".steps", i);
        WorkspaceAnnotation a;
        a.name = in.text(steps[i], "name", where);
        const Json& marks = in.array(steps[i], "marks", where);
        // The marks taken during the parse come first; the rest are read here.
        if (taken != nullptr)
            a.marks = taken->takenOf(i);
        std::size_t k = a.marks.size();
        for (; k < marks.size(); ++k)
            a.marks.push_back(ReadMark(in, marks[k], Reader::index(where + ".marks", k), states));
        out.push_back(std::move(a));
    }
    return out;
}

} // namespace workspace

std::vector<WorkspaceAnnotation> AnnotationsOf(const DrawingRecord& record)
{
    std::vector<WorkspaceAnnotation> out;
    std::map<std::uint32_t, std::size_t> byGroup; // group -> index in `out`, in order of first appearance
    for (const DrawOp& op : record.ops()) {
        if (op.group == 0 || record.groupHidden(op.group))
            continue;
        WorkspaceMark mark;
        switch (op.kind) {
        case DrawOpKind::Line: mark.kind = WorkspaceMark::Kind::Line; break;
        case DrawOpKind::Text:
            mark.kind = WorkspaceMark::Kind::Text;
            mark.text = std::string(record.text(op));
            break;
        case DrawOpKind::FillRect: mark.kind = WorkspaceMark::Kind::FillRect; break;
        default: continue; // the annotation tools make no other operation
        }
        const DrawState& state = record.state(op);
        mark.pen = state.pen;
        mark.brush = state.brush;
        mark.font = state.font;
        mark.a = op.a;
        mark.b = op.b;
        const auto [it, added] = byGroup.emplace(op.group, out.size());
        if (added)
            out.emplace_back();
        out[it->second].marks.push_back(std::move(mark));
    }
    // The step's name is kept by the history, not by the record: it is told by the marks' look.
    for (WorkspaceAnnotation& a : out) {
        const auto has = [&](auto&& pred) { return std::any_of(a.marks.begin(), a.marks.end(), pred); };
        if (has([](const WorkspaceMark& m) { return m.kind == WorkspaceMark::Kind::Text; }))
            a.name = "Подпись грунта";
        else if (has([](const WorkspaceMark& m) {
                     return m.kind == WorkspaceMark::Kind::FillRect && m.brush.color == kWhite;
                 }))
            a.name = "Ластик";
        else
            a.name = "Карандаш";
    }
    return out;
}

void DrawAnnotations(const std::vector<WorkspaceAnnotation>& annotations, RecordingCanvas& canvas,
                     std::uint32_t firstGroup)
{
    // The canvas's own state (the soil font above all) is put back afterwards.
    const PenState pen = canvas.pen();
    const BrushState brush = canvas.brush();
    const FontState font = canvas.font();
    const Point pos = canvas.penPos();
    auto setState = [&](const PenState& p, const BrushState& b, const FontState& f) {
        canvas.setPenWidth(p.width);
        canvas.setPenColor(p.color);
        canvas.setPenStyle(p.style);
        // A colour turns the no-fill brush solid, so the style goes second.
        canvas.setBrushColor(b.color);
        canvas.setBrushStyle(b.style);
        canvas.setBrushHatch(b.hatch);
        canvas.setFont(f);
    };
    for (std::size_t i = 0; i < annotations.size(); ++i) {
        canvas.setGroup(firstGroup + static_cast<std::uint32_t>(i));
        for (const WorkspaceMark& m : annotations[i].marks) {
            setState(m.pen, m.brush, m.font);
            switch (m.kind) {
            case WorkspaceMark::Kind::Line:
                canvas.moveTo(m.a.x, m.a.y);
                canvas.lineTo(m.b.x, m.b.y);
                break;
            case WorkspaceMark::Kind::Text: canvas.textOut(m.a.x, m.a.y, m.text); break;
            case WorkspaceMark::Kind::FillRect: canvas.fillRect(m.a.x, m.a.y, m.b.x, m.b.y); break;
            }
        }
    }
    canvas.setGroup(0);
    setState(pen, brush, font);
    canvas.moveTo(pos.x, pos.y);
}

} // namespace trassel

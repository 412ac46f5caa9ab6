// The section's annotation steps: taken off a drawing record, drawn back, and to JSON and back.
#include "document/workspace_annotations.h"

#include "base/error.h"
#include "document/workspace_text.h"
#include "drawing/drawing_record.h"

#include <algorithm>
#include <climits>
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
            const char* kind = m.kind == WorkspaceMark::Kind::Line ? "line"
                               : m.kind == WorkspaceMark::Kind::Text ? "text"
                                                                     : "fillRect";
            OutJson mark{{"kind", kind},
                         {"state", stateOf(m)},
                         {"a", {m.a.x, m.a.y}},
                         {"b", {m.b.x, m.b.y}}};
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
        if (marks_.size() <= step)
            marks_.resize(step + 1);
        // Marks are taken in the order of the file, from the first of each step on.
        if (marks_[step].size() != k) {
            stopped_ = true;
            return std::nullopt;
        }
        marks_[step].push_back(ReadMark(in_, object, MarkPlace(kAt, step, k), states_));
        const WorkspaceMark& m = marks_[step].back();
        return sizeof(WorkspaceMark) + (m.text.size() > 15 ? m.text.capacity() + 1 : 0) +
               (m.font.name.size() > 15 ? m.font.name.capacity() + 1 : 0);
    } catch (const Error&) {
        // Told by ReadAnnotations where the file says it.
        stopped_ = true;
        return std::nullopt;
    }
}

std::vector<WorkspaceMark> MarkTaker::takenOf(std::size_t step)
{
    return step < marks_.size() ? std::move(marks_[step]) : std::vector<WorkspaceMark>{};
}

void MarkTaker::forget()
{
    states_.clear();
    statesRead_ = false;
    stopped_ = false;
    marks_.clear();
}

std::vector<WorkspaceAnnotation> ReadAnnotations(const Reader& in, const Json& o, const std::string& at, MarkTaker* taken)
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
    std::map<std::uint32_t, std::size_t> byGroup;  // group -> index in `out`, in order of first appearance
    for (const DrawOp& op : record.ops()) {
        if (op.group == 0 || record.groupHidden(op.group))
            continue;
        WorkspaceMark mark;
        switch (op.kind) {
        case DrawOpKind::Line:
            mark.kind = WorkspaceMark::Kind::Line;
            break;
        case DrawOpKind::Text:
            mark.kind = WorkspaceMark::Kind::Text;
            mark.text = std::string(record.text(op));
            break;
        case DrawOpKind::FillRect:
            mark.kind = WorkspaceMark::Kind::FillRect;
            break;
        default:
            continue;  // the annotation tools make no other operation
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

void DrawAnnotations(const std::vector<WorkspaceAnnotation>& annotations, RecordingCanvas& canvas, std::uint32_t firstGroup)
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
            case WorkspaceMark::Kind::Text:
                canvas.textOut(m.a.x, m.a.y, m.text);
                break;
            case WorkspaceMark::Kind::FillRect:
                canvas.fillRect(m.a.x, m.a.y, m.b.x, m.b.y);
                break;
            }
        }
    }
    canvas.setGroup(0);
    setState(pen, brush, font);
    canvas.moveTo(pos.x, pos.y);
}

} // namespace trassel

#include "document/survey_document.h"

#include "base/error.h"
#include "base/cp1251.h"
#include "table/delimiters.h"

#include "document/document_state.h"

#include <gtest/gtest.h>

#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace trassel {
namespace {

using Style = SurveyDocument::Style;

// The window's undo stack in miniature: a new edit drops the undone ones and may be absorbed
// by the edit just below it.
class History : public EditSink {
public:
    void push(std::unique_ptr<Edit> applied) override
    {
        ++pushes_;
        edits_.resize(index_);
        if (index_ > 0 && applied->mergeKey() >= 0 && applied->mergeKey() == edits_[index_ - 1]->mergeKey() &&
            edits_[index_ - 1]->mergeWith(*applied))
            return;
        edits_.push_back(std::move(applied));
        ++index_;
    }
    std::size_t index() const { return index_; }
    bool canUndo() const { return index_ > 0; }
    bool canRedo() const { return index_ < edits_.size(); }
    const Edit& next() const { return *edits_[index_]; }
    const Edit& previous() const { return *edits_[index_ - 1]; }
    void undo(SurveyDocument& doc) { edits_[--index_]->revert(doc); }
    void redo(SurveyDocument& doc) { edits_[index_++]->apply(doc); }
    // How many edits were handed over since the last call.
    int takePushes()
    {
        const int n = pushes_;
        pushes_ = 0;
        return n;
    }
    std::size_t totalBytes() const
    {
        std::size_t n = 0;
        for (const auto& e : edits_)
            n += e->bytes();
        return n;
    }
    std::size_t size() const { return edits_.size(); }

private:
    std::vector<std::unique_ptr<Edit>> edits_;
    std::size_t index_ = 0;
    int pushes_ = 0;
};

// The header-row count is a setting, not an undoable step, yet it moves the depth table's
// fixed rows. This history keeps it as a step of its own, so that every state the sequence
// passes through can be reached again and each document edit is checked against exact states.
class HeaderRowsStep : public Edit {
public:
    HeaderRowsStep(int countBefore, int fixedBefore, int countAfter, int fixedAfter)
        : Edit("Количество заголовочных строк"), countBefore_(countBefore), fixedBefore_(fixedBefore),
          countAfter_(countAfter), fixedAfter_(fixedAfter)
    {
    }
    void apply(SurveyDocument& doc) override { put(doc, countAfter_, fixedAfter_); }
    void revert(SurveyDocument& doc) override { put(doc, countBefore_, fixedBefore_); }
    std::size_t bytes() const override { return sizeof(*this); }

private:
    static void put(SurveyDocument& doc, int count, int fixed)
    {
        try {
            doc.setHeaderRowCount(count);
        } catch (const Error&) {
            // refused as it was the first time; the fixed rows are put back below
        }
        doc.depthTable().restoreFixed(fixed, doc.depthTable().fixedCols());
    }

    int countBefore_;
    int fixedBefore_;
    int countAfter_;
    int fixedAfter_;
};

// The layers as the user sees them: records by slot, entries in list order, the colour to come
// and the drawing order of the layer series. Selection is left out: it is not an edit.
std::string DescribeLayers(SurveyDocument& doc)
{
    LayerManager& layers = doc.layers();
    std::string out = "colours " + std::to_string(layers.colorState()) + "\n";
    for (int slot = 0; slot < layers.LayerCount(); ++slot) {
        const TLayer& l = layers.Layers(slot);
        out += "slot " + std::to_string(slot) + ": item " + std::to_string(l.Item) + " picket " +
               std::to_string(l.PicketColumn) + " depth " + std::to_string(l.DepthColumn) + " width " +
               std::to_string(l.LineWidth) + " line " + std::to_string(l.LineColor) + " brush " +
               std::to_string(l.BrushColor) + "/" + std::to_string(l.BrushStyle) + " point " +
               std::to_string(l.PointColor) + " series " +
               (doc.chart().exists(l.Series) ? doc.chart().series(l.Series).name() : "(none)") + "\n";
    }
    for (int i = 0; i < layers.entryCount(); ++i) {
        const LayerEntry& e = layers.entryAt(i);
        out += "entry " + std::to_string(e.id) + " " + e.caption + (e.checked ? " on" : " off") + "\n";
    }
    out += "drawn:";
    for (const SeriesId id : doc.chart().attached())
        for (int slot = 0; slot < layers.LayerCount(); ++slot)
            if (layers.Layers(slot).Series == id)
                out += " " + std::to_string(layers.Layers(slot).Item);
    return out;
}

struct DocState {
    TableState table;
    std::string layers;
    DesignNorms norms;
    ProjectForm form;
    std::vector<KnownDepth> known;
};

DocState Capture(SurveyDocument& doc)
{
    return {CaptureTable(doc), DescribeLayers(doc), doc.norms(), doc.projectForm(), doc.knownDepths()};
}

std::string Difference(const DocState& want, const DocState& got)
{
    std::string d = Difference(want.table, got.table);
    if (d.empty() && want.layers != got.layers)
        d = "layers:\nwant\n" + want.layers + "\ngot\n" + got.layers;
    if (d.empty() && !(want.norms == got.norms))
        d = "design norms differ";
    if (d.empty() && !(want.form == got.form))
        d = "title block differs: want \"" + want.form.organisation + "\", got \"" + got.form.organisation + "\"";
    if (d.empty() && !(want.known == got.known))
        d = "known depths differ: want " + std::to_string(want.known.size()) + ", got " +
            std::to_string(got.known.size());
    return d;
}

// Random steps of every kind on a small table, driven by one seed.
class Session {
public:
    explicit Session(unsigned seed) : rng_(seed)
    {
        Grid& t = doc_.depthTable();
        t.setColCount(12);
        t.setRowCount(15);
        NumberGridHeaders(t);
        t.setCell(1, 1, "км");
        t.setCell(2, 1, "м");
        t.setCell(3, 1, "Глубина");
        for (int r = 2; r < t.rowCount(); ++r) {
            t.setCell(1, r, std::to_string(pick(0, 30)));
            t.setCell(2, r, std::to_string(pick(0, 1500)) + (pick(0, 1) ? ".5" : ""));
            t.setCell(3, r, std::to_string(pick(50, 400)));
            for (int c = 4; c < t.colCount(); ++c)
                t.setCell(c, r, text());
        }
        doc_.setRange(3, 9);
        doc_.setEditSink(&history_);
        states_.push_back(Capture(doc_));
    }

    SurveyDocument& doc() { return doc_; }
    History& history() { return history_; }
    const DocState& original() const { return states_.front(); }

    // One random step; false (with a message in `failure`) when the document broke a rule.
    bool step(std::string& failure)
    {
        const int kind = pick(0, 99);
        if (kind < 8 && history_.canUndo()) {
            const std::string name = history_.previous().text();
            history_.undo(doc_);
            return expect(states_[history_.index()], "undo of \"" + name + "\"", failure);
        }
        if (kind < 12 && history_.canRedo()) {
            const std::string name = history_.next().text();
            history_.redo(doc_);
            return expect(states_[history_.index()], "redo of \"" + name + "\"", failure);
        }
        const std::string what = command();
        const int pushes = history_.takePushes();
        if (pushes > 1) {
            failure = what + " handed over " + std::to_string(pushes) + " edits";
            return false;
        }
        if (pushes == 0) // nothing recorded: nothing may have changed
            return expect(states_[history_.index()], what + " without an edit", failure);
        // A new step, or the newest one grown by a merge: either way the state at the new index.
        states_.resize(history_.index() + 1);
        states_.back() = Capture(doc_);
        return true;
    }

    // Undoes or redoes every step left, checking each state on the way.
    bool undoAll(std::string& failure)
    {
        while (history_.canUndo()) {
            const std::string name = history_.previous().text();
            history_.undo(doc_);
            if (!expect(states_[history_.index()], "undo of \"" + name + "\"", failure))
                return false;
        }
        return true;
    }
    bool redoAll(std::string& failure)
    {
        while (history_.canRedo()) {
            const std::string name = history_.next().text();
            history_.redo(doc_);
            if (!expect(states_[history_.index()], "redo of \"" + name + "\"", failure))
                return false;
        }
        return true;
    }

private:
    int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }

    std::string text()
    {
        static const char* const pool[] = {"",    "",    "",     "0",       "7",       "12.5", " 3 ",
                                           "-4",  "км",  "м",    "Глубина", "ПК12+50", "ёЁ",   "x",
                                           "a b", "1e2", "12,5", "€",       "щебень",  "99"};
        return pool[pick(0, static_cast<int>(std::size(pool)) - 1)];
    }

    // Lines of fields; `delimiter` between fields, CR LF between lines, sometimes after the last.
    std::string block(char delimiter)
    {
        std::string out;
        const int lines = pick(1, 4);
        for (int i = 0; i < lines; ++i) {
            if (i > 0)
                out += "\r\n";
            const int fields = pick(1, 4);
            for (int j = 0; j < fields; ++j) {
                if (j > 0)
                    out += delimiter;
                out += text();
            }
        }
        if (pick(0, 1))
            out += "\r\n";
        return out;
    }

    void selectSomewhere()
    {
        const Grid& t = doc_.depthTable();
        if (pick(0, 4) > 0) // sometimes the selection is left where it was, maybe past the table now
            doc_.select(pick(0, std::max(t.colCount() - 1, 0)), pick(0, std::max(t.rowCount() - 1, 0)));
    }

    void selectLayer()
    {
        LayerManager& layers = doc_.layers();
        if (layers.entryCount() > 0 && pick(0, 3) > 0)
            layers.select(layers.entryAt(pick(0, layers.entryCount() - 1)).id);
        else
            layers.clearSelection();
    }

    CellRect someRect()
    {
        const Grid& t = doc_.depthTable();
        const int left = pick(0, t.colCount());
        const int top = pick(0, t.rowCount());
        return {left, top, left + pick(-1, 3), top + pick(-1, 3)};
    }

    // Runs one command; returns its description for messages.
    std::string command()
    {
        Grid& t = doc_.depthTable();
        // Commands come in runs, as users work: keys on the diagram one after another, a spin
        // edit stepped several times. Runs are where merging can go wrong.
        const int kind = lastKind_ >= 0 && pick(0, 1) == 0 ? lastKind_ : pick(0, 99);
        lastKind_ = kind;
        try {
            if (kind < 16) {
                const int c = pick(0, t.colCount());
                const int r = pick(0, t.rowCount());
                doc_.writeCell(TableId::Depth, c, r, text());
                return "writeCell(" + std::to_string(c) + ", " + std::to_string(r) + ")";
            }
            if (kind < 22) {
                doc_.clearCells(TableId::Depth, someRect());
                return "clearCells";
            }
            if (kind < 27) {
                doc_.pasteTable(pick(0, 9) == 0 ? std::string() : block('\t'));
                return "pasteTable";
            }
            if (kind < 33) {
                const int c = pick(0, t.colCount() - 1);
                const int r = pick(0, t.rowCount() - 1);
                doc_.pasteCellsAt(TableId::Depth, c, r, block('\t'));
                return "pasteCellsAt(" + std::to_string(c) + ", " + std::to_string(r) + ")";
            }
            if (kind < 35) {
                doc_.clearTable();
                return "clearTable";
            }
            if (kind < 40) {
                selectSomewhere();
                doc_.insertRow();
                return "insertRow at " + std::to_string(doc_.selRow());
            }
            if (kind < 45) {
                selectSomewhere();
                if (t.rowCount() > 4)
                    doc_.deleteRow();
                return "deleteRow at " + std::to_string(doc_.selRow());
            }
            if (kind < 49) {
                selectSomewhere();
                if (t.colCount() < 20)
                    doc_.insertColumn();
                return "insertColumn at " + std::to_string(doc_.selCol());
            }
            if (kind < 53) {
                selectSomewhere();
                if (t.colCount() > 3)
                    doc_.deleteColumn();
                return "deleteColumn at " + std::to_string(doc_.selCol());
            }
            if (kind < 57) {
                const int from = pick(0, t.rowCount() - 1);
                const int to = pick(0, t.rowCount() - 1);
                doc_.moveRow(TableId::Depth, from, to);
                return "moveRow(" + std::to_string(from) + ", " + std::to_string(to) + ")";
            }
            if (kind < 61) {
                const int from = pick(0, t.colCount() - 1);
                const int to = pick(0, t.colCount() - 1);
                doc_.moveColumn(TableId::Depth, from, to);
                return "moveColumn(" + std::to_string(from) + ", " + std::to_string(to) + ")";
            }
            if (kind < 64) {
                doc_.recalcPickets();
                return "recalcPickets";
            }
            if (kind < 67) {
                const int item = pick(-1, kDelimiterCount - 1);
                doc_.setDelimiter(item, item < 0 ? "typed" : DelimiterName(item));
                const std::string file = pick(0, 7) == 0 ? std::string() : EncodeCp1251(block(doc_.delimiter()));
                Import(doc_, file);
                return "importTable";
            }
            if (kind < 70) {
                const int before = doc_.settings().headerRowCount;
                const int fixedBefore = t.fixedRows();
                const int count = pick(0, 10);
                try {
                    doc_.setHeaderRowCount(count);
                } catch (const Error&) {
                    // refused by the grid: the fixed rows stay
                }
                if (before != count || fixedBefore != t.fixedRows())
                    history_.push(std::make_unique<HeaderRowsStep>(before, fixedBefore, count, t.fixedRows()));
                return "setHeaderRowCount(" + std::to_string(count) + ")";
            }
            if (kind < 80) {
                static const DiagramKey keys[] = {DiagramKey::Up,   DiagramKey::Up,     DiagramKey::Down,
                                                  DiagramKey::Down, DiagramKey::Delete, DiagramKey::Left,
                                                  DiagramKey::Right};
                selectLayer();
                if (pick(0, 7) == 0) {
                    doc_.setDepthAt(pick(doc_.firstDataRow() - 1, doc_.lastDataRow() + 1), pick(0, 3000) / 10.0);
                    return "setDepthAt";
                }
                doc_.chartKeyDown(keys[pick(0, 6)]);
                return "chartKeyDown";
            }
            if (kind < 83) {
                if (doc_.layers().LayerCount() < 6) {
                    selectSomewhere();
                    doc_.addLayer();
                }
                return "addLayer";
            }
            if (kind < 86) {
                selectLayer();
                doc_.deleteSelectedLayer();
                return "deleteSelectedLayer";
            }
            if (kind < 89) {
                LayerManager& layers = doc_.layers();
                if (layers.entryCount() > 0) {
                    const EntryId id = layers.entryAt(pick(0, layers.entryCount() - 1)).id;
                    doc_.setLayerChecked(id, !layers.isChecked(id));
                }
                return "setLayerChecked";
            }
            if (kind < 91) {
                // The project's own data beside the table: norms, the title block, known depths.
                switch (pick(0, 2)) {
                case 0: {
                    DesignNorms norms = doc_.norms();
                    norms.toleranceCm = pick(0, 50) / 10.0;
                    norms.layers = {{.column = pick(2, 5), .name = {}, .normCm = static_cast<double>(pick(10, 60))}};
                    doc_.setNorms(norms);
                    return "setNorms";
                }
                case 1: {
                    ProjectForm form = doc_.projectForm();
                    form.organisation = "Организация " + std::to_string(pick(0, 99));
                    form.deviationPlot = pick(0, 1) == 1;
                    doc_.setProjectForm(form);
                    return "setProjectForm";
                }
                default: {
                    std::vector<KnownDepth> known;
                    for (int i = pick(0, 3); i > 0; --i)
                        known.push_back({static_cast<double>(pick(0, 20)), pick(2, 5),
                                         static_cast<double>(pick(10, 200)), "скважина"});
                    doc_.setKnownDepths(known);
                    return "setKnownDepths";
                }
                }
            }
            if (kind < 95) {
                // Mostly the same style again, as a spin edit stepped several times.
                if (pick(0, 2) == 0)
                    selectLayer();
                if (pick(0, 2) == 0)
                    style_ = static_cast<Style>(pick(0, 4));
                const std::uint32_t value = style_ == Style::BrushStyle ? static_cast<std::uint32_t>(pick(0, 7))
                                            : style_ == Style::LineWidth
                                                ? static_cast<std::uint32_t>(pick(1, 100))
                                                : static_cast<std::uint32_t>(pick(0, 0xFFFFFF));
                doc_.setSelectedLayerStyle(style_, value);
                return "setSelectedLayerStyle";
            }
            doc_.buildChart();
            return "buildChart";
        } catch (const Error& e) {
            return std::string("command failing with \"") + e.what() + "\"";
        }
    }

    bool expect(const DocState& want, const std::string& what, std::string& failure)
    {
        const std::string d = Difference(want, Capture(doc_));
        if (d.empty())
            return true;
        failure = what + ": " + d;
        return false;
    }

    std::mt19937 rng_;
    SurveyDocument doc_;
    History history_;
    std::vector<DocState> states_; // states_[i]: the document with i edits of the history applied
    Style style_ = Style::LineWidth;
    int lastKind_ = -1;
};

TEST(EditHistory, RandomSequencesRevertToTheOriginalAndReapplyToTheEditedStateExactly)
{
    for (unsigned seed = 1; seed <= 8; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        Session s(seed);
        std::string failure;
        bool ok = true;
        for (int i = 0; i < 300 && ok; ++i) {
            ok = s.step(failure);
            if (!ok)
                failure = "step " + std::to_string(i) + ", " + failure;
        }
        ASSERT_TRUE(ok) << failure;
        ASSERT_TRUE(s.redoAll(failure)) << failure;
        const DocState edited = Capture(s.doc());
        ASSERT_GT(s.history().size(), 50u);

        ASSERT_TRUE(s.undoAll(failure)) << failure;
        const DocState back = Capture(s.doc());
        EXPECT_EQ(Difference(s.original(), back), "");
        EXPECT_EQ(back.table.exportText, s.original().table.exportText);
        ASSERT_TRUE(s.redoAll(failure)) << failure;
        EXPECT_EQ(Difference(edited, Capture(s.doc())), "");
    }
}

TEST(EditHistory, EditsOfSingleCellsStaySmallOnALargeTable)
{
    SurveyDocument doc;
    std::string file = "км\tм\tглубина\r\n";
    for (int i = 1; i < 100000; ++i)
        file += std::to_string(i / 10) + "." + std::to_string(i % 10) + "\t" + std::to_string(i % 1000) + "\t" +
                std::to_string(100 + i % 50) + "\r\n";
    ASSERT_TRUE(Import(doc, EncodeCp1251(file)));
    ASSERT_EQ(doc.depthTable().rowCount(), 100001);
    doc.setLastDataRow(60); // keeps each rebuild of the diagram short
    doc.select(3, 2);
    doc.addLayer();
    doc.layers().select(doc.layers().Layers(0).Item);

    History history;
    doc.setEditSink(&history);
    auto lastBytes = [&] { return history.size() > 0 ? history.previous().bytes() : 0; };
    const std::size_t kKilobyte = 1024;

    doc.writeCell(TableId::Depth, 2, 50000, "x");
    ASSERT_EQ(history.size(), 1u);
    EXPECT_LT(lastBytes(), kKilobyte) << "writeCell";
    doc.clearCells(TableId::Depth, {3, 70000, 3, 70000});
    ASSERT_EQ(history.size(), 2u);
    EXPECT_LT(lastBytes(), kKilobyte) << "clearCells";
    doc.pasteTable("a\tb");
    ASSERT_EQ(history.size(), 3u);
    EXPECT_LT(lastBytes(), kKilobyte) << "pasteTable";
    doc.setLastDataRow(60); // the paste set it to the last row
    doc.pasteCellsAt(TableId::Depth, 2, 99999, "p\tq\r\nr\ts");
    ASSERT_EQ(history.size(), 4u);
    EXPECT_LT(lastBytes(), kKilobyte) << "pasteCellsAt";
    doc.chartKeyDown(DiagramKey::Up);
    ASSERT_EQ(history.size(), 5u);
    EXPECT_LT(lastBytes(), kKilobyte) << "chartKeyDown";
    doc.moveRow(TableId::Depth, 10, 90000);
    ASSERT_EQ(history.size(), 6u);
    EXPECT_LT(lastBytes(), kKilobyte) << "moveRow";
    doc.select(1, 40000);
    doc.insertRow();
    ASSERT_EQ(history.size(), 7u);
    EXPECT_LT(lastBytes(), kKilobyte) << "insertRow";
    doc.deleteRow();
    ASSERT_EQ(history.size(), 8u);
    EXPECT_LT(lastBytes(), kKilobyte) << "deleteRow";

    // A thousand more single-cell steps, half typed into separate cells, half corrections of
    // one cell that merge into one step.
    for (int i = 0; i < 500; ++i) {
        doc.writeCell(TableId::Depth, 1 + i % 3, 1000 + i * 37, "v" + std::to_string(i));
        doc.chartKeyDown(DiagramKey::Right);
        doc.chartKeyDown(DiagramKey::Left);
    }
    for (int i = 0; i < 500; ++i)
        doc.chartKeyDown(i % 2 == 0 ? DiagramKey::Up : DiagramKey::Down);
    EXPECT_EQ(history.size(), 8u + 500u + 1u);
    EXPECT_LT(history.totalBytes(), std::size_t{1} << 20);
}

} // namespace
} // namespace trassel

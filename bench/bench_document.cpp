// The survey document's commands and their undo at survey scale: a million-row depth table.
//
// The reference table (1,000,000 rows x 12 numeric fields, about 66 MB, see reference_table.h)
// is imported once into one document that the benchmarks share; every benchmark leaves the
// table as it found it, by reverting the edits it made outside the measured time. Each
// benchmark times one thing only (manual time), so a command and its undo are separate
// benchmarks: the user waits for each of them on its own.
//
// Counters: edit_MB is what the command's history step holds; history_bytes is the sum of
// Edit::bytes() over the steps of a series of single-cell corrections, as the undo stack of
// the window would keep them.
#include "document/survey_document.h"
#include "table/grid.h"

#include "reference_table.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

using namespace trassel;

namespace {

// The selection of the row commands: the middle of the table, so that half the rows move.
constexpr int kMiddleRow = 500'000;

// Keeps the edits the document hands over and merges them the way the window's undo stack
// does, so that the history the benchmarks measure is the one the user would have.
class History : public EditSink {
public:
    void push(std::unique_ptr<Edit> applied) override
    {
        if (!edits_.empty()) {
            Edit& top = *edits_.back();
            if (top.mergeKey() >= 0 && top.mergeKey() == applied->mergeKey() && top.mergeWith(*applied))
                return;
        }
        edits_.push_back(std::move(applied));
    }

    // The newest step, taken off the history (null when the command made none).
    std::unique_ptr<Edit> take()
    {
        if (edits_.empty())
            return nullptr;
        std::unique_ptr<Edit> edit = std::move(edits_.back());
        edits_.pop_back();
        return edit;
    }

    std::size_t size() const { return edits_.size(); }
    const std::vector<std::unique_ptr<Edit>>& edits() const { return edits_; }
    void clear() { edits_.clear(); }

private:
    std::vector<std::unique_ptr<Edit>> edits_;
};

const std::string& referenceText()
{
    static const std::string text = bench::ReferenceTableText();
    return text;
}

// importTable takes the file's bytes over, so every import gets its own copy.
std::unique_ptr<char[]> copyOfReference()
{
    const std::string& text = referenceText();
    auto bytes = std::make_unique_for_overwrite<char[]>(text.size());
    std::memcpy(bytes.get(), text.data(), text.size());
    return bytes;
}

struct LoadedDocument {
    SurveyDocument doc;
    History history;
    // Cells to tell that the table came back as it was.
    std::string firstCell;
    std::string middleCell;

    LoadedDocument()
    {
        doc.setEditSink(&history);
        doc.importTable(copyOfReference(), referenceText().size());
        history.clear(); // the import's step holds only the empty table it replaced
        firstCell = doc.depthTable().cell(1, 1);
        middleCell = doc.depthTable().cell(5, kMiddleRow);
    }

    // False (and the benchmark is skipped) when a revert did not bring the table back.
    bool intact(benchmark::State& state) const
    {
        const Grid& grid = doc.depthTable();
        if (grid.rowCount() != 1'000'001 || grid.colCount() != 13 || grid.cell(1, 1) != firstCell ||
            grid.cell(5, kMiddleRow) != middleCell || !history.edits().empty()) {
            state.SkipWithError("the table did not come back as it was");
            return false;
        }
        return true;
    }
};

LoadedDocument& loaded()
{
    static LoadedDocument d;
    return d;
}

template <class F>
double secondsOf(F&& f)
{
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The step the command just made; a command that made none measured nothing.
std::unique_ptr<Edit> takeStep(benchmark::State& state, History& history)
{
    std::unique_ptr<Edit> edit = history.take();
    if (edit == nullptr)
        state.SkipWithError("the command made no history step");
    return edit;
}

// Times `command`; its step is reverted after each run, outside the measured time. Returns
// the bytes the last step held.
template <class Command>
double timeCommand(benchmark::State& state, LoadedDocument& d, Command&& command)
{
    double editBytes = 0;
    for (auto _ : state) {
        state.SetIterationTime(secondsOf(command));
        benchmark::DoNotOptimize(d.doc.depthTable().cellView(2, kMiddleRow).data());
        const auto edit = takeStep(state, d.history);
        if (edit == nullptr)
            break;
        editBytes = static_cast<double>(edit->bytes());
        edit->revert(d.doc);
    }
    return editBytes;
}

// Times the undo of the step `command` makes.
template <class Command>
void timeUndo(benchmark::State& state, LoadedDocument& d, Command&& command)
{
    for (auto _ : state) {
        command();
        const auto edit = takeStep(state, d.history);
        if (edit == nullptr)
            break;
        state.SetIterationTime(secondsOf([&] { edit->revert(d.doc); }));
        benchmark::DoNotOptimize(d.doc.depthTable().cellView(2, kMiddleRow).data());
    }
}

// ---- rows ----

void BM_InsertRow(benchmark::State& state)
{
    LoadedDocument& d = loaded();
    d.doc.select(3, kMiddleRow);
    timeCommand(state, d, [&] { d.doc.insertRow(); });
    d.intact(state);
}
BENCHMARK(BM_InsertRow)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(20);

void BM_UndoInsertRow(benchmark::State& state)
{
    LoadedDocument& d = loaded();
    d.doc.select(3, kMiddleRow);
    timeUndo(state, d, [&] { d.doc.insertRow(); });
    d.intact(state);
}
BENCHMARK(BM_UndoInsertRow)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(20);

void BM_DeleteRow(benchmark::State& state)
{
    LoadedDocument& d = loaded();
    d.doc.select(3, kMiddleRow);
    state.counters["edit_bytes"] = timeCommand(state, d, [&] { d.doc.deleteRow(); });
    d.intact(state);
}
BENCHMARK(BM_DeleteRow)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(20);

void BM_UndoDeleteRow(benchmark::State& state)
{
    LoadedDocument& d = loaded();
    d.doc.select(3, kMiddleRow);
    timeUndo(state, d, [&] { d.doc.deleteRow(); });
    d.intact(state);
}
BENCHMARK(BM_UndoDeleteRow)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(20);

// ---- "Пересчет в ПК" ----

// Every run needs the kilometres and metres back, so the step is reverted after each one.
void BM_RecalcPickets(benchmark::State& state)
{
    LoadedDocument& d = loaded();
    state.counters["edit_MB"] = timeCommand(state, d, [&] { d.doc.recalcPickets(); }) / 1e6;
    d.intact(state);
}
BENCHMARK(BM_RecalcPickets)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

void BM_UndoRecalcPickets(benchmark::State& state)
{
    LoadedDocument& d = loaded();
    timeUndo(state, d, [&] { d.doc.recalcPickets(); });
    d.intact(state);
}
BENCHMARK(BM_UndoRecalcPickets)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

// ---- "Импорт таблицы" ----

// For information: the import into a loaded document, the file's bytes already in memory.
void BM_ImportOverTable(benchmark::State& state)
{
    LoadedDocument& d = loaded();
    const std::size_t size = referenceText().size();
    for (auto _ : state) {
        std::unique_ptr<char[]> bytes = copyOfReference();
        bool read = false;
        state.SetIterationTime(secondsOf([&] { read = d.doc.importTable(std::move(bytes), size); }));
        benchmark::DoNotOptimize(read);
        auto edit = takeStep(state, d.history);
        if (edit == nullptr)
            break;
        edit->revert(d.doc);
        edit.reset(); // frees the imported table outside the measured time
    }
    d.intact(state);
}
BENCHMARK(BM_ImportOverTable)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

// The former table is swapped back, not read again, so the undo does not depend on its size.
void BM_UndoImport(benchmark::State& state)
{
    LoadedDocument& d = loaded();
    const std::size_t size = referenceText().size();
    double editBytes = 0;
    double undoSeconds = 0;
    for (auto _ : state) {
        d.doc.importTable(copyOfReference(), size);
        auto edit = takeStep(state, d.history);
        if (edit == nullptr)
            break;
        const double seconds = secondsOf([&] { edit->revert(d.doc); });
        state.SetIterationTime(seconds);
        undoSeconds += seconds;
        benchmark::DoNotOptimize(d.doc.depthTable().cellView(5, kMiddleRow).data());
        editBytes = static_cast<double>(edit->bytes());
        edit.reset();
    }
    state.counters["edit_MB"] = editBytes / 1e6;
    // A swap is far below a millisecond; the time column alone would read 0.000.
    state.counters["undo_us"] = benchmark::Counter(undoSeconds * 1e6, benchmark::Counter::kAvgIterations);
    d.intact(state);
}
BENCHMARK(BM_UndoImport)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);

// ---- "Копировать" / "Вставить" ----

void BM_CopyTable(benchmark::State& state)
{
    LoadedDocument& d = loaded();
    double textBytes = 0;
    for (auto _ : state) {
        std::string text;
        state.SetIterationTime(secondsOf([&] { text = d.doc.copyTable(); }));
        benchmark::DoNotOptimize(text.data());
        textBytes = static_cast<double>(text.size());
    }
    state.counters["text_MB"] = textBytes / 1e6;
    d.intact(state);
}
BENCHMARK(BM_CopyTable)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

// The whole table's clipboard text pasted back over it: every cell is written again. The
// cells come out as they were, so the document records no step (steps counts them).
void BM_PasteTable(benchmark::State& state)
{
    LoadedDocument& d = loaded();
    const std::string text = d.doc.copyTable();
    double steps = 0;
    for (auto _ : state) {
        bool pasted = false;
        state.SetIterationTime(secondsOf([&] { pasted = d.doc.pasteTable(text); }));
        benchmark::DoNotOptimize(pasted);
        benchmark::DoNotOptimize(d.doc.depthTable().cellView(5, kMiddleRow).data());
        steps += static_cast<double>(d.history.size());
        while (auto edit = d.history.take())
            edit->revert(d.doc);
    }
    state.counters["steps"] = steps;
    d.intact(state);
}
BENCHMARK(BM_PasteTable)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

// The same text with its first cell changed: now the paste is a step of the history; edit_MB
// is what that step keeps.
void BM_PasteChangedTable(benchmark::State& state)
{
    LoadedDocument& d = loaded();
    std::string text = d.doc.copyTable();
    text.insert(0, "1");
    double editBytes = 0;
    for (auto _ : state) {
        bool pasted = false;
        state.SetIterationTime(secondsOf([&] { pasted = d.doc.pasteTable(text); }));
        benchmark::DoNotOptimize(pasted);
        benchmark::DoNotOptimize(d.doc.depthTable().cellView(1, 1).data());
        const auto edit = takeStep(state, d.history);
        if (edit == nullptr)
            break;
        editBytes = static_cast<double>(edit->bytes());
        edit->revert(d.doc);
    }
    state.counters["edit_MB"] = editBytes / 1e6;
    d.intact(state);
}
BENCHMARK(BM_PasteChangedTable)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

// The table pasted back with the first cell of every row changed: the step keeps those cells
// before and after, not the table.
void BM_PasteEveryRowChanged(benchmark::State& state)
{
    LoadedDocument& d = loaded();
    const std::string table = d.doc.copyTable();
    std::string text;
    text.reserve(table.size() + table.size() / 32);
    for (std::size_t at = 0; at < table.size();) {
        std::size_t end = table.find("\r\n", at);
        end = end == std::string::npos ? table.size() : end + 2;
        text += '1';
        text.append(table, at, end - at);
        at = end;
    }
    double editBytes = 0;
    for (auto _ : state) {
        bool pasted = false;
        state.SetIterationTime(secondsOf([&] { pasted = d.doc.pasteTable(text); }));
        benchmark::DoNotOptimize(pasted);
        const auto edit = takeStep(state, d.history);
        if (edit == nullptr)
            break;
        editBytes = static_cast<double>(edit->bytes());
        edit->revert(d.doc);
    }
    state.counters["edit_MB"] = editBytes / 1e6;
    d.intact(state);
}
BENCHMARK(BM_PasteEveryRowChanged)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

// ---- "Найти" ----

// A text no picket contains: the search reads column 1 of every row.
void BM_FindMissing(benchmark::State& state)
{
    LoadedDocument& d = loaded();
    d.doc.select(1, 0);
    for (auto _ : state) {
        int row = 0;
        state.SetIterationTime(secondsOf([&] { row = d.doc.find("ПК-нет"); }));
        benchmark::DoNotOptimize(row);
        if (row != -1) {
            state.SkipWithError("the search found a text that is not in the table");
            break;
        }
    }
    d.intact(state);
}
BENCHMARK(BM_FindMissing)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(20);

// ---- the history of a day's corrections ----

// 1,000 depths typed into random cells, each one step of the history. The time is the
// whole series; history_bytes is what the history holds for it.
void BM_CorrectionsHistory(benchmark::State& state)
{
    constexpr int kCorrections = 1000;
    LoadedDocument& d = loaded();
    double historyBytes = 0;
    double steps = 0;
    for (auto _ : state) {
        std::mt19937 rnd(11);
        std::vector<std::string> texts;
        std::vector<std::pair<int, int>> cells;
        for (int i = 0; i < kCorrections; ++i) {
            char buf[16];
            std::snprintf(buf, sizeof buf, "%.1f", 20.0 + (rnd() % 30000) / 100.0);
            texts.emplace_back(buf);
            cells.emplace_back(3 + static_cast<int>(rnd() % 10), 2 + static_cast<int>(rnd() % 999'999));
        }
        state.SetIterationTime(secondsOf([&] {
            for (int i = 0; i < kCorrections; ++i)
                d.doc.writeCell(TableId::Depth, cells[i].first, cells[i].second, texts[i]);
        }));
        historyBytes = 0;
        for (const auto& edit : d.history.edits())
            historyBytes += static_cast<double>(edit->bytes());
        steps = static_cast<double>(d.history.size());
        benchmark::DoNotOptimize(historyBytes);
        if (steps == 0) {
            state.SkipWithError("the corrections made no history step");
            break;
        }
        while (auto edit = d.history.take())
            edit->revert(d.doc);
    }
    state.counters["history_bytes"] = historyBytes;
    state.counters["steps"] = steps;
    state.counters["bytes_per_step"] = steps > 0 ? historyBytes / steps : 0;
    d.intact(state);
}
BENCHMARK(BM_CorrectionsHistory)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

} // namespace

BENCHMARK_MAIN();

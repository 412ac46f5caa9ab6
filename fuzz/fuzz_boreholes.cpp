// The borehole table import ("Импорт выработок") and what is made of it: any bytes are read
// into the borehole table cell for cell as a plain reading splits them, or refused with one of
// the reader's messages; the table, whatever it holds, then fills the diagram's borehole series
// and is drawn over a section without a fault. The first byte picks the delimiter.
#include "boreholes/boreholes.h"
#include "chart/chart_model.h"
#include "document/survey_document.h"
#include "drawing/drawing_record.h"
#include "fuzz_support.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

using namespace trassel;

namespace {

// Text measured by its bytes: enough to place the labels.
class ByteMetrics final : public CanvasServices {
public:
    int textWidth(const FontState&, std::string_view utf8) override { return static_cast<int>(utf8.size()) * 7; }
    int textHeight(const FontState&) override { return 14; }
    Picture resourceBitmap(std::string_view) override { return {}; }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    static constexpr const char* kDelimiters[] = {"\t", ";", ",", " "};
    const int item = data[0] % 4;
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);

    SurveyDocument doc;
    doc.setDelimiter(item, kDelimiters[item]);
    auto bytes = std::make_unique<char[]>(text.size() + 1);
    std::memcpy(bytes.get(), text.data(), text.size());
    try {
        doc.importBoreholes(std::move(bytes), text.size());
    } catch (const Error& e) {
        const std::string message = e.what();
        const bool tooBig = message.rfind("Слишком много полей в строке ", 0) == 0 ||
                            message.rfind("Недостаточно памяти", 0) == 0;
        // The fixed rows are refused by a table of two rows or fewer, which is then in place.
        fuzz::Check(tooBig || (message == "Fixed row count must be less than row count" &&
                               doc.boreholeTable().rowCount() <= 2),
                    "a refusal is one of the reader's");
        if (tooBig)
            return 0;
    }

    const Grid& table = doc.boreholeTable();
    const auto rows = fuzz::NaiveSplit(text, kDelimiters[item][0]);
    fuzz::Check(table.rowCount() >= static_cast<int>(rows.size()) + 1, "a row for every line");
    for (std::size_t i = 0; i < rows.size(); ++i) {
        fuzz::Check(table.colCount() >= static_cast<int>(rows[i].size()) + 1, "a column for every field");
        for (std::size_t j = 0; j < rows[i].size(); ++j)
            fuzz::Check(table.cellView(static_cast<int>(j) + 1, static_cast<int>(i) + 1) == rows[i][j],
                        "cell as split");
    }

    // "Построить скв", whatever the cells say.
    doc.buildSkv();

    // "Выработки" over a section whose working range starts at picket 0.
    Grid depth(3, 3);
    const SectionParams params;
    depth.setCell(1, params.FirstDataRow, "0");
    ByteMetrics metrics;
    DrawingRecord record(200, 100);
    RecordingCanvas canvas(record, metrics);
    PlotSkv(canvas, depth, table, params, "1");
    return 0;
}

#include "sheets/sheet_frame.h"

#include "base/numbers.h"
#include "document/survey_document.h"
#include "thickness/thickness.h"

#include <algorithm>
#include <cmath>

namespace trassel {
namespace {

constexpr int kTextPoints = 8;
constexpr int kTitlePoints = 10;
constexpr int kPadding = 4; // sheet units between a cell's line and its text
constexpr Color kStretchColor = kDeviationBelow;

// The longest start of `text` that fits `width` with "…" after it; the whole text when it fits.
std::string Fitted(Canvas& canvas, const std::string& text, int width)
{
    if (canvas.textWidth(text) <= width)
        return text;
    std::string cut = text;
    while (!cut.empty()) {
        // Back by one UTF-8 character.
        std::size_t end = cut.size() - 1;
        while (end > 0 && (static_cast<unsigned char>(cut[end]) & 0xC0U) == 0x80U)
            --end;
        cut.resize(end);
        if (canvas.textWidth(cut + "…") <= width)
            return cut + "…";
    }
    return {};
}

void Frame(Canvas& canvas, const Rect& r, int width)
{
    canvas.setPenStyle(PenStyle::Solid);
    canvas.setPenWidth(width);
    canvas.setPenColor(kBlack);
    canvas.moveTo(r.left, r.top);
    canvas.lineTo(r.right, r.top);
    canvas.lineTo(r.right, r.bottom);
    canvas.lineTo(r.left, r.bottom);
    canvas.lineTo(r.left, r.top);
}

void Line(Canvas& canvas, int x1, int y1, int x2, int y2)
{
    canvas.moveTo(x1, y1);
    canvas.lineTo(x2, y2);
}

// A cell's text, vertically centred, from its left edge or centred across it.
void CellText(Canvas& canvas, const Rect& cell, const std::string& text, int points, bool bold, bool centred)
{
    if (text.empty())
        return;
    canvas.setFontSize(points);
    canvas.setFontStyle(bold, false);
    canvas.setFontColor(kBlack);
    const std::string fitted = Fitted(canvas, text, cell.right - cell.left - 2 * kPadding);
    const int w = canvas.textWidth(fitted);
    const int x = centred ? (cell.left + cell.right - w) / 2 : cell.left + kPadding;
    canvas.textOut(x, (cell.top + cell.bottom - canvas.textHeight()) / 2, fitted);
}

void StretchBar(Canvas& canvas, const Rect& box, const Compliance& compliance, const PicketAxis& axis)
{
    canvas.setBrushStyle(BrushStyle::Solid);
    canvas.setBrushColor(kWhite);
    canvas.fillRect(box.left, box.top, box.right, box.bottom);
    if (!compliance.layers.empty()) {
        canvas.setBrushColor(kStretchColor);
        for (const FailingStretch& s : compliance.layers.front().stretches) {
            // The columns the deviation plot marks for the same metres, whatever the rounding.
            constexpr double kEdge = 1e-6;
            const int x1 = std::max(box.left, static_cast<int>(std::floor(axis.x(s.fromM) + kEdge)));
            const int x2 = std::min(box.right, std::max(x1 + 1, static_cast<int>(std::ceil(axis.x(s.toM) - kEdge))));
            if (x1 < x2)
                canvas.fillRect(x1, box.top, x2, box.bottom);
        }
    }
    Frame(canvas, {box.left, box.top, box.right - 1, box.bottom - 1}, 1);
}

} // namespace

std::vector<LegendEntry> LegendOf(const SurveyDocument& doc)
{
    std::vector<LegendEntry> legend;
    const LayerManager& layers = doc.layers();
    const int titleRow = doc.settings().headerRowCount >= 1 ? 1 : 0;
    for (int slot = 0; slot < layers.LayerCount(); ++slot) {
        const TLayer& layer = layers.Layers(slot);
        if (!layers.isChecked(layer.Item))
            continue;
        legend.push_back({LayerName(doc.norms(), doc.depthTable(), layer.DepthColumn, titleRow), layer.BrushColor,
                          layer.BrushStyle, layer.LineColor});
    }
    return legend;
}

std::vector<LegendEntry> LegendOf(const SurveyDocument& doc, std::span<const SectionLayer> layers, int titleRow)
{
    std::vector<LegendEntry> legend;
    for (const SectionLayer& layer : layers)
        if (layer.checked)
            legend.push_back({LayerName(doc.norms(), doc.depthTable(), layer.depthColumn, titleRow), layer.brushColor,
                              layer.brushStyle, layer.lineColor});
    return legend;
}

std::string ScaleText(double n)
{
    if (!(n >= 1) || !std::isfinite(n))
        return "—";
    return "1 : " + IntToText(std::llround(n));
}

int SheetUnits(double mm) { return static_cast<int>(std::lround(mm * kSheetUnitsPerInch / 25.4)); }

int SheetBandHeight(bool deviation)
{
    int h = SheetUnits(kBandGapMm) + SheetUnits(kTitleBlockHeightMm) + 1;
    if (deviation)
        h += SheetUnits(kDeviationHeightMm) + SheetUnits(kStretchBarHeightMm) + SheetUnits(kBandGapMm);
    return h;
}

SheetBand LayOutSheetBand(int width, int top, int pictureLeft, int pictureRight, bool deviation)
{
    SheetBand band;
    int y = top + SheetUnits(kBandGapMm);
    if (deviation) {
        const int h = SheetUnits(kDeviationHeightMm);
        band.deviation = {pictureLeft, y, pictureRight, y + h};
        y += h;
        band.stretches = {pictureLeft, y, pictureRight, y + SheetUnits(kStretchBarHeightMm)};
        y = band.stretches.bottom + SheetUnits(kBandGapMm);
    }
    const int right = width - 1;
    const int left = std::max(0, right - SheetUnits(kTitleBlockWidthMm));
    band.titleBlock = {left, y, right, y + SheetUnits(kTitleBlockHeightMm)};
    band.legend = {0, y, std::max(0, left - SheetUnits(kBandGapMm)), band.titleBlock.bottom};
    return band;
}

void DrawTitleBlock(Canvas& canvas, const Rect& box, const ProjectForm& form, const SheetFacts& facts)
{
    const int w = box.right - box.left;
    const int h = box.bottom - box.top;
    if (w < 20 || h < 20)
        return;
    canvas.setBrushStyle(BrushStyle::Solid);
    canvas.setBrushColor(kWhite);
    canvas.fillRect(box.left, box.top, box.right + 1, box.bottom + 1);
    // Columns and rows as shares of the block, so a narrowed block keeps its proportions.
    auto X = [&](double mm) { return box.left + static_cast<int>(std::lround(w * mm / kTitleBlockWidthMm)); };
    auto Y = [&](double mm) { return box.top + static_cast<int>(std::lround(h * mm / kTitleBlockHeightMm)); };
    Frame(canvas, box, 2);
    canvas.setPenWidth(1);
    // Left: who made and checked the drawing, five rows of 8 mm.
    const int split = X(65);
    Line(canvas, split, box.top, split, box.bottom);
    for (int r = 1; r < 5; ++r)
        Line(canvas, box.left, Y(8.0 * r), split, Y(8.0 * r));
    Line(canvas, X(22), box.top, X(22), box.bottom);
    Line(canvas, X(45), box.top, X(45), box.bottom);
    CellText(canvas, {box.left, box.top, X(22), Y(8)}, "", kTextPoints, false, false);
    CellText(canvas, {X(22), box.top, X(45), Y(8)}, "Фамилия", kTextPoints, false, true);
    CellText(canvas, {X(45), box.top, split, Y(8)}, "Дата", kTextPoints, false, true);
    CellText(canvas, {box.left, Y(8), X(22), Y(16)}, "Разработал", kTextPoints, false, false);
    CellText(canvas, {X(22), Y(8), X(45), Y(16)}, form.developer, kTextPoints, false, false);
    CellText(canvas, {X(45), Y(8), split, Y(16)}, form.date, kTextPoints, false, true);
    CellText(canvas, {box.left, Y(16), X(22), Y(24)}, "Проверил", kTextPoints, false, false);
    CellText(canvas, {X(22), Y(16), X(45), Y(24)}, form.checker, kTextPoints, false, false);

    // Right: the object, the line and its km, the scales and the sheet, the organisation.
    Line(canvas, split, Y(14), box.right, Y(14));
    Line(canvas, split, Y(24), box.right, Y(24));
    Line(canvas, split, Y(32), box.right, Y(32));
    CellText(canvas, {split, box.top, box.right, Y(14)}, form.object, kTitlePoints, true, true);
    Line(canvas, X(140), Y(14), X(140), Y(24));
    std::string line = form.line;
    if (!form.track.empty())
        line += (line.empty() ? "" : ", ") + std::string("путь ") + form.track;
    CellText(canvas, {split, Y(14), X(140), Y(24)}, line, kTextPoints, false, false);
    CellText(canvas, {X(140), Y(14), box.right, Y(24)}, facts.kmText, kTextPoints, false, true);
    Line(canvas, X(102), Y(24), X(102), Y(32));
    Line(canvas, X(140), Y(24), X(140), Y(32));
    Line(canvas, X(162), Y(24), X(162), Y(32));
    CellText(canvas, {split, Y(24), X(102), Y(32)}, "М гориз. " + ScaleText(facts.horizontalScale), kTextPoints, false,
             false);
    CellText(canvas, {X(102), Y(24), X(140), Y(32)}, "М верт. " + ScaleText(facts.verticalScale), kTextPoints, false,
             false);
    CellText(canvas, {X(140), Y(24), X(162), Y(32)}, "Лист " + IntToText(facts.number), kTextPoints, false, true);
    CellText(canvas, {X(162), Y(24), box.right, Y(32)}, "Листов " + IntToText(facts.count), kTextPoints, false, true);
    CellText(canvas, {split, Y(32), box.right, box.bottom}, form.organisation, kTextPoints, true, true);
}

void DrawLegend(Canvas& canvas, const Rect& box, std::span<const LegendEntry> layers, const SheetFacts& facts)
{
    if (box.right - box.left < SheetUnits(30))
        return;
    canvas.setFontSize(kTextPoints);
    canvas.setFontStyle(true, false);
    canvas.setFontColor(kBlack);
    canvas.setBrushStyle(BrushStyle::Solid);
    canvas.setBrushColor(kWhite);
    const int lineH = canvas.textHeight() + 2;
    canvas.textOut(box.left, box.top, "Условные обозначения");
    canvas.setFontStyle(false, false);
    // The scales a line each: one line of both did not fit a narrow legend.
    canvas.textOut(box.left, box.top + lineH,
                   Fitted(canvas, "Масштаб горизонтальный " + ScaleText(facts.horizontalScale), box.right - box.left));
    canvas.textOut(box.left, box.top + 2 * lineH,
                   Fitted(canvas, "Масштаб вертикальный " + ScaleText(facts.verticalScale), box.right - box.left));
    const int swatchW = SheetUnits(12);
    const int swatchH = SheetUnits(5);
    const int rowH = std::max(lineH, swatchH + 3);
    const int columnW = SheetUnits(50);
    int x = box.left;
    int y = box.top + 3 * lineH + 3;
    for (const LegendEntry& layer : layers) {
        if (y + rowH > box.bottom) {
            x += columnW;
            y = box.top + 3 * lineH + 3;
        }
        if (x + swatchW > box.right)
            break;
        canvas.setPenStyle(PenStyle::Solid);
        canvas.setPenWidth(1);
        canvas.setPenColor(layer.line);
        canvas.setBrushOrdinal(layer.fillStyle);
        if (canvas.brush().style != BrushStyle::Clear)
            canvas.setBrushColor(layer.fill);
        const Point swatch[] = {{x, y}, {x + swatchW, y}, {x + swatchW, y + swatchH}, {x, y + swatchH}};
        canvas.polygon(swatch);
        canvas.setBrushOrdinal(0);
        canvas.setBrushColor(kWhite);
        const int textX = x + swatchW + kPadding;
        canvas.textOut(textX, y + (swatchH - canvas.textHeight()) / 2,
                       Fitted(canvas, layer.name, std::min(box.right, x + columnW) - textX - kPadding));
        y += rowH;
    }
}

void DrawDepthMarks(Canvas& canvas, int x, std::span<const DepthMark> marks)
{
    canvas.setFontSize(kTextPoints);
    canvas.setFontStyle(false, false);
    canvas.setFontColor(kBlack);
    canvas.setBrushStyle(BrushStyle::Solid);
    canvas.setBrushColor(kWhite);
    for (const DepthMark& mark : marks)
        canvas.textOut(x, mark.y, mark.label);
}

void FrameDrawnSheet(Canvas& canvas, const SheetFrame& frame, int pictureLeft, int pictureRight)
{
    const bool deviation = frame.form.deviationPlot && frame.compliance != nullptr;
    const int top = canvas.height();
    canvas.setBrushStyle(BrushStyle::Solid);
    canvas.setBrushColor(kWhite);
    const int width = std::max(canvas.width(), SheetUnits(kTitleBlockWidthMm) + SheetUnits(kBandGapMm) + 2);
    canvas.setSize(width, top + SheetBandHeight(deviation));
    DrawSheetBand(canvas, LayOutSheetBand(width, top, pictureLeft, pictureRight, deviation), frame);
}

void DrawSheetBand(Canvas& canvas, const SheetBand& band, const SheetFrame& frame)
{
    if (frame.form.deviationPlot && frame.compliance != nullptr && !band.deviation.empty()) {
        DeviationPlotStyle style;
        if (!frame.compliance->layers.empty())
            style.rangeCm = DeviationRangeCm(frame.compliance->layers.front().line);
        DrawDeviationPlot(canvas, *frame.compliance, 0, band.deviation, frame.axis, style);
        StretchBar(canvas, band.stretches, *frame.compliance, frame.axis);
    }
    DrawLegend(canvas, band.legend, frame.legend, frame.facts);
    DrawTitleBlock(canvas, band.titleBlock, frame.form, frame.facts);
}

} // namespace trassel

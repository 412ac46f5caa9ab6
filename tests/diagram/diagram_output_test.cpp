#include "diagram/qt/diagram_output.h"

#include "base/atomic_file.h"
#include "diagram/qt/chart_view.h"
#include "diagram/qt/diagram_page.h"
#include "document/survey_document.h"
#include "support/error_text.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTransform>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <functional>
#include <unistd.h>
#include <vector>

namespace trassel {
namespace {

// The example survey with its ballast, sand and loam layers on the diagram page.
struct DiagramOutputTest : ::testing::Test {
    SurveyDocument doc;
    DiagramPage page{doc, [](const std::function<void()>& run) {
                         run();
                         return true;
                     }};

    DiagramOutputTest()
    {
        FileBytes file = ReadWholeFile(TRASSEL_SOURCE_DIR "/examples/survey_depths.txt");
        doc.importTable(std::move(file.data), file.size);
        doc.recalcPickets();
        for (int col : {3, 4, 5}) {
            doc.select(col, 2);
            doc.addLayer();
        }
        doc.buildChart();
    }

    ChartView& chart() { return *page.chtOverviewChart; }

    // The page on the screen at `size`, drawn.
    void show(QSize size)
    {
        page.resize(size);
        page.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
        chart().syncFromModel();
        chart().replot(QCustomPlot::rpImmediateRefresh);
    }

    // The largest text the diagram shows, in screen pixels: the title, the axes, the marks.
    double largestFontPixels()
    {
        const double dpi = chart().logicalDpiY();
        const auto pixels = [dpi](const QFont& font) {
            return font.pointSizeF() > 0 ? font.pointSizeF() * dpi / 72.0 : static_cast<double>(font.pixelSize());
        };
        const auto* title = qobject_cast<QCPTextElement*>(chart().plotLayout()->element(0, 0));
        EXPECT_NE(title, nullptr);
        double largest = title ? pixels(title->font()) : 0.0;
        for (QCPAxis* axis : {chart().xAxis, chart().yAxis})
            largest = std::max({largest, pixels(axis->tickLabelFont()), pixels(axis->labelFont())});
        for (SeriesId id : doc.chart().attached())
            largest = std::max(largest, doc.chart().series(id).marks().font.size * dpi / 72.0);
        return largest;
    }
};

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteText(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// The box of the dark pixels (text, axis lines) inside `region` of `image`.
QRect DarkBox(const QImage& image, const QRect& region)
{
    QRect box;
    const QRect r = region.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (qGray(image.pixel(x, y)) < 110)
                box |= QRect(x, y, 1, 1);
    return box;
}

QRect Scaled(const QRect& rect, int k) { return QRect(rect.topLeft() * k, rect.size() * k); }

// Whether two sizes of the same text agree, allowing for hinting and a pixel of rounding.
bool Similar(int printed, int shown) { return std::abs(printed - shown) <= 3 + shown / 6; }

// What the page of a PDF draws, read from its content stream: the text sizes and the box of
// the lines drawn, both in the page's points. Enough of the format for what Qt writes.
struct PdfPage {
    QSizeF mediaBox;
    int pages = -1;
    bool hasImages = true;
    std::vector<double> textSizes;
    int strokes = 0;
    QRectF strokedBox;
};

QByteArray ObjectStream(const QByteArray& pdf, int object)
{
    const QRegularExpression header(QStringLiteral("(?:^|\\n)%1 0 obj").arg(object));
    const QRegularExpressionMatch m = header.match(QString::fromLatin1(pdf));
    if (!m.hasMatch())
        return {};
    qsizetype start = pdf.indexOf("stream", m.capturedEnd());
    if (start < 0)
        return {};
    start += 6;
    if (pdf.at(start) == '\r')
        ++start;
    if (pdf.at(start) == '\n')
        ++start;
    const qsizetype end = pdf.indexOf("endstream", start);
    QByteArray data = pdf.mid(start, end - start);
    if (!pdf.mid(m.capturedEnd(), start - m.capturedEnd()).contains("/FlateDecode"))
        return data;
    // A zlib stream; qUncompress wants the expected size in front and grows past it if need be.
    const quint32 guess = static_cast<quint32>(data.size()) * 8;
    QByteArray sized(4, '\0');
    sized[0] = static_cast<char>(guess >> 24);
    sized[1] = static_cast<char>(guess >> 16);
    sized[2] = static_cast<char>(guess >> 8);
    sized[3] = static_cast<char>(guess);
    return qUncompress(sized + data);
}

double ScaleOf(const QTransform& t) { return std::sqrt(std::abs(t.determinant())); }

PdfPage ReadPdfPage(const QByteArray& pdf)
{
    PdfPage page;
    const QString text = QString::fromLatin1(pdf);
    page.pages = static_cast<int>(text.count(QRegularExpression(QStringLiteral("/Type\\s*/Page(?![s])"))));
    page.hasImages = text.contains(QRegularExpression(QStringLiteral("/Subtype\\s*/Image")));
    const QRegularExpressionMatch box =
        QRegularExpression(
            QStringLiteral("/MediaBox\\s*\\[\\s*([-\\d.]+)\\s+([-\\d.]+)\\s+([-\\d.]+)\\s+([-\\d.]+)\\s*\\]"))
            .match(text);
    if (box.hasMatch())
        page.mediaBox = QSizeF(box.captured(3).toDouble() - box.captured(1).toDouble(),
                               box.captured(4).toDouble() - box.captured(2).toDouble());
    const QRegularExpressionMatch contents = QRegularExpression(QStringLiteral("/Contents\\s+(\\d+)\\s+0\\s+R"))
                                                 .match(text);
    if (!contents.hasMatch())
        return page;
    const QByteArray stream = ObjectStream(pdf, contents.captured(1).toInt());

    // The graphics state q and Q save: the transformation and the clip.
    struct State {
        QTransform ctm;
        QRectF clip; // null: none
    };
    std::vector<State> saved;
    QTransform ctm;
    QRectF clip;
    bool clipping = false;
    QTransform textMatrix;
    std::vector<double> operands;
    std::vector<QPointF> path;
    const auto isDelimiter = [](char c) { return std::strchr(" \t\r\n\f[]<>()/%", c) != nullptr || c == '\0'; };
    qsizetype i = 0;
    while (i < stream.size()) {
        const char c = stream.at(i);
        if (std::isspace(static_cast<unsigned char>(c)) || c == '[' || c == ']') {
            ++i;
            continue;
        }
        if (c == '<') { // a hex string (the glyphs): skipped
            i = stream.indexOf('>', i) + 1;
            continue;
        }
        if (c == '(') { // a literal string, nested and escaped
            int depth = 0;
            for (; i < stream.size(); ++i) {
                if (stream.at(i) == '\\')
                    ++i;
                else if (stream.at(i) == '(')
                    ++depth;
                else if (stream.at(i) == ')' && --depth == 0)
                    break;
            }
            ++i;
            continue;
        }
        qsizetype j = i + 1;
        while (j < stream.size() && !isDelimiter(stream.at(j)))
            ++j;
        const QByteArray token = stream.mid(i, j - i);
        i = j;
        if (token.startsWith('/'))
            continue; // a name operand (font, colour space)
        bool number = false;
        const double value = token.toDouble(&number);
        if (number) {
            operands.push_back(value);
            continue;
        }
        const auto arg = [&](std::size_t k) { return operands.size() > k ? operands[operands.size() - 1 - k] : 0.0; };
        const auto matrix = [&] { return QTransform(arg(5), arg(4), arg(3), arg(2), arg(1), arg(0)); };
        if (token == "q") {
            saved.push_back({ctm, clip});
        } else if (token == "Q") {
            if (!saved.empty()) {
                ctm = saved.back().ctm;
                clip = saved.back().clip;
                saved.pop_back();
            }
        } else if (token == "cm") {
            ctm = matrix() * ctm;
        } else if (token == "BT") {
            textMatrix = QTransform();
        } else if (token == "Tm") {
            textMatrix = matrix();
        } else if (token == "Tf") {
            page.textSizes.push_back(arg(0) * ScaleOf(textMatrix) * ScaleOf(ctm));
        } else if (token == "m" || token == "l") {
            path.push_back(ctm.map(QPointF(arg(1), arg(0))));
        } else if (token == "c") {
            path.push_back(ctm.map(QPointF(arg(1), arg(0))));
        } else if (token == "re") {
            const QRectF r(arg(3), arg(2), arg(1), arg(0));
            for (const QPointF& p : {r.topLeft(), r.bottomRight()})
                path.push_back(ctm.map(p));
        } else if (token == "S" || token == "s" || token == "f" || token == "F" || token == "f*" || token == "B" ||
                   token == "B*" || token == "b" || token == "b*") {
            QRectF painted;
            for (const QPointF& p : path)
                painted |= QRectF(p, QSizeF(1e-9, 1e-9));
            // Lines only (a fill may be the white background); what the clip cuts away is not
            // on the page.
            if (token == "S" || token == "s") {
                page.strokedBox |= clip.isNull() ? painted : painted.intersected(clip);
                ++page.strokes;
            }
            path.clear();
        } else if (token == "W" || token == "W*") {
            clipping = true;
        } else if (token == "n") {
            if (clipping) {
                QRectF area;
                for (const QPointF& p : path)
                    area |= QRectF(p, QSizeF(1e-9, 1e-9));
                clip = clip.isNull() ? area : clip.intersected(area);
            }
            clipping = false;
            path.clear();
        }
        operands.clear();
    }
    return page;
}

TEST_F(DiagramOutputTest, PrintsOneVectorPageWithTheTextAtItsScreenProportions)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(QPageLayout::Landscape);
    printer.setOutputFileName(dir.filePath(QStringLiteral("diagram.pdf")));
    ASSERT_GE(printer.resolution(), 600);
    page.print(printer);

    const QByteArray pdf = ReadAll(printer.outputFileName());
    ASSERT_TRUE(pdf.startsWith("%PDF"));
    const PdfPage printed = ReadPdfPage(pdf);
    EXPECT_EQ(printed.pages, 1);
    EXPECT_FALSE(printed.hasImages);
    EXPECT_NEAR(printed.mediaBox.width(), 842, 1);
    EXPECT_NEAR(printed.mediaBox.height(), 595, 1);

    // A page never shown is drawn as a landscape sheet and fitted into the printable area.
    const QSize logical = DiagramLogicalSize(chart());
    const QRectF paintRect = printer.pageLayout().paintRect(QPageLayout::Point);
    const double pointsPerPixel = std::min(paintRect.width() / logical.width(), paintRect.height() / logical.height());
    // Every title, tick label and mark is as big beside the plot as on the screen: no text
    // grows with the printer's resolution.
    ASSERT_GE(printed.textSizes.size(), 10u);
    const double largest = largestFontPixels();
    double printedLargest = 0;
    for (double size : printed.textSizes) {
        EXPECT_LE(size / pointsPerPixel, largest + 1.0) << size;
        EXPECT_GE(size / pointsPerPixel, 4.0) << size;
        printedLargest = std::max(printedLargest, size / pointsPerPixel);
    }
    EXPECT_GE(printedLargest, largest - 1.0);
    // The plot fills the printable area, not a corner of it.
    EXPECT_GT(printed.strokes, 20);
    const QSizeF fitted(logical.width() * pointsPerPixel, logical.height() * pointsPerPixel);
    EXPECT_GE(printed.strokedBox.width(), 0.85 * fitted.width());
    EXPECT_GE(printed.strokedBox.height(), 0.85 * fitted.height());
    // Within the printable area (the page's y runs upward).
    const QRectF printable(paintRect.left(), printed.mediaBox.height() - paintRect.bottom(), paintRect.width(),
                           paintRect.height());
    EXPECT_TRUE(printable.adjusted(-1, -1, 1, 1).contains(printed.strokedBox))
        << printed.strokedBox.left() << " " << printed.strokedBox.top() << " " << printed.strokedBox.right() << " "
        << printed.strokedBox.bottom();
}

TEST_F(DiagramOutputTest, AHighResolutionDeviceGetsTheScreenPictureScaled)
{
    show(QSize(900, 640));
    const QImage screen = chart().grab().toImage();
    ASSERT_EQ(screen.size(), QSize(900, 640));
    const QSize logical = DiagramLogicalSize(chart());
    EXPECT_EQ(logical, QSize(900, 640));
    const QRect plot = chart().axisRect()->rect();

    // Recording at another size leaves the widget laid out for the screen, where presses land.
    RecordDiagram(chart(), QSize(1123, 794));
    EXPECT_EQ(chart().axisRect()->rect(), plot);

    // Twice the size on a device of 600 dpi, which counts a point as 6.25 screen pixels.
    const QPicture picture = RecordDiagram(chart(), logical);
    constexpr int k = 2;
    QImage printed(logical * k, QImage::Format_RGB32);
    printed.setDotsPerMeterX(static_cast<int>(600 / 0.0254));
    printed.setDotsPerMeterY(static_cast<int>(600 / 0.0254));
    printed.fill(Qt::white);
    {
        QPainter painter(&printed);
        PaintDiagram(painter, picture, logical, QRectF(QPointF(0, 0), QSizeF(printed.size())));
    }
    const int w = logical.width();
    const int h = logical.height();
    const struct {
        const char* what;
        QRect region;
    } texts[] = {
        {"title", QRect(0, 0, w, plot.top() - 2)},
        {"depth labels", QRect(0, 0, plot.left() - 2, plot.bottom() + 2)},
        {"picket labels", QRect(0, plot.bottom() + 3, w, h - plot.bottom() - 3)},
    };
    for (const auto& text : texts) {
        const QRect shown = DarkBox(screen, text.region);
        const QRect got = DarkBox(printed, Scaled(text.region, k));
        ASSERT_FALSE(shown.isEmpty()) << text.what;
        ASSERT_FALSE(got.isEmpty()) << text.what;
        EXPECT_TRUE(Similar(got.width(), shown.width() * k))
            << text.what << ": " << got.width() << " vs " << shown.width();
        EXPECT_TRUE(Similar(got.height(), shown.height() * k))
            << text.what << ": " << got.height() << " vs " << shown.height();
        EXPECT_TRUE(Similar(got.center().x(), shown.center().x() * k)) << text.what;
        EXPECT_TRUE(Similar(got.center().y(), shown.center().y() * k)) << text.what;
    }
    // The axes frame the same share of the picture.
    const QRect frame = DarkBox(printed, printed.rect());
    EXPECT_GE(frame.width(), printed.width() * 9 / 10);
    EXPECT_GE(frame.height(), printed.height() * 9 / 10);

    // A tall area takes the picture at its full width, centred between white bands.
    QImage tall(1000, 1400, QImage::Format_RGB32);
    tall.fill(Qt::white);
    {
        QPainter painter(&tall);
        PaintDiagram(painter, picture, logical, QRectF(QPointF(0, 0), QSizeF(tall.size())));
    }
    const QRect drawn = DarkBox(tall, tall.rect());
    const int fittedHeight = 1000 * h / w;
    EXPECT_GE(drawn.width(), 900);
    EXPECT_GE(drawn.top(), (1400 - fittedHeight) / 2 - 2);
    EXPECT_LE(drawn.bottom(), (1400 + fittedHeight) / 2 + 2);
    EXPECT_GE(drawn.height(), fittedHeight * 9 / 10);
}

TEST_F(DiagramOutputTest, ExportsABitmapOrAVectorPageByTheExtension)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // Not shown: a landscape sheet, as a bitmap twice its pixels, whatever case the name has.
    const QString png = dir.filePath(QStringLiteral("Диаграмма.PNG"));
    page.exportImage(png);
    ASSERT_TRUE(ReadAll(png).startsWith("\x89PNG"));
    const QImage sheet(png, "PNG");
    EXPECT_EQ(sheet.size(), QSize(2246, 1588));
    // Not blank: dark text and axes, and the layers' coloured points.
    int dark = 0;
    int coloured = 0;
    for (int y = 0; y < sheet.height(); y += 2)
        for (int x = 0; x < sheet.width(); x += 2) {
            const QColor c = sheet.pixelColor(x, y);
            dark += qGray(c.rgb()) < 80;
            coloured += c.saturation() > 100 && c.value() > 60;
        }
    EXPECT_GT(dark, 2000);
    EXPECT_GT(coloured, 2000);

    // Shown: the widget's own size and proportions.
    show(QSize(900, 600));
    page.exportImage(png);
    EXPECT_EQ(QImage(png, "PNG").size(), QSize(1800, 1200));

    const QString pdfPath = dir.filePath(QStringLiteral("diagram.pdf"));
    page.exportImage(pdfPath);
    const QByteArray pdf = ReadAll(pdfPath);
    ASSERT_TRUE(pdf.startsWith("%PDF-"));
    const PdfPage vector = ReadPdfPage(pdf);
    EXPECT_EQ(vector.pages, 1);
    // Lines and glyphs, not a bitmap, on a page of 900 × 600 pixels at 96 dpi: no image in
    // the file, and far fewer bytes than the pixels of that page would take.
    EXPECT_FALSE(vector.hasImages);
    EXPECT_LT(pdf.size(), 900 * 600 * 3 / 10);
    EXPECT_NEAR(vector.mediaBox.width(), 675, 1);
    EXPECT_NEAR(vector.mediaBox.height(), 450, 1);
    EXPECT_GT(vector.strokes, 20);
    ASSERT_GE(vector.textSizes.size(), 10u);
    const double largest = largestFontPixels();
    for (double size : vector.textSizes)
        EXPECT_LE(size / 0.75, largest + 1.0) << size; // a screen pixel is 0.75 pt on this page
}

TEST_F(DiagramOutputTest, AFailedExportSaysWhyAndKeepsTheOldFile)
{
    const FileSystemCalls systemCalls = fileSystemCalls();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const auto entries = [&] {
        return QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    };

    const QString bmp = dir.filePath(QStringLiteral("diagram.bmp"));
    WriteText(bmp, "old picture");
    EXPECT_EQ(errorText([&] { page.exportImage(bmp); }),
              "Не удалось сохранить диаграмму в файл «" + bmp.toStdString() +
                  "»: диаграмма сохраняется только рисунком PNG (*.png) или документом PDF (*.pdf).");
    EXPECT_EQ(ReadAll(bmp), "old picture");
    EXPECT_NE(errorText([&] { page.exportImage(dir.filePath(QStringLiteral("diagram"))); }).find("PNG (*.png)"),
              std::string::npos);

    const QString missing = dir.filePath(QStringLiteral("нет такой папки/diagram.png"));
    EXPECT_EQ(errorText([&] { page.exportImage(missing); }),
              "Не удалось записать файл \"" + missing.toStdString() + "\": папка \"" +
                  dir.filePath(QStringLiteral("нет такой папки")).toStdString() + "\" не существует");

    // A disk that fills half-way leaves the file that was there byte for byte, and no temporary.
    for (const char* name : {"diagram.png", "diagram.pdf"}) {
        const QString target = dir.filePath(QString::fromLatin1(name));
        WriteText(target, "old diagram");
        fileSystemCalls().write = [](int, const void*, std::size_t) -> ssize_t {
            errno = ENOSPC;
            return -1;
        };
        const std::string full = errorText([&] { page.exportImage(target); });
        fileSystemCalls() = systemCalls;
        EXPECT_EQ(full, "Не удалось записать файл \"" + target.toStdString() + "\": на диске недостаточно места");
        EXPECT_EQ(ReadAll(target), "old diagram");
    }
    EXPECT_EQ(entries().size(), 3) << entries().join(QLatin1Char(' ')).toStdString();
}

} // namespace
} // namespace trassel

#include "section/qt/section_print_preview.h"

#include "base/error.h"

#include <QComboBox>
#include <QDialog>
#include <QBoxLayout>
#include <QLabel>
#include <QMainWindow>
#include <QPageLayout>
#include <QPaintEngine>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QToolBar>

#include <algorithm>
#include <cmath>
#include <exception>
#include <utility>

namespace trassel {
namespace {

constexpr int kLargestScale = 1'000'000;

int ScaleShown(double scale) { return static_cast<int>(std::clamp<long long>(std::llround(scale), 1, kLargestScale)); }

QSpinBox* ScaleEdit(const char* name, QWidget* parent)
{
    auto* edit = new QSpinBox(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setRange(1, kLargestScale);
    edit->setGroupSeparatorShown(true);
    // The preview is redrawn on Enter, on the arrows and on leaving the field, not on every digit.
    edit->setKeyboardTracking(false);
    return edit;
}

// The section's own scales stand in for those not given.
SectionPrintOptions WithScales(SectionPrintOptions options, const SectionPrintSource& source)
{
    if (!(options.horizontalScale > 0))
        options.horizontalScale = DefaultHorizontalScale(source.pixelsPerPicket);
    if (!(options.verticalScale > 0))
        options.verticalScale = DefaultVerticalScale(source.pixelsPerCm);
    return options;
}

// Qt's preview records its sheets as pictures; a real printout goes to a printer's own engine.
bool IsPreview(QPrinter& printer)
{
    const QPaintEngine* engine = printer.paintEngine();
    return engine && engine->type() == QPaintEngine::Picture;
}

// In the preview a failure is shown where the sheets would be.
void ShowFailure(QPrinter& printer, const QString& message)
{
    QPainter painter;
    if (!painter.begin(&printer))
        return;
    const QRect area(QPoint(0, 0), printer.pageLayout().paintRectPixels(printer.resolution()).size());
    painter.drawText(area.adjusted(area.width() / 10, area.height() / 10, -area.width() / 10, 0),
                     Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, message);
    painter.end();
}

} // namespace

SectionPrintControls::SectionPrintControls(const SectionPrintSource& source, QWidget* parent)
    : QWidget(parent), source_(source)
{
    setObjectName(QStringLiteral("pnlSectionPrint"));
    cbPrintFit = new QComboBox(this);
    cbPrintFit->setObjectName(QStringLiteral("cbPrintFit"));
    cbPrintFit->addItem(QStringLiteral("По высоте страницы"), static_cast<int>(PrintFit::PageHeight));
    cbPrintFit->addItem(QStringLiteral("Весь разрез на одной странице"), static_cast<int>(PrintFit::WholeOnOnePage));
    cbPrintFit->addItem(QStringLiteral("В масштабе"), static_cast<int>(PrintFit::TrueScale));
    // A picture without pickets or depths has no scale to print at.
    if (!(source.pixelsPerPicket > 0) || !(source.pixelsPerCm > 0)) {
        if (auto* model = qobject_cast<QStandardItemModel*>(cbPrintFit->model()))
            model->item(2)->setEnabled(false);
    }
    seHorizontalScale = ScaleEdit("seHorizontalScale", this);
    seVerticalScale = ScaleEdit("seVerticalScale", this);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 0, 4, 0);
    layout->addWidget(cbPrintFit);
    layout->addSpacing(8);
    layout->addWidget(new QLabel(QStringLiteral("Горизонтальный масштаб 1 :"), this));
    layout->addWidget(seHorizontalScale);
    layout->addSpacing(8);
    layout->addWidget(new QLabel(QStringLiteral("Вертикальный масштаб 1 :"), this));
    layout->addWidget(seVerticalScale);
    layout->addStretch(1);

    setOptions(SectionPrintOptions{});
    connect(cbPrintFit, &QComboBox::currentIndexChanged, this, [this] {
        updateEnabled();
        Q_EMIT optionsChanged();
    });
    connect(seHorizontalScale, &QSpinBox::valueChanged, this, &SectionPrintControls::optionsChanged);
    connect(seVerticalScale, &QSpinBox::valueChanged, this, &SectionPrintControls::optionsChanged);
}

SectionPrintOptions SectionPrintControls::options() const
{
    SectionPrintOptions options;
    options.fit = static_cast<PrintFit>(cbPrintFit->currentData().toInt());
    options.horizontalScale = seHorizontalScale->value();
    options.verticalScale = seVerticalScale->value();
    options.overlapMm = overlapMm_;
    return options;
}

void SectionPrintControls::setOptions(const SectionPrintOptions& options)
{
    const SectionPrintOptions shown = WithScales(options, source_);
    const QSignalBlocker fit(cbPrintFit);
    const QSignalBlocker horizontal(seHorizontalScale);
    const QSignalBlocker vertical(seVerticalScale);
    cbPrintFit->setCurrentIndex(std::max(0, cbPrintFit->findData(static_cast<int>(shown.fit))));
    seHorizontalScale->setValue(ScaleShown(shown.horizontalScale));
    seVerticalScale->setValue(ScaleShown(shown.verticalScale));
    overlapMm_ = shown.overlapMm;
    updateEnabled();
}

void SectionPrintControls::updateEnabled()
{
    const bool scaled = cbPrintFit->currentData().toInt() == static_cast<int>(PrintFit::TrueScale);
    seHorizontalScale->setEnabled(scaled);
    seVerticalScale->setEnabled(scaled);
}

SectionPrintPreview::SectionPrintPreview(SectionPrintSource source, QWidget* parent)
    : source_(std::move(source)), parent_(parent), options_(WithScales(SectionPrintOptions{}, source_))
{
}

void SectionPrintPreview::setOptions(const SectionPrintOptions& options) { options_ = WithScales(options, source_); }

void SectionPrintPreview::print(QPrinter& printer) const { PrintSection(printer, source_, options_); }

int SectionPrintPreview::exec(QPrinter& printer)
{
    QPrintPreviewDialog dialog(&printer, parent_);
    dialog.setWindowTitle(QStringLiteral("Предварительный просмотр разреза"));
    auto* controls = new SectionPrintControls(source_, &dialog);
    controls->setOptions(options_);
    // A tool bar row of its own under the preview's: at that bar's end the controls would often
    // be folded away behind its overflow button.
    if (auto* window = dialog.findChild<QMainWindow*>()) {
        auto* row = new QToolBar(window);
        row->setObjectName(QStringLiteral("tbSectionPrint"));
        row->setMovable(false);
        row->addWidget(controls);
        window->addToolBarBreak(Qt::TopToolBarArea);
        window->addToolBar(Qt::TopToolBarArea, row);
    } else if (auto* rows = qobject_cast<QBoxLayout*>(dialog.layout())) {
        rows->insertWidget(0, controls);
    }
    auto* view = dialog.findChild<QPrintPreviewWidget*>();
    QObject::connect(controls, &SectionPrintControls::optionsChanged, &dialog, [this, controls, view] {
        options_ = controls->options();
        if (view)
            view->updatePreview();
    });

    // Exceptions must not cross Qt's event loop: a failed printout is carried out of exec().
    std::exception_ptr failure;
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, [this, &failure](QPrinter* target) {
        const bool preview = IsPreview(*target);
        if (!preview)
            failure = nullptr;
        try {
            PrintSection(*target, source_, options_);
        } catch (const std::exception& e) {
            if (preview)
                ShowFailure(*target, QString::fromUtf8(e.what()));
            else
                failure = std::current_exception();
        }
    });
    const int result = dialog.exec();
    options_ = controls->options();
    if (failure)
        std::rethrow_exception(failure);
    return result;
}

} // namespace trassel

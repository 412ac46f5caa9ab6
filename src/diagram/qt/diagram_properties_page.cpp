#include "diagram/qt/diagram_properties_page.h"

#include "document/survey_document.h"
#include "platform/qt_convert.h"
#include "widgets/style_controls.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

namespace trassel {
namespace {

QCheckBox* checkBox(QWidget* parent, const char* name, const QString& caption)
{
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(QLatin1String(name));
    box->setChecked(true);
    return box;
}

} // namespace

DiagramPropertiesPage::DiagramPropertiesPage(SurveyDocument& doc, QWidget* parent) : QWidget(parent), doc_(&doc)
{
    auto* layout = new QVBoxLayout(this);
    chkDinamicDiapazonAxes = checkBox(this, "chkDinamicDiapazonAxes", QStringLiteral("Динамические оси"));
    layout->addWidget(chkDinamicDiapazonAxes);
    auto* form = new QFormLayout;
    seChtOverviewChartHeight = makeSpinEdit(this, "seChtOverviewChartHeight", 200);
    seChtOverviewChartWidth = makeSpinEdit(this, "seChtOverviewChartWidth", 2);
    form->addRow(QStringLiteral("кол-во по вертик"), seChtOverviewChartHeight);
    form->addRow(QStringLiteral("кол-во по гориз"), seChtOverviewChartWidth);
    layout->addLayout(form);
    chkSeriesMarksVisible = checkBox(this, "chkSeriesMarksVisible", QStringLiteral("Показывать подписи"));
    layout->addWidget(chkSeriesMarksVisible);
    auto* marksForm = new QFormLayout;
    seSeriesFrequencyMarks = makeSpinEdit(this, "seSeriesFrequencyMarks", 10);
    marksForm->addRow(QStringLiteral("Частота подписей"), seSeriesFrequencyMarks);
    layout->addLayout(marksForm);

    auto* cursor = new QGroupBox(QStringLiteral("Курсор"), this);
    auto* cursorLayout = new QVBoxLayout(cursor);
    auto* stepForm = new QFormLayout;
    ltxtVertIncrementDecrement = new QLineEdit(QStringLiteral("1"), cursor);
    ltxtVertIncrementDecrement->setObjectName(QStringLiteral("ltxtVertIncrementDecrement"));
    stepForm->addRow(QStringLiteral("Шаг кооректировки по верт."), ltxtVertIncrementDecrement);
    cursorLayout->addLayout(stepForm);
    auto* marks = new QGroupBox(QStringLiteral("Подпись курсора"), cursor);
    auto* marksLayout = new QHBoxLayout(marks);
    chkCursorHorizMarkVisible = checkBox(marks, "chkCursorHorizMarkVisible", QStringLiteral("абциссы"));
    chkCursorVertMarkVisible = checkBox(marks, "chkCursorVertMarkVisible", QStringLiteral("ординаты"));
    marksLayout->addWidget(chkCursorHorizMarkVisible);
    marksLayout->addWidget(chkCursorVertMarkVisible);
    marksLayout->addStretch(1); // the two boxes side by side, not spread over a wide page
    cursorLayout->addWidget(marks);
    auto* size = new QGroupBox(QStringLiteral("Размер курсора"), cursor);
    auto* sizeForm = new QFormLayout(size);
    seCursorHorzSize = makeSpinEdit(size, "seCursorHorzSize", 10);
    seCursorVertSize = makeSpinEdit(size, "seCursorVertSize", 10);
    sizeForm->addRow(QStringLiteral("горизонтальный"), seCursorHorzSize);
    sizeForm->addRow(QStringLiteral("вертикальный"), seCursorVertSize);
    cursorLayout->addWidget(size);
    layout->addWidget(cursor);
    layout->addStretch(1);

    for (QCheckBox* box :
         {chkDinamicDiapazonAxes, chkSeriesMarksVisible, chkCursorHorizMarkVisible, chkCursorVertMarkVisible})
        connect(box, &QCheckBox::toggled, this, [this] { push(); });
    for (QSpinBox* spin : {seChtOverviewChartHeight, seChtOverviewChartWidth, seSeriesFrequencyMarks, seCursorHorzSize,
                           seCursorVertSize})
        connect(spin, &QSpinBox::valueChanged, this, [this] { push(); });
    connect(ltxtVertIncrementDecrement, &QLineEdit::textChanged, this, [this] { push(); });
    push();
    subscription_ = doc.subscribe([this](const DocumentChange& change) {
        if (change.what == DocumentChange::What::DiagramParams)
            show(doc_->diagramParams());
    });
}

DiagramPropertiesPage::~DiagramPropertiesPage() = default;

void DiagramPropertiesPage::show(const DiagramParams& p)
{
    const QSignalBlocker b1(chkSeriesMarksVisible), b2(seSeriesFrequencyMarks), b3(chkCursorHorizMarkVisible),
        b4(chkCursorVertMarkVisible), b5(seCursorHorzSize), b6(seCursorVertSize), b7(chkDinamicDiapazonAxes),
        b8(seChtOverviewChartWidth), b9(seChtOverviewChartHeight), b10(ltxtVertIncrementDecrement);
    chkSeriesMarksVisible->setChecked(p.SeriesMarksVisible);
    seSeriesFrequencyMarks->setValue(p.SeriesFrequencyMarks);
    chkCursorHorizMarkVisible->setChecked(p.CursorHorizMarkVisible);
    chkCursorVertMarkVisible->setChecked(p.CursorVertMarkVisible);
    seCursorHorzSize->setValue(p.CursorHorzSize);
    seCursorVertSize->setValue(p.CursorVertSize);
    chkDinamicDiapazonAxes->setChecked(p.DinamicDiapazonAxes);
    seChtOverviewChartWidth->setValue(p.WindowWidth);
    seChtOverviewChartHeight->setValue(p.WindowHeight);
    if (toStdString(ltxtVertIncrementDecrement->text()) != p.VertIncrement)
        ltxtVertIncrementDecrement->setText(QString::fromStdString(p.VertIncrement));
}

DiagramParams DiagramPropertiesPage::params() const
{
    DiagramParams p = doc_->diagramParams();
    p.SeriesMarksVisible = chkSeriesMarksVisible->isChecked();
    p.SeriesFrequencyMarks = seSeriesFrequencyMarks->value();
    p.CursorHorizMarkVisible = chkCursorHorizMarkVisible->isChecked();
    p.CursorVertMarkVisible = chkCursorVertMarkVisible->isChecked();
    p.CursorHorzSize = seCursorHorzSize->value();
    p.CursorVertSize = seCursorVertSize->value();
    p.DinamicDiapazonAxes = chkDinamicDiapazonAxes->isChecked();
    p.WindowWidth = seChtOverviewChartWidth->value();
    p.WindowHeight = seChtOverviewChartHeight->value();
    p.VertIncrement = toStdString(ltxtVertIncrementDecrement->text());
    return p;
}

void DiagramPropertiesPage::push() { doc_->setDiagramParams(params()); }

} // namespace trassel

#include "section/qt/section_properties_page.h"

#include "document/survey_document.h"
#include "widgets/style_controls.h"

#include <QFormLayout>
#include <QSignalBlocker>
#include <QSpinBox>

#include <algorithm>
#include <climits>
#include <utility>

namespace trassel {

SectionPropertiesPage::SectionPropertiesPage(SurveyDocument& doc, CommandGuard guard, QWidget* parent)
    : QWidget(parent), doc_(&doc), guard_(std::move(guard))
{
    auto* form = new QFormLayout(this);
    seScaleX = makeSpinEdit(this, "seScaleX", 400, 50);
    seScaleY = makeSpinEdit(this, "seScaleY", 1, 1);
    seMaxDepth = makeSpinEdit(this, "seMaxDepth", 300, 50);
    seDHL = makeSpinEdit(this, "seDHL", 50, 25);
    seISSO = makeSpinEdit(this, "seISSO", 250, 50);
    sedH = makeSpinEdit(this, "sedH", 55, 5, kMinSurface, kMaxSurface);
    sedLleft = makeSpinEdit(this, "sedLleft", 25, 10);
    sedLright = makeSpinEdit(this, "sedLright", 100, 10);
    form->addRow(QStringLiteral("Масштаб X"), seScaleX);
    form->addRow(QStringLiteral("Масштаб Y"), seScaleY);
    form->addRow(QStringLiteral("Максимальная глубина, см"), seMaxDepth);
    form->addRow(QStringLiteral("Шаг горизонтальных меток"), seDHL);
    form->addRow(QStringLiteral("Глубина подписей ИССО и скважин"), seISSO);
    form->addRow(QStringLiteral("Глубина поверхности"), sedH);
    form->addRow(QStringLiteral("Левый отступ"), sedLleft);
    form->addRow(QStringLiteral("Правый отступ"), sedLright);

    // seScaleY runs the same handler as seScaleX: every drawing parameter redraws the section.
    for (QSpinBox* spin : {sedH, sedLleft, seScaleX, seScaleY, seMaxDepth, seDHL, sedLright, seISSO}) {
        // The document redraws the section when a parameter it shows changes (all but seISSO).
        connect(spin, &QSpinBox::valueChanged, this, [this] { guard_([this] { push(); }); });
    }
    push();
    subscription_ = doc.subscribe([this](const DocumentChange& change) {
        if (change.what == DocumentChange::What::SectionParams)
            show(doc_->sectionParams());
    });
}

SectionPropertiesPage::~SectionPropertiesPage() = default;

void SectionPropertiesPage::show(const SectionParams& p)
{
    const QSignalBlocker b1(sedH), b2(sedLleft), b3(sedLright), b4(seScaleX), b5(seScaleY), b6(seMaxDepth), b7(seDHL),
        b8(seISSO);
    seISSO->setValue(p.ISSO);
    sedH->setValue(p.H);
    sedLleft->setValue(p.Lleft);
    sedLright->setValue(p.R);
    seScaleX->setValue(p.SX);
    // The scale as a float may lie just past the spin edit's ends (INT_MAX rounds up): held there.
    seScaleY->setValue(static_cast<int>(std::clamp<double>(p.SY, INT_MIN, INT_MAX)));
    seMaxDepth->setValue(p.Dmax);
    seDHL->setValue(p.step);
}

SectionParams SectionPropertiesPage::params() const
{
    SectionParams p = doc_->sectionParams();
    p.H = sedH->value();
    p.Lleft = sedLleft->value();
    p.R = sedLright->value();
    p.SX = seScaleX->value();
    p.SY = static_cast<float>(seScaleY->value());
    p.Dmax = seMaxDepth->value();
    p.step = seDHL->value();
    p.ISSO = seISSO->value();
    return p;
}

void SectionPropertiesPage::push() { doc_->setSectionParams(params()); }

} // namespace trassel

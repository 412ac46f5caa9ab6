#pragma once
// The parameter page "Разрез": scales, depths and margins of the section. Every change writes
// the section parameters of the document and asks for the section to be drawn again.
#include "base/signal.h"
#include "section/section_renderer.h"
#include "widgets/command_guard.h"

#include <QWidget>

class QSpinBox;

namespace trassel {

class SurveyDocument;

class SectionPropertiesPage : public QWidget {
    Q_OBJECT
public:
    // `guard` reports a redraw that a parameter change asked for and that failed.
    SectionPropertiesPage(SurveyDocument& doc, CommandGuard guard, QWidget* parent = nullptr);
    ~SectionPropertiesPage() override;

    QSpinBox* seScaleX = nullptr;
    QSpinBox* seScaleY = nullptr;
    QSpinBox* seMaxDepth = nullptr;
    QSpinBox* seDHL = nullptr;
    QSpinBox* seISSO = nullptr;
    QSpinBox* sedH = nullptr;
    QSpinBox* sedLleft = nullptr;
    QSpinBox* sedLright = nullptr;

    SectionParams params() const;
    void push();

private:
    // Shows parameters that came from the document without writing them back or redrawing.
    void show(const SectionParams& p);

    SurveyDocument* doc_;
    CommandGuard guard_;
    Subscription subscription_;
};

} // namespace trassel

#pragma once
// The parameter page "Разрез": scales, depths and margins of the section. Every change writes
// the section parameters of the document and asks for the section to be drawn again.
#include "section/section_renderer.h"

#include <QWidget>

class QSpinBox;

namespace trassel {

class SurveyDocument;

class SectionPropertiesPage : public QWidget {
    Q_OBJECT
public:
    explicit SectionPropertiesPage(SurveyDocument& doc, QWidget* parent = nullptr);
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

signals:
    // A parameter the drawing uses changed (every one but seISSO, which only the boreholes read).
    void redrawRequested();

private:
    // Shows parameters that came from the document without writing them back or redrawing.
    void show(const SectionParams& p);

    SurveyDocument* doc_;
    int subscription_ = 0;
};

} // namespace trassel

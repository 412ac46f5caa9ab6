#include "section/qt/section_cursor.h"

#include "document/section_scene.h"
#include "document/survey_document.h"
#include "section/qt/section_view.h"

namespace trassel {

SectionCursor::SectionCursor(SurveyDocument& doc, SectionView& view, QObject* parent)
    : QObject(parent), doc_(doc), view_(view)
{
    subscription_ = doc_.subscribe([this](const DocumentChange& change) {
        using W = DocumentChange::What;
        switch (change.what) {
        case W::Cursor: follow(true); break;
        // A drawing, a picket typed or a range changed moves the row's place on the section.
        case W::SectionPicture:
        case W::Cells:
        case W::TableShape:
        case W::TableReplaced:
        case W::Settings: follow(false); break;
        default: break;
        }
    });
    follow(false);
}

void SectionCursor::follow(bool scroll)
{
    const std::optional<double> x = doc_.section().xOfRow(doc_.diagram().cursor().Row);
    view_.imageControl()->setMarker(x);
    if (!scroll || !x)
        return;
    const QRectF shown = view_.visibleSection();
    if (*x < shown.left() || *x > shown.right())
        view_.showSectionX(*x);
}

} // namespace trassel

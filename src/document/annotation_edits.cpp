#include "document/annotation_edits.h"

#include "document/survey_document.h"

namespace trassel {

AnnotationEdit::AnnotationEdit(std::string text, std::uint64_t drawing) : Edit(std::move(text)), drawing_(drawing) {}

void AnnotationEdit::add(int left, int top, Picture before, Picture after)
{
    patches_.push_back({left, top, std::move(before), std::move(after)});
}

void AnnotationEdit::apply(SurveyDocument& doc)
{
    Canvas* canvas = doc.sectionCanvas();
    if (canvas == nullptr || doc.sectionDrawing() != drawing_)
        return;
    for (const Patch& patch : patches_)
        canvas->draw(patch.left, patch.top, patch.after);
    doc.notify({DocumentChange::What::SectionPicture, TableId::Depth, {}});
}

void AnnotationEdit::revert(SurveyDocument& doc)
{
    Canvas* canvas = doc.sectionCanvas();
    if (canvas == nullptr || doc.sectionDrawing() != drawing_)
        return;
    for (auto it = patches_.rbegin(); it != patches_.rend(); ++it)
        canvas->draw(it->left, it->top, it->before);
    doc.notify({DocumentChange::What::SectionPicture, TableId::Depth, {}});
}

std::size_t AnnotationEdit::bytes() const
{
    std::size_t n = sizeof(*this) + text().capacity();
    for (const Patch& p : patches_)
        n += sizeof(Patch) + (p.before.pixels.capacity() + p.after.pixels.capacity()) * sizeof(Color);
    return n;
}

} // namespace trassel

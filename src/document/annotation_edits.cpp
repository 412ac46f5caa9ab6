#include "document/annotation_edits.h"

#include "document/section_scene.h"
#include "document/survey_document.h"
#include "drawing/drawing_record.h"

#include <algorithm>

namespace trassel {

AnnotationEdit::AnnotationEdit(std::string text, std::uint64_t drawing, std::uint32_t group)
    : Edit(std::move(text)), drawing_(drawing), group_(group)
{
}

bool AnnotationEdit::empty(const SurveyDocument& doc) const
{
    // A step's operations are the last ones drawn: looked for from the end.
    const auto ops = doc.section().record().ops();
    return std::none_of(ops.rbegin(), ops.rend(), [&](const DrawOp& op) { return op.group == group_; });
}

void AnnotationEdit::show(SurveyDocument& doc, bool shown)
{
    if (doc.section().drawing() != drawing_)
        return;
    doc.section().record().setGroupHidden(group_, !shown);
    doc.notify({DocumentChange::What::SectionPicture, TableId::Depth, {}});
}

void AnnotationEdit::apply(SurveyDocument& doc) { show(doc, true); }

void AnnotationEdit::revert(SurveyDocument& doc) { show(doc, false); }

std::size_t AnnotationEdit::bytes() const { return sizeof(*this) + text().capacity(); }

} // namespace trassel

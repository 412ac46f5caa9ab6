#include "document/norms_edits.h"

#include "document/survey_document.h"

namespace trassel {
namespace {

std::size_t BytesOf(const DesignNorms& n)
{
    std::size_t bytes = n.stretches.capacity() * sizeof(DesignStretch) + n.layers.capacity() * sizeof(LayerNorm) +
                        n.classes.capacity() * sizeof(ConditionClass);
    for (const LayerNorm& l : n.layers)
        bytes += l.name.capacity();
    for (const ConditionClass& c : n.classes)
        bytes += c.name.capacity();
    return bytes;
}

} // namespace

void NormsEdit::apply(SurveyDocument& doc) { doc.putNorms(after_); }

void NormsEdit::revert(SurveyDocument& doc) { doc.putNorms(before_); }

std::size_t NormsEdit::bytes() const { return sizeof(*this) + text().capacity() + BytesOf(before_) + BytesOf(after_); }

} // namespace trassel

#include "document/radargram_edits.h"

#include "document/survey_document.h"

namespace trassel {

void RadargramEdit::apply(SurveyDocument& doc) { doc.putRadargramModel(after_); }

void RadargramEdit::revert(SurveyDocument& doc) { doc.putRadargramModel(before_); }

std::size_t RadargramEdit::bytes() const
{
    // A file's facts count once: the step that opened it holds them until it is dropped.
    const std::size_t file = after_.file && after_.file != before_.file
                                 ? sizeof(RadargramFile) + after_.file->path.capacity() +
                                       after_.file->marks.capacity() * sizeof(std::int64_t)
                                 : 0;
    return sizeof(*this) + text().capacity() + before_.bytes() + after_.bytes() + file;
}

namespace {

std::size_t BytesOf(const std::vector<KnownDepth>& known)
{
    std::size_t bytes = known.capacity() * sizeof(KnownDepth);
    for (const KnownDepth& k : known)
        bytes += k.source.capacity();
    return bytes;
}

} // namespace

void KnownDepthsEdit::apply(SurveyDocument& doc) { doc.putKnownDepths(after_); }

void KnownDepthsEdit::revert(SurveyDocument& doc) { doc.putKnownDepths(before_); }

std::size_t KnownDepthsEdit::bytes() const
{
    return sizeof(*this) + text().capacity() + BytesOf(before_) + BytesOf(after_);
}

} // namespace trassel

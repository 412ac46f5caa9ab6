#include "document/project_form_edit.h"

#include "document/survey_document.h"

namespace trassel {
namespace {

std::size_t BytesOf(const ProjectForm& f)
{
    return f.organisation.capacity() + f.object.capacity() + f.line.capacity() + f.track.capacity() +
           f.developer.capacity() + f.checker.capacity() + f.date.capacity();
}

} // namespace

void ProjectFormEdit::apply(SurveyDocument& doc) { doc.putProjectForm(after_); }

void ProjectFormEdit::revert(SurveyDocument& doc) { doc.putProjectForm(before_); }

std::size_t ProjectFormEdit::bytes() const
{
    return sizeof(*this) + text().capacity() + BytesOf(before_) + BytesOf(after_);
}

} // namespace trassel

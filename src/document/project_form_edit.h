#pragma once
// A change of the project form (the title block's texts) as one undoable step: the form before
// and after, a few short texts.
#include "document/edit.h"
#include "sheets/project_form.h"

namespace trassel {

class ProjectFormEdit : public Edit {
public:
    ProjectFormEdit(std::string text, ProjectForm before, ProjectForm after)
        : Edit(std::move(text)), before_(std::move(before)), after_(std::move(after))
    {
    }

    void apply(SurveyDocument& doc) override;
    void revert(SurveyDocument& doc) override;
    std::size_t bytes() const override;

private:
    ProjectForm before_;
    ProjectForm after_;
};

} // namespace trassel

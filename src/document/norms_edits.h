#pragma once
// A change of the design norms (stretches, the ballast table, layer norms and the parameters of
// judging) as one undoable step: the norms before and after, small enough to keep whole.
#include "document/edit.h"
#include "thickness/norms.h"

namespace trassel {

class NormsEdit : public Edit {
public:
    NormsEdit(std::string text, DesignNorms before, DesignNorms after)
        : Edit(std::move(text)), before_(std::move(before)), after_(std::move(after))
    {
    }

    void apply(SurveyDocument& doc) override;
    void revert(SurveyDocument& doc) override;
    std::size_t bytes() const override;

private:
    DesignNorms before_;
    DesignNorms after_;
};

} // namespace trassel

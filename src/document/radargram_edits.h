#pragma once
// A change of the instrument radargram (its file, channel, ties, time zero, permittivity or
// display) as one undoable step: the model before and after. The model is small (the file's
// facts are shared between the two), so the step keeps it whole.
#include "document/edit.h"
#include "radargram/calibration.h"
#include "radargram/radargram_model.h"

#include <vector>

namespace trassel {

class RadargramEdit : public Edit {
public:
    RadargramEdit(std::string text, RadargramModel before, RadargramModel after)
        : Edit(std::move(text)), before_(std::move(before)), after_(std::move(after))
    {
    }

    void apply(SurveyDocument& doc) override;
    void revert(SurveyDocument& doc) override;
    std::size_t bytes() const override;

private:
    RadargramModel before_;
    RadargramModel after_;
};

// A change of the table of known depths as one undoable step: the table before and after.
class KnownDepthsEdit : public Edit {
public:
    KnownDepthsEdit(std::string text, std::vector<KnownDepth> before, std::vector<KnownDepth> after)
        : Edit(std::move(text)), before_(std::move(before)), after_(std::move(after))
    {
    }

    void apply(SurveyDocument& doc) override;
    void revert(SurveyDocument& doc) override;
    std::size_t bytes() const override;

private:
    std::vector<KnownDepth> before_;
    std::vector<KnownDepth> after_;
};

} // namespace trassel

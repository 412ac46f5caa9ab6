#pragma once
// Between the settings the user saves and loads and the document they belong to: the
// delimiter and picket column of the table settings, the cursor settings of the diagram.
#include "settings/options_file.h"

namespace trassel {

class SurveyDocument;

// The settings as the document holds them now.
OptionValues OptionsOf(const SurveyDocument& document);

// Puts the settings into the document (and so into the controls that show them), nothing
// else: no table is read again and nothing is drawn; each value counts at the next command
// that reads it. A delimiter that is not one of the items leaves no item chosen.
void ApplyOptions(SurveyDocument& document, const OptionValues& values);

} // namespace trassel

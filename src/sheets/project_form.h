#pragma once
// The project form: what the title block of every drawn sheet and the report's title page say.
#include <string>

namespace trassel {

// The texts of the title block, filled in once for a project and kept in its workspace.
struct ProjectForm {
    std::string organisation;
    std::string object;
    std::string line;
    std::string track;
    std::string developer; // "Разработал"
    std::string checker;   // "Проверил"
    std::string date;
    // The deviation plot of the first layer and its failing stretches under the section.
    bool deviationPlot = false;
    bool operator==(const ProjectForm&) const = default;
};

} // namespace trassel

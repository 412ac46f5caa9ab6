#pragma once
// The one error type of the program. Every failure a command can meet is raised as a
// trassel::Error carrying the exact text the user reads in the message box.
#include <stdexcept>
#include <string>

namespace trassel {

class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message) : std::runtime_error(message) {}
};

} // namespace trassel

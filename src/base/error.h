#pragma once
// The one error type of the program. Every failure a command can meet is raised as a
// trassel::Error carrying the exact text the user reads in the message box.
#include <stdexcept>
#include <string>

namespace trassel {

class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message) : std::runtime_error(message) { }
};

// A long command stopped by the user: not a failure, nothing to report.
class Cancelled : public std::exception {
public:
    const char* what() const noexcept override { return "cancelled"; }
};

} // namespace trassel

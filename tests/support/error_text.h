#pragma once
// The message of the trassel::Error an action raises, or "(no error)".
#include "base/error.h"

#include <functional>
#include <string>

namespace trassel {

inline std::string errorText(const std::function<void()>& action)
{
    try {
        action();
    } catch (const Error& e) {
        return e.what();
    }
    return "(no error)";
}

} // namespace trassel

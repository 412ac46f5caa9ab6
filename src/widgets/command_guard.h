#pragma once
// How a page runs the handler of one of its controls: through the main window's one error
// reporter, which shows a failure's text and lets the program go on.
#include <functional>

namespace trassel {

using CommandGuard = std::function<bool(const std::function<void()>&)>;

} // namespace trassel

#include "base/compile_date.h"

namespace trassel {
// The preprocessor's date has exactly the form the window caption and the about box show.
const char* BuildDate() { return __DATE__; }
} // namespace trassel

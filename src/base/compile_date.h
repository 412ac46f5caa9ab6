#pragma once
// The build date as "Aug  5 2015": English month, day right-aligned in two places, year.
namespace trassel {
const char* BuildDate();
} // namespace trassel

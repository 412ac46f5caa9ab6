#pragma once
// Large buffers that are filled at once (a table file of hundreds of megabytes, the records of
// its rows) are backed by huge pages where the system offers them: the memory is touched a few
// hundred times instead of a hundred thousand, which is most of the time an import spends
// beside reading. Only a hint: nothing changes where the system declines.
#include <cstddef>

namespace trassel {

// Advises the whole 2 MB blocks inside [data, data + bytes); smaller buffers are left alone.
void AdviseHugePages(void* data, std::size_t bytes) noexcept;

} // namespace trassel

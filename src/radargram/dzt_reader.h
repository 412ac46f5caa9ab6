#pragma once
// GSSI-style DZT files: one 1024-byte header per channel, then scans of all channels one after
// the other, 8- or 16-bit unsigned or 32-bit signed samples. Marks come from the DZX sidecar
// beside the file when there is one, else from the traces the instrument flagged.
#include "base/progress.h"
#include "radargram/radargram_reader.h"

#include <optional>
#include <string_view>

namespace trassel {

class DztReader : public RadargramReader {
public:
    // `dzx` is the text of the sidecar, when there is one. Without it the traces are scanned for
    // marks, which `progress` follows (and may cancel by throwing Cancelled).
    DztReader(RadargramSource file, std::optional<std::string_view> dzx, const Progress& progress = {});

    // Maps the file and reads the DZX beside it (same name, .dzx or .DZX) when it exists.
    static std::unique_ptr<DztReader> open(const std::string& path, const Progress& progress = {});

private:
    void marksFromTraces(const Progress& progress);
};

// The scans of the marks of a DZX file: the numbers in <scan>…</scan> inside each <WayPt>
// element, in file order. A tolerant scan of the text, not an XML parser: what is not a
// number is skipped.
std::vector<std::int64_t> DzxMarkScans(std::string_view xml);

} // namespace trassel

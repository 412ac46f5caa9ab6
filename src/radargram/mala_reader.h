#pragma once
// MALA-style RD3 (16-bit) and RD7 (32-bit) files with their RAD text header: headerless traces
// one after another; the RAD gives the samples, the sampling frequency or the time window, the
// distance between traces, the antenna and the number of the last trace.
#include "radargram/radargram_reader.h"

#include <string_view>

namespace trassel {

class MalaReader : public RadargramReader {
public:
    // `rad` is the text of the RAD file, `radName` its name for messages; `rd7` for 32-bit samples.
    MalaReader(RadargramSource data, std::string_view rad, const std::string& radName, bool rd7);
    // Maps the file (.rd3 or .rd7 by its extension) and reads the RAD beside it, which must exist.
    static std::unique_ptr<MalaReader> open(const std::string& path);
};

} // namespace trassel

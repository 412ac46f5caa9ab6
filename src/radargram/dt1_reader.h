#pragma once
// Sensors & Software-style DT1 files with their HD text header: each trace a 128-byte header of
// 32-bit floats followed by 16-bit signed samples; the HD names the traces, the points per
// trace, the time window, time zero, the step and its unit, and the antenna's frequency.
#include "radargram/radargram_reader.h"

#include <string_view>

namespace trassel {

class Dt1Reader : public RadargramReader {
public:
    // `hd` is the text of the HD file, `hdName` its name for messages.
    Dt1Reader(RadargramSource dt1, std::string_view hd, const std::string& hdName);
    // Maps the file and reads the HD beside it (same name, .hd or .HD), which must exist.
    static std::unique_ptr<Dt1Reader> open(const std::string& path);
};

// Metres in one of the HD's position units ("m", "metres", "cm", "ft", "feet", "in"); nothing
// for a unit not known.
std::optional<double> MetresPerUnit(std::string_view unit);

} // namespace trassel

#pragma once
// SEG-Y revisions 0, 1 and 2 as radar instruments and their software write them: either byte
// order, IBM or IEEE floats or integers of 8, 16 or 32 bits, the textual header in EBCDIC or
// ASCII, extended textual headers skipped, and the sample interval read in the unit the
// writer meant (microseconds by the standard; radar exporters often write nanoseconds or
// picoseconds in the same field, since a radar's interval is below a microsecond).
#include "radargram/radargram_reader.h"

#include <string>
#include <string_view>

namespace trassel {

// The unit of the binary header's sample interval.
enum class IntervalUnit { Microseconds, Nanoseconds, Picoseconds };

// The unit a radar trace's interval is written in, decided in this order:
//  1. The textual header says it: a line that speaks of the interval ("INTERVAL", "SAMPLING",
//     "SAMPLE RATE", "DT") and names a unit ("PS"/"PICOSEC…", "NS"/"NANOSEC…", "US"/"MICROSEC…",
//     in Russian "пс", "нс", "мкс") decides.
//  2. Microseconds, the standard's unit, when the window it gives (interval x samples) is at
//     most 20 µs: a radar trace never spans more, and that is what a writer that stores a
//     fractional interval (the extended field of revision 2) gives.
//  3. Nanoseconds when that window is at most 2,000 ns: the windows of antennas from about
//     100 MHz up, all a track-bed survey uses.
//  4. Picoseconds when the interval lies between 5 ps (samplers do not go finer) and 1 ns and
//     the window between 1 ns and 20 µs: a high-frequency antenna sampled at a fraction of a
//     nanosecond, which an integer field can only hold in picoseconds.
//  5. Nanoseconds when that window is at most 20 µs (a deep survey at low frequency).
//  6. Otherwise microseconds as the standard says (the file is not a radar record we can
//     make sense of; its time window is shown as written).
IntervalUnit SegyIntervalUnit(double interval, int samples, std::string_view textHeader);

class SegyReader : public RadargramReader {
public:
    explicit SegyReader(RadargramSource file);
    static std::unique_ptr<SegyReader> open(const std::string& path);

    // The 3200-byte textual header as UTF-8 text (from EBCDIC, or from ASCII with Windows-1251).
    const std::string& textHeader() const { return text_; }
    bool ebcdic() const { return ebcdic_; }
    int revision() const { return revision_; }
    int formatCode() const { return formatCode_; }
    IntervalUnit intervalUnit() const { return unit_; }

private:
    std::string text_;
    bool ebcdic_ = false;
    int revision_ = 0;
    int formatCode_ = 0;
    IntervalUnit unit_ = IntervalUnit::Microseconds;
};

// EBCDIC (code page 037) text as ASCII; bytes without an ASCII letter, digit or sign become blanks.
std::string EbcdicToAscii(std::string_view bytes);

} // namespace trassel

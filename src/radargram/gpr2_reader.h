#pragma once
// GPR2 files (header mark 0xFEDCBA98): a 512-byte header, a colour table and one equalisation
// factor per sample, then traces each of a 36-byte header and 32-bit float samples. Marks are
// the traces whose header carries a label.
//
// The layout as read here, little-endian:
//   header   0 u32 mark 0xFEDCBA98   4 i32 traces   8 i32 samples   12 f32 time window (ns)
//           16 f32 permittivity      20 i32 step (mm)   24 i64 start position (mm)
//           32/40/48 i64 X, Y, Z (mm)   56 u64 creation time (FILETIME)   64 i32 antenna base (mm)
//           68..127 processing parameters   128 antenna name (40 bytes, Windows-1251)
//   512     colour table, 256 entries of 4 bytes; then samples x f32 equalisation factors
//   trace    0 i64 time   8 i32 position   12/16/20 i32 X, Y, Z   24 i32 antenna
//           28 i32 label id (0: none)   32 i32 label position   36 samples x f32
#include "base/progress.h"
#include "radargram/radargram_reader.h"

namespace trassel {

class Gpr2Reader : public RadargramReader {
public:
    static constexpr std::uint32_t kMark = 0xFEDCBA98U;
    static constexpr std::uint64_t kHeaderBytes = 512;
    static constexpr std::uint64_t kColourTableBytes = 1024;
    static constexpr std::uint64_t kTraceHeaderBytes = 36;

    // Every trace's header is read for its label, which `progress` follows (and may cancel).
    explicit Gpr2Reader(RadargramSource file, const Progress& progress = {});
    static std::unique_ptr<Gpr2Reader> open(const std::string& path, const Progress& progress = {});

private:
    void marksFromLabels(const Progress& progress);
};

} // namespace trassel

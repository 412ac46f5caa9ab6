#pragma once
// Instrument files of a radargram read straight from the file: the header says what the survey
// is (channels, traces, samples, time window, step, marks), and a viewer asks for blocks of
// traces of one channel as float samples. The file is mapped, never read whole into memory;
// the place of any trace is computed from its index, since every format here writes traces of
// one size.
#include "base/mapped_file.h"
#include "base/progress.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace trassel {

enum class RadargramFormat { Dzt, Segy, Dt1, Rd3, Rd7, Gpr2 };

// The name a user reads: "DZT", "SEG-Y", "DT1", "RD3", "RD7", "GPR2".
std::string_view FormatName(RadargramFormat format);

// Everything a radargram file says of itself. Times are in nanoseconds, lengths in metres.
struct RadargramInfo {
    RadargramFormat format = RadargramFormat::Dzt;
    int channels = 1;
    std::int64_t traces = 0;              // whole traces of each channel in the file
    int samples = 0;                      // per trace
    double timeWindowNs = 0;              // the time the samples of a trace span; 0 when the header does not say
    int sampleBits = 0;                   // as stored
    std::optional<double> stepM;          // distance between traces
    std::optional<double> markSpacingM;   // distance between marks, when the instrument set one
    std::vector<std::int64_t> marks;      // indices of marked traces, ascending
    std::optional<double> permittivity;   // relative, as set in the instrument
    std::optional<double> timeZeroSample; // the sample of time zero, when the header gives it
    std::optional<double> startPositionM; // position of the first trace
    std::vector<std::string> antennas;    // names (UTF-8), one per channel when the header names them
    std::optional<double> frequencyMhz;   // the antenna's nominal frequency
    std::int64_t droppedTraces = 0;       // traces the header or the size promised but the file lacks
    std::vector<std::string> warnings;    // what was tolerated, in the words a user reads
};

// How the samples of a trace are stored.
enum class SampleType { U8, U16, I8, I16, I32, U32, F32, F64, IbmF32 };

// Bytes a sample of the type takes.
int SampleBytes(SampleType type);

// Where the traces lie: trace t of channel c starts at
// dataOffset + t * traceStride + c * channelStride, its samples `sampleOffset` bytes later.
struct TraceLayout {
    std::uint64_t dataOffset = 0;
    std::uint64_t traceStride = 0;
    std::uint64_t channelStride = 0;
    std::uint64_t sampleOffset = 0;
    SampleType type = SampleType::I16;
    bool bigEndian = false;
    // Subtracted from every sample as it is read: the zero level of unsigned samples.
    double zero = 0;
};

// The bytes of an instrument file and the name its messages give: a mapped file, or bytes the
// caller keeps alive for the reader's life (tests and fuzzing read from memory through the same
// parser as a file on disk).
class RadargramSource {
public:
    static RadargramSource Map(const std::string& path);
    static RadargramSource Memory(std::span<const std::uint8_t> bytes, std::string name);

    std::span<const std::uint8_t> bytes() const { return bytes_; }
    const std::string& name() const { return name_; }
    // Copies bytes from `offset` on into `out` (a mapped file with the system's reads, see
    // MappedFile::read); returns how many, fewer only at the end.
    std::size_t read(std::uint64_t offset, std::span<std::uint8_t> out) const;

private:
    std::shared_ptr<MappedFile> mapped_;
    std::span<const std::uint8_t> bytes_;
    std::string name_;
};

// A radargram file opened for reading: its header facts and its traces. Each format's reader
// is a subclass that parses the header in its constructor and refuses a damaged file with an
// Error naming the file and the fault, before anything proportional to the header's numbers
// is allocated.
class RadargramReader {
public:
    virtual ~RadargramReader() = default;
    RadargramReader(const RadargramReader&) = delete;
    RadargramReader& operator=(const RadargramReader&) = delete;

    const RadargramInfo& info() const { return info_; }
    const TraceLayout& layout() const { return layout_; }
    const std::string& fileName() const { return source_.name(); }

    // The byte offset of trace `trace` of `channel` in the file (its header, where it has one).
    std::uint64_t traceOffset(int channel, std::int64_t trace) const;

    // Samples of traces [first, first + count) of `channel`, trace after trace, into `out`
    // (count * samples floats). Error for a channel or a range outside the file, or `out` of
    // another size.
    void readTraces(int channel, std::int64_t first, std::int64_t count, std::span<float> out) const;
    std::vector<float> readTraces(int channel, std::int64_t first, std::int64_t count) const;

protected:
    void checkBlock(int channel, std::int64_t first, std::int64_t count) const;

    explicit RadargramReader(RadargramSource source) : source_(std::move(source)) { }

    RadargramSource source_;
    RadargramInfo info_;
    TraceLayout layout_;
};

// Opens a radargram file by its extension (.dzt, .sgy/.segy, .dt1, .rd3, .rd7, .gpr2/.gpr),
// with its sidecar files beside it. Error naming the file for an unknown extension, a missing
// sidecar or a damaged file. Formats whose marks are found by reading every trace (DZT without a
// DZX, GPR2) report that pass to `progress`, which may cancel it by throwing Cancelled.
std::unique_ptr<RadargramReader> OpenRadargram(const std::string& path, const Progress& progress = {});

// The info printed by `trassel-render --radargram FILE --info`: one "key: value" a line.
std::string RadargramInfoText(const RadargramInfo& info);

} // namespace trassel

#pragma once
// The instrument radargram of an interpretation as plain values: which file and channel, the
// header facts the registration and the depth scale rest on (kept so that a project placed
// its traces the same way when the file has moved), the user's ties of traces to pickets, time
// zero, the permittivity of the profile or of its layers, and how the picture is shown. The
// document keeps one; its edits exchange whole values (a few hundred bytes and the ties).
#include "radargram/depth_model.h"
#include "radargram/registration.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace trassel {

class RadargramReader;
struct RadargramInfo;

// How the amplitudes become grey levels or colours.
enum class GainKind { Constant, Linear, Exponential, Agc };
enum class ColorMap { Grey, Diverging };

struct RadargramDisplay {
    GainKind gain = GainKind::Constant;
    double gainValue = 1.0;    // the factor (constant), per ns (linear), dB per ns (exponential)
    double agcWindowNs = 20.0; // the window of the automatic gain
    double contrast = 1.0;
    ColorMap colors = ColorMap::Grey;
    bool operator==(const RadargramDisplay&) const = default;
};

// The permittivity of the profile: one value when `boundariesCm` is empty, otherwise one per
// layer (eps.size() == boundariesCm.size() + 1, see DepthModel).
struct Permittivity {
    std::vector<double> boundariesCm;
    std::vector<double> eps{6.0};
    bool operator==(const Permittivity&) const = default;
};

// What the file said of itself when it was opened.
struct RadargramFile {
    std::string path; // absolute, UTF-8
    int channels = 1;
    std::int64_t traces = 0;
    int samples = 0;
    double timeWindowNs = 0; // 0: the header did not say, and no depth scale can be made
    HeaderPlacement header;
    std::vector<std::int64_t> marks;
    bool operator==(const RadargramFile&) const = default;
};

struct RadargramModel {
    // Shared, never changed in place: an edit of a tie or a permittivity copies the model
    // without the file's marks.
    std::shared_ptr<const RadargramFile> file;
    // The user's choices.
    int channel = 0;
    std::vector<TraceTie> ties;
    double timeZeroNs = 0;
    Permittivity permittivity;
    RadargramDisplay display;
    // "Притягивать к отражению": a depth set by a click goes to the strongest reflection near it.
    // Kept beside the display rather than in it, so that turning it over repaints nothing.
    bool snapToReflection = false;

    bool operator==(const RadargramModel& o) const
    {
        const bool sameFile = file == o.file || (file && o.file && *file == *o.file);
        return sameFile && channel == o.channel && ties == o.ties && timeZeroNs == o.timeZeroNs &&
               permittivity == o.permittivity && display == o.display && snapToReflection == o.snapToReflection;
    }

    bool open() const { return file != nullptr; }
    // The duration of one sample (ns); 0 when the window is not known.
    double sampleNs() const { return file && file->samples > 0 ? file->timeWindowNs / file->samples : 0.0; }
    TraceRegistration registration() const { return TraceRegistration(ties, file ? file->header : HeaderPlacement{}); }
    DepthModel depthModel() const { return DepthModel(permittivity.boundariesCm, permittivity.eps, timeZeroNs); }
    // Bytes of the choices (the file is shared).
    std::size_t bytes() const
    {
        return sizeof(*this) + ties.capacity() * sizeof(TraceTie) +
               (permittivity.boundariesCm.capacity() + permittivity.eps.capacity()) * sizeof(double);
    }
};

// The model of a file just opened: its facts, channel 0, no ties, time zero from the header
// or, when it gives none, from the first break of `meanTrace` (the averaged trace of the
// channel, empty when it could not be read), the header's permittivity when it lies in
// 1..100 (otherwise 6, a dry ballast's), the display as it was.
RadargramModel ModelOfFile(const std::string& path, const RadargramInfo& info, const std::vector<float>& meanTrace,
                           const RadargramDisplay& display);

// The average of up to `blocks` blocks of a few traces of `channel`, spread evenly over the
// file: enough to find the direct wave's onset without reading a kilometre of survey. Empty
// for a file without traces. A DZT scan's two instrument words take the level of the signal after
// them.
std::vector<float> MeanTrace(const RadargramReader& reader, int channel, int blocks = 32);

// Refuses, in Russian, what a model may not hold: a channel outside the file, ties that do not
// register (see TraceRegistration) or tie a trace the file lacks, a time zero not finite or outside the trace's time, a
// permittivity outside 1..100 or layers of the wrong shape, a display value not finite or not
// positive where it must be.
void CheckModel(const RadargramModel& model);

} // namespace trassel

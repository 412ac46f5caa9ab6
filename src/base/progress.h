#pragma once
// How far a long command has come, told to whoever shows it, and the user's way to stop it:
// the report may throw Cancelled, which unwinds the command. Every command that takes a report
// works aside (on a copy, into a temporary file) until its end, so a cancelled one changes nothing.
#include <cmath>
#include <functional>

namespace trassel {

// `done` of `total` units; total > 0. May throw Cancelled.
using Progress = std::function<void(long long done, long long total)>;

// The report of one stage of a longer command: units of the stage are mapped to the share
// [from, to] of the whole, told in thousandths; the report is consulted only every `stride`
// units, so calling at() for each row of a large table costs a compare.
class ProgressMeter {
public:
    static constexpr long long kWhole = 1000;

    ProgressMeter(const Progress& report, long long total, double from = 0.0, double to = 1.0, long long stride = 4096)
        : report_(report ? &report : nullptr), total_(total > 0 ? total : 1), from_(from), to_(to),
          stride_(stride > 0 ? stride : 1)
    {
        if (report_ != nullptr) {
            next_ = stride_;
            tell(0);
        }
    }

    void at(long long done)
    {
        if (report_ != nullptr && done >= next_) {
            next_ = done + stride_;
            tell(done);
        }
    }

    // The stage's end: its whole share is told.
    void finish()
    {
        if (report_ != nullptr)
            tell(total_);
    }

private:
    void tell(long long done)
    {
        const double part = static_cast<double>(done < total_ ? done : total_) / static_cast<double>(total_);
        (*report_)(std::llround((from_ + (to_ - from_) * part) * static_cast<double>(kWhole)), kWhole);
    }

    const Progress* report_;
    long long total_;
    double from_;
    double to_;
    long long stride_;
    long long next_ = 0;
};

} // namespace trassel

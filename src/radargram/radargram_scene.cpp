#include "radargram/radargram_scene.h"

#include "base/error.h"
#include "base/numbers.h"
#include "radargram/radargram_reader.h"

#include <algorithm>
#include <cmath>

namespace trassel {

namespace {

// The closest zoom: a trace or a sample 16 pixels wide.
constexpr double kMinPerPixel = 1.0 / 16.0;
// Labels stand at least this far apart (pixels).
constexpr int kPicketLabelGap = 90;
constexpr int kLeftLabelGap = 28;
// More ticks than this on a scale means a damaged registration: none are drawn.
constexpr long long kMaxTicks = 1000;

constexpr Color kMarkColor = 0x0000C0;  // red
constexpr Color kTieColor = 0xC06000;   // blue
constexpr Color kFaultColor = 0x0000A0; // dark red

// Columns of the left margin: depth labels, then time labels, then the ticks.
constexpr int kDepthRight = 40;
constexpr int kTimeRight = RadargramMargins::kLeft - 8;

} // namespace

double NiceStep(double minStep)
{
    if (!(minStep > 0) || !std::isfinite(minStep))
        return 1.0;
    const double power = std::pow(10.0, std::floor(std::log10(minStep)));
    for (const double m : {1.0, 2.0, 5.0, 10.0})
        if (m * power >= minStep * (1 - 1e-9))
            return m * power;
    return 10.0 * power;
}

std::string PicketScaleText(double picket)
{
    const double metres = std::round(picket * 100.0);
    const double whole = std::floor(metres / 100.0);
    const auto rest = static_cast<long long>(metres - whole * 100.0);
    std::string text = "ПК" + NumberToText(whole);
    if (rest != 0)
        text += (rest < 10 ? "+0" : "+") + IntToText(rest);
    return text;
}

double ReadPicketText(std::string_view text)
{
    const auto refuse = [&]() -> double {
        throw Error("'" + std::string(text) + "' не пикет: введите, например, 123.45 или 123+45");
    };
    const std::size_t plus = text.find('+');
    if (plus == std::string_view::npos) {
        const auto value = TryReadStrict(text);
        return value && std::isfinite(*value) ? *value : refuse();
    }
    const auto whole = TryReadInteger(text.substr(0, plus));
    const auto metres = TryReadStrict(text.substr(plus + 1));
    // The plus form names a picket and the metres after it: both whole and positive parts.
    if (!whole || !metres || *metres < 0 || *metres >= 100 || text.find('-') != std::string_view::npos ||
        text.substr(plus + 1).find('+') != std::string_view::npos)
        return refuse();
    return *whole + *metres / 100.0;
}

RadargramScene::RadargramScene() = default;
RadargramScene::~RadargramScene() = default;

void RadargramScene::setModel(const RadargramModel& model)
{
    const bool sameFile = model.open() && model_.open() && model_.file->path == model.file->path &&
                          (reader_ || !fault_.empty());
    if (!model.open() || sameFile) {
        if (sameFile && !reader_) {
            model_ = model; // the file still cannot be read: its fault stays
            return;
        }
        adopt(model, std::move(reader_), false);
        return;
    }
    std::unique_ptr<RadargramReader> reader;
    try {
        reader = OpenRadargram(model.file->path);
    } catch (const std::exception& e) {
        model_ = model;
        reader_.reset();
        fault_ = e.what();
        rasterOf_.reset();
        return;
    }
    adopt(model, std::move(reader), true);
}

void RadargramScene::setModel(const RadargramModel& model, std::unique_ptr<RadargramReader> reader)
{
    adopt(model, std::move(reader), true);
}

void RadargramScene::adopt(const RadargramModel& model, std::unique_ptr<RadargramReader> reader, bool newFile)
{
    const bool newChannel = model.channel != model_.channel;
    model_ = model;
    reader_ = std::move(reader);
    // The picture kept is of the window, the style and the channel; only another file makes it stale otherwise.
    if (newFile)
        rasterOf_.reset();
    fault_.clear();
    if (!reader_ || !model_.open()) {
        reader_.reset();
        return;
    }
    if (model_.channel < 0 || model_.channel >= reader_->info().channels) {
        // The file stays open: another channel of it may be chosen.
        fault_ = "Файл " + reader_->fileName() + ": нет канала " + IntToText(model_.channel + 1) + ".";
        return;
    }
    if (newFile || newChannel)
        fullScale_ = FullScaleOf(*reader_, model_.channel);
    if (newFile)
        showWhole();
}

int RadargramScene::plotWidth() const
{
    return std::max(1, width_ - RadargramMargins::kLeft - RadargramMargins::kRight);
}

int RadargramScene::plotHeight() const
{
    return std::max(1, height_ - RadargramMargins::kTop - RadargramMargins::kBottom);
}

void RadargramScene::setSize(int width, int height)
{
    CheckBitmapSize(width, height);
    width_ = width;
    height_ = height;
    if (fitted_)
        showWhole();
    else
        clampView();
}

void RadargramScene::setView(const RadargramViewport& view)
{
    view_ = view;
    fitted_ = false;
    clampView();
}

void RadargramScene::showWhole()
{
    if (!ready())
        return;
    view_ = {0, static_cast<double>(reader_->info().traces) / plotWidth(), 0,
             static_cast<double>(reader_->info().samples) / plotHeight()};
    fitted_ = true;
    clampView();
}

void RadargramScene::clampView()
{
    const double traces = ready() ? static_cast<double>(reader_->info().traces) : 0.0;
    const double samples = ready() ? static_cast<double>(reader_->info().samples) : 0.0;
    const auto clampAxis = [](double& first, double& perPixel, double count, int pixels) {
        const double farthest = std::max(kMinPerPixel, count / pixels);
        perPixel = std::isfinite(perPixel) ? std::clamp(perPixel, kMinPerPixel, farthest) : farthest;
        const double last = std::max(0.0, count - pixels * perPixel);
        first = std::isfinite(first) ? std::clamp(first, 0.0, last) : 0.0;
    };
    clampAxis(view_.firstTrace, view_.tracesPerPixel, traces, plotWidth());
    clampAxis(view_.firstSample, view_.samplesPerPixel, samples, plotHeight());
}

void RadargramScene::scrollBy(double dx, double dy)
{
    fitted_ = false;
    view_.firstTrace += dx * view_.tracesPerPixel;
    view_.firstSample += dy * view_.samplesPerPixel;
    clampView();
}

void RadargramScene::zoomAt(int x, int y, double fx, double fy)
{
    if (!(fx > 0) || !(fy > 0))
        return;
    fitted_ = false;
    const double trace = traceAt(x);
    const double sample = sampleAt(y);
    view_.tracesPerPixel /= fx;
    view_.samplesPerPixel /= fy;
    // The limits of the zoom first, so that the point stays under the mouse while they allow.
    clampView();
    view_.firstTrace = trace - (x - RadargramMargins::kLeft) * view_.tracesPerPixel;
    view_.firstSample = sample - (y - RadargramMargins::kTop) * view_.samplesPerPixel;
    clampView();
}

double RadargramScene::traceAt(int x) const
{
    return view_.firstTrace + (x - RadargramMargins::kLeft) * view_.tracesPerPixel;
}

double RadargramScene::sampleAt(int y) const
{
    return view_.firstSample + (y - RadargramMargins::kTop) * view_.samplesPerPixel;
}

RasterWindow RadargramScene::window() const
{
    return {view_.firstTrace,  plotWidth() * view_.tracesPerPixel,
            view_.firstSample, plotHeight() * view_.samplesPerPixel,
            plotWidth(),       plotHeight()};
}

RasterStyle RadargramScene::style() const { return {model_.display, model_.sampleNs(), model_.timeZeroNs, fullScale_}; }

const Picture& RadargramScene::raster()
{
    if (!ready()) {
        raster_ = Picture{};
        rasterOf_.reset();
        return raster_;
    }
    const RasterWindow w = window();
    const RasterStyle s = style();
    if (!rasterOf_ || rasterOf_->first != w || rasterOf_->second != s || rasterChannel_ != model_.channel) {
        raster_ = RenderRadargram(*reader_, model_.channel, s, w);
        rasterOf_.emplace(w, s);
        rasterChannel_ = model_.channel;
        ++rasterRevision_;
    }
    return raster_;
}

void RadargramScene::draw(Canvas& canvas)
{
    if (canvas.width() != width_ || canvas.height() != height_)
        canvas.setSize(width_, height_);
    canvas.whiteFill(0, 0, width_, height_);
    if (ready())
        canvas.draw(RadargramMargins::kLeft, RadargramMargins::kTop, raster());
    drawScales(canvas);
}

void RadargramScene::drawScales(Canvas& canvas)
{
    using M = RadargramMargins;
    const int left = M::kLeft;
    const int top = M::kTop;
    const int right = left + plotWidth();
    const int bottom = top + plotHeight();
    // The margins are the scales' own: white under them, whatever was painted before.
    canvas.whiteFill(0, 0, width_, top);
    canvas.whiteFill(0, top, left, height_);
    canvas.whiteFill(right, top, width_, height_);
    canvas.whiteFill(left, bottom, right, height_);
    canvas.setFont(FontState{});
    canvas.setBrushStyle(BrushStyle::Clear);
    canvas.setPenStyle(PenStyle::Solid);
    canvas.setPenWidth(1);
    canvas.setPenColor(kBlack);
    const int textHeight = canvas.textHeight();

    if (!ready()) {
        if (!fault_.empty()) {
            canvas.setFontColor(kFaultColor);
            canvas.textOut(left + 8, top + 8, fault_);
        }
        return;
    }
    canvas.moveTo(left - 1, top - 1);
    canvas.lineTo(right, top - 1);
    canvas.lineTo(right, bottom);
    canvas.lineTo(left - 1, bottom);
    canvas.lineTo(left - 1, top - 1);

    const auto xOfTrace = [&](double trace) { return left + (trace - view_.firstTrace) / view_.tracesPerPixel; };
    const auto yOfSample = [&](double sample) { return top + (sample - view_.firstSample) / view_.samplesPerPixel; };
    const double firstTrace = view_.firstTrace;
    const double lastTrace = traceAt(right);

    // ---- along the top: pickets, or trace numbers where the traces are not placed ----
    const TraceRegistration registration = model_.registration();
    const int tickTop = top - 12;
    const auto tick = [&](double x, const std::string& label) {
        const int xi = static_cast<int>(std::lround(x));
        if (xi < left || xi >= right)
            return;
        canvas.moveTo(xi, tickTop);
        canvas.lineTo(xi, top - 1);
        const int w = canvas.textWidth(label);
        canvas.textOut(std::clamp(xi - w / 2, 0, std::max(0, width_ - w)), tickTop - textHeight - 1, label);
    };
    canvas.setFontColor(kBlack);
    if (const auto p0 = registration.picketOf(firstTrace), p1 = registration.picketOf(lastTrace); p0 && p1) {
        const double lo = std::min(*p0, *p1) * 100.0; // metres
        const double hi = std::max(*p0, *p1) * 100.0;
        const double step = NiceStep((hi - lo) / plotWidth() * kPicketLabelGap);
        const double from = std::ceil(lo / step);
        const double to = std::floor(hi / step);
        if (to - from < kMaxTicks)
            for (double k = from; k <= to; ++k)
                if (const auto trace = registration.traceAt(k * step / 100.0))
                    tick(xOfTrace(*trace), PicketScaleText(k * step / 100.0));
    } else {
        const double step = std::max(1.0, NiceStep(view_.tracesPerPixel * kPicketLabelGap));
        for (double t = std::ceil(firstTrace / step) * step; t <= lastTrace; t += step)
            tick(xOfTrace(t), IntToText(static_cast<long long>(t)));
    }
    // The file's marks in red, the user's ties in blue, as short strokes under the scale.
    const auto stroke = [&](double trace, Color color) {
        const int xi = static_cast<int>(std::lround(xOfTrace(trace)));
        if (xi < left || xi >= right)
            return;
        canvas.setPenColor(color);
        canvas.setPenWidth(2);
        canvas.moveTo(xi, top - 7);
        canvas.lineTo(xi, top - 1);
    };
    const std::vector<std::int64_t>& marks = model_.file->marks;
    for (auto it = std::lower_bound(marks.begin(), marks.end(), static_cast<std::int64_t>(std::floor(firstTrace)));
         it != marks.end() && static_cast<double>(*it) <= lastTrace; ++it)
        stroke(static_cast<double>(*it), kMarkColor);
    for (const TraceTie& tie : model_.ties)
        stroke(static_cast<double>(tie.trace), kTieColor);
    canvas.setPenColor(kBlack);
    canvas.setPenWidth(1);

    // ---- on the left: time in ns (or sample numbers) and depth in cm ----
    const double sampleNs = model_.sampleNs();
    const double firstSample = view_.firstSample;
    const double lastSample = sampleAt(bottom);
    const auto leftTick = [&](double y, int labelRight, const std::string& label) {
        const int yi = static_cast<int>(std::lround(y));
        if (yi < top || yi >= bottom)
            return;
        canvas.moveTo(labelRight + 2, yi);
        canvas.lineTo(labelRight + 7, yi);
        const int w = canvas.textWidth(label);
        canvas.textOut(labelRight - w, std::max(top, yi - textHeight / 2), label);
    };
    const int headerY = top - textHeight - 2;
    if (sampleNs > 0) {
        canvas.textOut(kTimeRight - canvas.textWidth("нс"), headerY, "нс");
        const double t0 = firstSample * sampleNs;
        const double t1 = lastSample * sampleNs;
        const double step = NiceStep(view_.samplesPerPixel * sampleNs * kLeftLabelGap);
        for (double k = std::ceil(t0 / step); k * step <= t1; ++k)
            leftTick(yOfSample(k * step / sampleNs), kTimeRight, NumberToText(RoundTo(k * step, 3)));
        const DepthModel depth = model_.depthModel();
        canvas.textOut(kDepthRight - canvas.textWidth("см"), headerY, "см");
        const double d0 = depth.depthCm(t0);
        const double d1 = depth.depthCm(t1);
        const double dStep = NiceStep((d1 - d0) / plotHeight() * kLeftLabelGap);
        if ((d1 - d0) / dStep < kMaxTicks)
            for (double k = std::ceil(d0 / dStep); k * dStep <= d1; ++k)
                leftTick(yOfSample(depth.timeNs(k * dStep) / sampleNs), kDepthRight,
                         NumberToText(RoundTo(k * dStep, 3)));
    } else {
        // Without the time window only the samples can be counted; no depth can be given.
        canvas.textOut(kTimeRight - canvas.textWidth("отсч."), headerY, "отсч.");
        const double step = std::max(1.0, NiceStep(view_.samplesPerPixel * kLeftLabelGap));
        for (double s = std::ceil(firstSample / step) * step; s <= lastSample; s += step)
            leftTick(yOfSample(s), kTimeRight, IntToText(static_cast<long long>(s)));
    }
}

} // namespace trassel

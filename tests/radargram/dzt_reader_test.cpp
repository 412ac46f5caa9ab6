#include "radargram/dzt_reader.h"

#include "base/error.h"
#include "radargram_test_support.h"
#include "support/error_text.h"

#include <gtest/gtest.h>

namespace trassel {
namespace {

using test::DztLayout;
using test::HoldsPattern;
using test::MemorySource;
using test::WriteDzt;

DztReader Read(const std::string& bytes, std::optional<std::string_view> dzx = std::nullopt)
{
    return DztReader(MemorySource(bytes, "a.dzt"), dzx);
}

TEST(DztReader, EverySampleWidthAndChannelCountReadsBackWithTheHeaderFacts)
{
    for (const int bits : {8, 16, 32})
        for (const int channels : {1, 3}) {
            SCOPED_TRACE("bits " + std::to_string(bits) + ", channels " + std::to_string(channels));
            DztLayout layout;
            layout.bits = bits;
            layout.channels = channels;
            layout.samples = 24;
            layout.traces = 13;
            layout.scansPerMetre = 20.0f;
            layout.metresPerMark = 5.0f;
            const std::string bytes = WriteDzt(layout);
            const DztReader reader = Read(bytes);
            const RadargramInfo& info = reader.info();
            EXPECT_EQ(info.format, RadargramFormat::Dzt);
            EXPECT_EQ(info.channels, channels);
            EXPECT_EQ(info.traces, 13);
            EXPECT_EQ(info.samples, 24);
            EXPECT_EQ(info.sampleBits, bits);
            EXPECT_DOUBLE_EQ(info.timeWindowNs, 50.0);
            ASSERT_TRUE(info.stepM);
            EXPECT_DOUBLE_EQ(*info.stepM, 0.05);
            EXPECT_EQ(info.markSpacingM, 5.0);
            EXPECT_EQ(info.permittivity, 6.25);
            ASSERT_EQ(info.antennas.size(), static_cast<std::size_t>(channels));
            EXPECT_EQ(info.antennas.back(), "ANT400-" + std::to_string(channels));
            EXPECT_TRUE(info.warnings.empty());
            EXPECT_EQ(info.droppedTraces, 0);
            // Scans interleave the channels: each channel's block is its own.
            for (int c = 0; c < channels; ++c) {
                EXPECT_TRUE(HoldsPattern(reader, c, 0, 13, 2));
                EXPECT_TRUE(HoldsPattern(reader, c, 7, 3, 2));
            }
            EXPECT_EQ(reader.traceOffset(channels - 1, 5),
                      1024U * channels + (5U * channels + channels - 1) * 24U * (bits / 8));
            // The instrument's words are given as stored, less the zero level of unsigned samples.
            const std::vector<float> first = reader.readTraces(0, 0, 1);
            const float zero = bits == 8 ? 128.0f : bits == 16 ? 32768.0f : 0.0f;
            EXPECT_EQ(first[0], static_cast<float>(test::kDztFirstWord) - zero);
            EXPECT_EQ(first[1], static_cast<float>(test::kDztPlainWord) - zero);
        }
}

TEST(DztReader, DataStartByTheHeaderCountOrAfterOneHeaderPerChannel)
{
    DztLayout layout;
    layout.dataField = 2; // two headers of 1024 bytes before the data, one channel
    std::string bytes = WriteDzt(layout);
    EXPECT_EQ(Read(bytes).layout().dataOffset, 2048U);
    EXPECT_TRUE(HoldsPattern(Read(bytes), 0, 0, layout.traces, 2));

    layout.dataField = 2048; // a byte offset: the data follow one header per channel
    layout.channels = 2;
    bytes = WriteDzt(layout);
    EXPECT_EQ(Read(bytes).layout().dataOffset, 2048U);
    EXPECT_TRUE(HoldsPattern(Read(bytes), 1, 0, layout.traces, 2));
}

TEST(DztReader, MarksComeFromTheDzxWhenGivenElseFromFlaggedTraces)
{
    DztLayout layout;
    layout.traces = 40;
    layout.flagged = {3, 17, 39};
    const std::string bytes = WriteDzt(layout);
    EXPECT_EQ(Read(bytes).info().marks, (std::vector<std::int64_t>{3, 17, 39}));

    // The first trace flagged too: the word most traces hold is "no mark".
    layout.flagged = {0, 17};
    EXPECT_EQ(Read(WriteDzt(layout)).info().marks, (std::vector<std::int64_t>{0, 17}));

    // A DZX beside the file decides; its marks beyond the file's traces are left out, the rest
    // sorted once each.
    const std::string dzx = "<?xml version=\"1.0\"?><DZX><File><WayPt><scan>25</scan><mark>User</mark></WayPt>"
                            "<WayPt>\n  <scan> 5 </scan></WayPt><WayPt><scan>5</scan></WayPt>"
                            "<WayPt><scan>400</scan></WayPt><WayPt><scan>x1</scan></WayPt></File></DZX>";
    EXPECT_EQ(Read(bytes, dzx).info().marks, (std::vector<std::int64_t>{5, 25}));
    EXPECT_TRUE(Read(bytes, "<DZX></DZX>").info().marks.empty());
}

TEST(DztReader, MarksAreFoundInScansLargerThanTheScanReadsAtOnce)
{
    // 16 channels of 65,535 32-bit samples: a scan of 4 MB, read field by field.
    DztLayout layout;
    layout.channels = 16;
    layout.samples = 65535;
    layout.bits = 32;
    layout.traces = 3;
    layout.flagged = {1};
    const std::string bytes = WriteDzt(layout);
    const DztReader reader = Read(bytes);
    EXPECT_EQ(reader.info().marks, (std::vector<std::int64_t>{1}));
    EXPECT_TRUE(HoldsPattern(reader, 15, 2, 1, 2));
}

TEST(DztReader, DzxScanIsTolerantOfWhatIsNotAMarkScan)
{
    EXPECT_EQ(DzxMarkScans("<WayPt><scan>1</scan></WayPt><WayPt><scan>2</scan></WayPt>"),
              (std::vector<std::int64_t>{1, 2}));
    // A <scan> outside a waypoint, one without its end, an empty one, a negative one, one too long.
    EXPECT_EQ(DzxMarkScans("<scan>9</scan><WayPt><scan>3</WayPt><WayPt><scan></scan></WayPt>"
                           "<WayPt><scan>-4</scan></WayPt><WayPt><scan>12345678901234567890</scan></WayPt>"
                           "<WayPt><scan>\r\n7\t</scan>"),
              (std::vector<std::int64_t>{7}));
    EXPECT_TRUE(DzxMarkScans("").empty());
    EXPECT_TRUE(DzxMarkScans("<WayPt").empty());
}

TEST(DztReader, DamagedHeadersAreRefusedWithTheFileAndTheFault)
{
    DztLayout layout;
    const std::string good = WriteDzt(layout);
    EXPECT_EQ(errorText([&] { Read(good.substr(0, 1000)); }), "Файл «a.dzt»: заголовок обрезан (1000 байт из 1024)");
    EXPECT_EQ(errorText([&] { Read(""); }), "Файл «a.dzt»: заголовок обрезан (0 байт из 1024)");

    const auto patched = [&](std::size_t at, std::uint16_t value) {
        test::ByteWriter w;
        w.bytes = good;
        w.put(at, value);
        return w.bytes;
    };
    EXPECT_EQ(errorText([&] { Read(patched(0, 0x1234)); }),
              "Файл «a.dzt»: это не файл DZT (в начале заголовка нет его метки)");
    EXPECT_EQ(errorText([&] { Read(patched(4, 0)); }), "Файл «a.dzt»: в заголовке 0 отсчётов в трассе");
    EXPECT_EQ(errorText([&] { Read(patched(6, 12)); }),
              "Файл «a.dzt»: разрядность отсчётов 12 бит не поддерживается (читаются 8, 16 и 32)");
    EXPECT_EQ(errorText([&] { Read(patched(52, 0)); }), "Файл «a.dzt»: в заголовке 0 каналов");
    EXPECT_EQ(errorText([&] { Read(patched(2, 0)); }), "Файл «a.dzt»: в заголовке нет смещения данных (0)");
    // 60,000 channels put the data 61 MB into a file of a few kilobytes: refused before reading.
    EXPECT_EQ(errorText([&] { Read(patched(52, 60000)); }),
              "Файл «a.dzt»: данные начинаются за концом файла (со смещения 61440000, а в файле " +
                  std::to_string(good.size()) + " байт)");
    // 65,535 samples of 32 bits: one scan is larger than the whole file.
    std::string huge = patched(4, 65535);
    test::ByteWriter w;
    w.bytes = huge;
    w.put<std::uint16_t>(6, 32);
    EXPECT_EQ(errorText([&] { Read(w.bytes); }),
              "Файл «a.dzt»: нет ни одной целой трассы (трасса занимает 262140 байт, а данных " +
                  std::to_string(good.size() - 1024) + " байт)");
}

TEST(DztReader, AFileCutInATraceKeepsItsWholeTracesAndSaysSo)
{
    DztLayout layout;
    layout.traces = 6;
    layout.channels = 2;
    const std::string bytes = WriteDzt(layout);
    const std::string cut = bytes.substr(0, bytes.size() - 10);
    const DztReader reader = Read(cut);
    EXPECT_EQ(reader.info().traces, 5);
    EXPECT_EQ(reader.info().droppedTraces, 1);
    ASSERT_EQ(reader.info().warnings.size(), 1U);
    EXPECT_EQ(reader.info().warnings[0],
              "Файл «a.dzt»: последняя трасса обрезана (54 байт из 64); прочитаны 5 целых трасс, неполная отброшена");
    EXPECT_TRUE(HoldsPattern(reader, 1, 0, 5, 2));
}

TEST(DztReader, TheScanForMarksReportsItsProgressAndCanBeStopped)
{
    DztLayout layout;
    layout.traces = 20'000;
    layout.samples = 4;
    const std::string bytes = WriteDzt(layout);
    long long last = -1;
    int reports = 0;
    const Progress follow = [&](long long done, long long total) {
        EXPECT_EQ(total, ProgressMeter::kWhole);
        EXPECT_GE(done, last);
        last = done;
        ++reports;
    };
    DztReader(MemorySource(bytes, "a.dzt"), std::nullopt, follow);
    EXPECT_EQ(last, ProgressMeter::kWhole);
    EXPECT_GT(reports, 2);
    const Progress stop = [](long long done, long long) {
        if (done > 0)
            throw Cancelled();
    };
    EXPECT_THROW(DztReader(MemorySource(bytes, "a.dzt"), std::nullopt, stop), Cancelled);
    // With a DZX there is no scan to follow.
    reports = 0;
    DztReader(MemorySource(bytes, "a.dzt"), "<DZX/>", follow);
    EXPECT_EQ(reports, 0);
}

TEST(DztReader, AHeaderWithoutRangeOrStepKeepsThemUnknown)
{
    DztLayout layout;
    layout.range = 0.0f;
    layout.scansPerMetre = 0.0f;
    layout.permittivity = -1.0f;
    const DztReader reader = Read(WriteDzt(layout));
    EXPECT_EQ(reader.info().timeWindowNs, 0.0);
    EXPECT_FALSE(reader.info().stepM);
    EXPECT_FALSE(reader.info().permittivity);
    EXPECT_EQ(reader.info().warnings,
              (std::vector<std::string>{"Файл «a.dzt»: в заголовке не задан диапазон по времени"}));
}

} // namespace
} // namespace trassel

// The DT1, RD3/RD7 and GPR2 readers, opening by extension with sidecars, reading blocks of
// traces, and the facts `trassel-render --radargram FILE --info` prints.
#include "radargram/dt1_reader.h"
#include "radargram/dzt_reader.h"
#include "radargram/gpr2_reader.h"
#include "radargram/mala_reader.h"

#include "base/error.h"
#include "radargram_test_support.h"
#include "support/error_text.h"

#include <gtest/gtest.h>

namespace trassel {
namespace {

using test::HoldsPattern;
using test::MemorySource;

TEST(Dt1Reader, TheHdGivesTheFactsAndTheTracesReadBack)
{
    const std::string dt1 = test::WriteDt1(30, 9);
    const Dt1Reader reader(MemorySource(dt1, "line.dt1"), test::WriteHd(30, 9), "line.hd");
    const RadargramInfo& info = reader.info();
    EXPECT_EQ(info.format, RadargramFormat::Dt1);
    EXPECT_EQ(info.traces, 9);
    EXPECT_EQ(info.samples, 30);
    EXPECT_EQ(info.sampleBits, 16);
    EXPECT_EQ(info.timeWindowNs, 100.0);
    EXPECT_EQ(info.timeZeroSample, 12.0);
    EXPECT_EQ(info.stepM, 0.05);
    EXPECT_EQ(info.startPositionM, 1.5);
    EXPECT_EQ(info.frequencyMhz, 250.0);
    EXPECT_TRUE(info.warnings.empty());
    EXPECT_TRUE(HoldsPattern(reader, 0, 0, 9));
    EXPECT_EQ(reader.traceOffset(0, 4), 4U * (128 + 60));
}

TEST(Dt1Reader, PositionsAreTurnedIntoMetresByTheirUnit)
{
    const std::string dt1 = test::WriteDt1(8, 2);
    const auto read = [&](const std::string& unit) {
        return Dt1Reader(MemorySource(dt1, "a.dt1"), test::WriteHd(8, 2, "POSITION UNITS     = " + unit + "\r\n"),
                         "a.hd")
            .info();
    };
    EXPECT_DOUBLE_EQ(*read("m").stepM, 0.05);
    EXPECT_DOUBLE_EQ(*read("cm").stepM, 0.0005);
    EXPECT_DOUBLE_EQ(*read("feet").stepM, 0.05 * 0.3048);
    EXPECT_DOUBLE_EQ(*read("ft").startPositionM, 1.5 * 0.3048);
    const RadargramInfo unknown = read("chains");
    EXPECT_FALSE(unknown.stepM);
    EXPECT_FALSE(unknown.startPositionM);
    EXPECT_EQ(unknown.warnings,
              (std::vector<std::string>{"Файл «a.hd»: неизвестная единица расстояния «chains»: шаг и начало профиля "
                                        "не взяты"}));
}

TEST(Dt1Reader, CountsThatDisagreeAreToldOrRefused)
{
    // The HD promises more traces than the file holds: the whole ones are read.
    const std::string dt1 = test::WriteDt1(10, 4);
    const Dt1Reader shorter(MemorySource(dt1, "a.dt1"), test::WriteHd(10, 7), "dir/a.hd");
    EXPECT_EQ(shorter.info().traces, 4);
    EXPECT_EQ(shorter.info().droppedTraces, 3);
    EXPECT_EQ(shorter.info().warnings,
              (std::vector<std::string>{"Файл «a.dt1»: файл обрезан: в заголовке «a.hd» NUMBER OF TRACES = 7, целых "
                                        "трасс 4; прочитаны целые трассы"}));
    // Points per trace from the first trace's header when the HD lacks them.
    const Dt1Reader noCount(MemorySource(dt1, "a.dt1"), "NUMBER OF TRACES = 4\n", "a.hd");
    EXPECT_EQ(noCount.info().samples, 10);
    EXPECT_TRUE(HoldsPattern(noCount, 0, 0, 4));
    // The HD and the trace disagree: reading on would show garbage.
    EXPECT_EQ(errorText([&] { Dt1Reader(MemorySource(dt1, "a.dt1"), test::WriteHd(12, 4), "a.hd"); }),
              "Файл «a.dt1»: в первой трассе 10 точек, а в «a.hd» 12");
    const std::string noHeaderCount = test::WriteDt1(10, 4, 0.0f);
    EXPECT_EQ(errorText([&] { Dt1Reader(MemorySource(noHeaderCount, "a.dt1"), "NUMBER OF TRACES = 4\n", "a.hd"); }),
              "Файл «a.hd»: не задано число точек на трассу (NUMBER OF PTS/TRC)");
}

TEST(MalaReader, Rd3AndRd7ReadBackWithTheRadFacts)
{
    for (const bool rd7 : {false, true}) {
        SCOPED_TRACE(rd7 ? "RD7" : "RD3");
        const std::string data = test::WriteMala(20, 11, rd7);
        const MalaReader reader(MemorySource(data, "a.rd3"), test::WriteRad(20, "11"), "a.rad", rd7);
        const RadargramInfo& info = reader.info();
        EXPECT_EQ(info.format, rd7 ? RadargramFormat::Rd7 : RadargramFormat::Rd3);
        EXPECT_EQ(info.traces, 11);
        EXPECT_EQ(info.samples, 20);
        EXPECT_EQ(info.sampleBits, rd7 ? 32 : 16);
        EXPECT_EQ(info.timeWindowNs, 4.0);
        EXPECT_EQ(info.stepM, 0.02);
        EXPECT_EQ(info.frequencyMhz, 500.0);
        EXPECT_EQ(info.antennas, (std::vector<std::string>{"500 MHz shielded"}));
        EXPECT_TRUE(info.warnings.empty());
        EXPECT_TRUE(HoldsPattern(reader, 0, 3, 8, 0, rd7 ? 1000.0f : 1.0f));
    }
}

TEST(MalaReader, TheFileSizeDecidesTheTraceCountAndLastTraceIsChecked)
{
    const std::string data = test::WriteMala(10, 6, false);
    const auto read = [&](const std::string& rad, const std::string& bytes) {
        return MalaReader(MemorySource(bytes, "a.rd3"), rad, "a.rad", false).info();
    };
    // LAST TRACE as the count, or as the last index from 0: both agree with the size.
    EXPECT_TRUE(read(test::WriteRad(10, "6"), data).warnings.empty());
    EXPECT_TRUE(read(test::WriteRad(10, "5"), data).warnings.empty());
    // More traces in the file than the header says: all are read.
    RadargramInfo more = read(test::WriteRad(10, "3"), data);
    EXPECT_EQ(more.traces, 6);
    EXPECT_EQ(more.warnings, (std::vector<std::string>{"Файл «a.rd3»: в заголовке «a.rad» LAST TRACE = 3, а по "
                                                       "размеру файла трасс 6; взято по размеру файла"}));
    // Fewer, and a cut trace: the whole ones are read, the missing ones counted.
    RadargramInfo fewer = read(test::WriteRad(10, "9"), data.substr(0, data.size() - 3));
    EXPECT_EQ(fewer.traces, 5);
    EXPECT_EQ(fewer.droppedTraces, 4);
    // No TIMEWINDOW: the window from the sampling frequency (10 samples at 5000 MHz = 2 ns).
    EXPECT_EQ(read("SAMPLES:10\nFREQUENCY:5000\n", data).timeWindowNs, 2.0);
    EXPECT_EQ(errorText([&] { read("FREQUENCY:5000\n", data); }),
              "Файл «a.rad»: не задано число отсчётов в трассе (SAMPLES)");
    EXPECT_EQ(errorText([&] { read("SAMPLES:2.5\n", data); }),
              "Файл «a.rad»: число отсчётов 2.5 не целое или слишком велико");
    EXPECT_EQ(errorText([&] { read("SAMPLES:1000\n", data); }),
              "Файл «a.rd3»: нет ни одной целой трассы (трасса занимает 2000 байт, а данных 120 байт)");
}

TEST(Gpr2Reader, HeaderFactsSamplesAndLabelledTraces)
{
    test::Gpr2Layout layout;
    layout.labelled = {2, 5};
    const std::string bytes = test::WriteGpr2(layout);
    const Gpr2Reader reader(MemorySource(bytes, "a.gpr2"));
    const RadargramInfo& info = reader.info();
    EXPECT_EQ(info.format, RadargramFormat::Gpr2);
    EXPECT_EQ(info.traces, 8);
    EXPECT_EQ(info.samples, 16);
    EXPECT_EQ(info.sampleBits, 32);
    EXPECT_EQ(info.timeWindowNs, 64.0);
    EXPECT_EQ(info.permittivity, 9.0);
    EXPECT_EQ(info.stepM, 0.05);
    EXPECT_EQ(info.startPositionM, 12.5);
    EXPECT_EQ(info.antennas, (std::vector<std::string>{"AB-400M"}));
    EXPECT_EQ(info.marks, (std::vector<std::int64_t>{2, 5}));
    EXPECT_TRUE(HoldsPattern(reader, 0, 0, 8, 0, 0.5f));

    layout.declaredTraces = 20;
    const std::string promised = test::WriteGpr2(layout);
    EXPECT_EQ(Gpr2Reader(MemorySource(promised, "a.gpr2")).info().droppedTraces, 12);

    test::ByteWriter w;
    w.bytes = bytes;
    w.put<std::uint32_t>(0, 0x12345678U);
    EXPECT_EQ(errorText([&] { Gpr2Reader(MemorySource(w.bytes, "a.gpr2")); }),
              "Файл «a.gpr2»: это не файл GPR2 (в начале нет метки 0xFEDCBA98)");
    w.bytes = bytes;
    w.put<std::int32_t>(8, -5);
    EXPECT_EQ(errorText([&] { Gpr2Reader(MemorySource(w.bytes, "a.gpr2")); }),
              "Файл «a.gpr2»: в заголовке -5 отсчётов в трассе");
    // A sample count that puts the data beyond the file's end is refused before anything is read.
    w.bytes = bytes;
    w.put<std::int32_t>(8, 2'000'000'000);
    EXPECT_EQ(errorText([&] { Gpr2Reader(MemorySource(w.bytes, "a.gpr2")); }),
              "Файл «a.gpr2»: данные начинаются за концом файла (со смещения 8000001536, а в файле " +
                  std::to_string(bytes.size()) + " байт)");
}

TEST(RadargramReader, BlocksOutsideTheFileAreRefusedAndEmptyBlocksAreEmpty)
{
    test::DztLayout layout;
    layout.channels = 2;
    const std::string bytes = test::WriteDzt(layout);
    const std::unique_ptr<RadargramReader> reader = std::make_unique<DztReader>(MemorySource(bytes, "a.dzt"),
                                                                                std::nullopt);
    EXPECT_TRUE(reader->readTraces(0, 10, 0).empty());
    EXPECT_EQ(errorText([&] { reader->readTraces(2, 0, 1); }), "Файл «a.dzt»: нет канала 3 (каналов 2)");
    EXPECT_EQ(errorText([&] { reader->readTraces(-1, 0, 1); }), "Файл «a.dzt»: нет канала 0 (каналов 2)");
    EXPECT_EQ(errorText([&] { reader->readTraces(0, 8, 3); }), "Файл «a.dzt»: нет трасс 8..10 (трасс 10)");
    EXPECT_EQ(errorText([&] { reader->readTraces(0, -1, 2); }), "Файл «a.dzt»: нет трасс -1..0 (трасс 10)");
    // A count whose samples would overflow is refused before anything is allocated.
    EXPECT_EQ(errorText([&] { reader->readTraces(0, 1, INT64_MAX); }),
              "Файл «a.dzt»: нет трасс 1..9223372036854775807 (трасс 10)");
    std::vector<float> small(3);
    EXPECT_EQ(errorText([&] { reader->readTraces(0, 0, 1, small); }),
              "Место для трасс не того размера: 3 отсчётов вместо 16");
}

TEST(OpenRadargram, OpensByExtensionWithSidecarsBesideTheFile)
{
    test::ReaderDir dir;
    test::DztLayout layout;
    layout.flagged = {4};
    const std::string dzt = dir.write("LINE01.DZT", test::WriteDzt(layout));
    EXPECT_EQ(OpenRadargram(dzt)->info().marks, (std::vector<std::int64_t>{4}));
    dir.write("LINE01.DZX", "<DZX><WayPt><scan>7</scan></WayPt></DZX>");
    EXPECT_EQ(OpenRadargram(dzt)->info().marks, (std::vector<std::int64_t>{7}));

    const std::string dt1 = dir.write("line.dt1", test::WriteDt1(8, 3));
    EXPECT_EQ(errorText([&] { OpenRadargram(dt1); }), "Файл «" + dt1 + "»: рядом нет его файла заголовка .hd");
    dir.write("line.HD", test::WriteHd(8, 3));
    EXPECT_EQ(OpenRadargram(dt1)->info().format, RadargramFormat::Dt1);

    const std::string rd7 = dir.write("prof.rd7", test::WriteMala(8, 5, true));
    EXPECT_EQ(errorText([&] { OpenRadargram(rd7); }), "Файл «" + rd7 + "»: рядом нет его файла заголовка .rad");
    dir.write("prof.rad", test::WriteRad(8, "5"));
    const std::unique_ptr<RadargramReader> mala = OpenRadargram(rd7);
    EXPECT_EQ(mala->info().format, RadargramFormat::Rd7);
    EXPECT_TRUE(HoldsPattern(*mala, 0, 0, 5, 0, 1000.0f));

    const std::string gpr = dir.write("p.gpr2", test::WriteGpr2({}));
    EXPECT_EQ(OpenRadargram(gpr)->info().format, RadargramFormat::Gpr2);

    const std::string other = dir.write("p.txt", "x");
    EXPECT_EQ(errorText([&] { OpenRadargram(other); }),
              "Файл «" + other +
                  "»: неизвестный вид файла радарограммы (читаются .dzt, .sgy, .segy, .dt1, .rd3, .rd7, .gpr2)");
    EXPECT_EQ(errorText([&] { OpenRadargram(dir.file("missing.dzt")); }),
              "Не удалось открыть файл \"" + dir.file("missing.dzt") + "\": нет такого файла");
}

TEST(RadargramInfoText, OneFactALineWithOptionalOnesOnlyWhenGiven)
{
    RadargramInfo info;
    info.format = RadargramFormat::Segy;
    info.traces = 1200;
    info.samples = 512;
    info.timeWindowNs = 51.2;
    info.sampleBits = 16;
    info.marks = {1, 2, 3};
    EXPECT_EQ(RadargramInfoText(info), "format: SEG-Y\nchannels: 1\ntraces: 1200\nsamples: 512\ntime_window_ns: 51.2\n"
                                       "sample_bits: 16\nmarks: 3\n");
    info.stepM = 0.1;
    info.permittivity = 6.5;
    EXPECT_EQ(RadargramInfoText(info), "format: SEG-Y\nchannels: 1\ntraces: 1200\nsamples: 512\ntime_window_ns: 51.2\n"
                                       "sample_bits: 16\nstep_m: 0.1\nmarks: 3\npermittivity: 6.5\n");
}

} // namespace
} // namespace trassel

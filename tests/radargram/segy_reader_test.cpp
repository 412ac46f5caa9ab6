// SEG-Y files written by segyio (python3-segyio), the independent writer: both byte orders,
// every sample format, EBCDIC and ASCII textual headers, revision 2's fields, extended textual
// headers, long traces and the radar dialects of the sample interval.
#include "radargram/segy_reader.h"

#include "base/error.h"
#include "radargram/radargram_parse.h"
#include "radargram_test_support.h"
#include "support/error_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace trassel {
namespace {

using test::HoldsPattern;

// Debian's own interpreter: segyio is installed for it, and another python3 may come first on PATH.
constexpr const char* kPython = "/usr/bin/python3";

class SegyFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
#ifdef _WIN32
        GTEST_SKIP() << "SEG-Y test files are written by python3-segyio, which the Windows build does not have";
#else
        static const bool available = std::system(
                                          (std::string(kPython) + " -c 'import segyio' >/dev/null 2>&1").c_str()) == 0;
        if (!available)
            GTEST_SKIP() << "python3-segyio is not installed for " << kPython
                         << " (scripts/install-deps installs it); the SEG-Y files cannot be written";
#endif
    }

    // Writes a file with tests/radargram/write_segy.py and the given options.
    std::string write(const std::string& name, const std::string& options)
    {
        const std::string path = dir_.file(name);
        const std::string command = std::string(kPython) + " '" TRASSEL_SOURCE_DIR "/tests/radargram/write_segy.py' '" +
                                    path + "' " + options;
        if (std::system(command.c_str()) != 0)
            ADD_FAILURE() << "the writer failed: " << command;
        return path;
    }

    static std::string bytesOf(const std::string& path)
    {
        std::ifstream in(PathFromUtf8(path), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    test::ReaderDir dir_;
};

TEST_F(SegyFiles, EveryFormatInEitherByteOrderWithEitherTextCode)
{
    struct Format {
        int code;
        int bits;
    };
    for (const Format format :
         {Format{1, 32}, Format{2, 32}, Format{3, 16}, Format{5, 32}, Format{6, 64}, Format{8, 8}})
        for (const char* endian : {"big", "little"})
            for (const bool ascii : {false, true}) {
                const std::string name = "f" + std::to_string(format.code) + endian + (ascii ? "a" : "e") + ".sgy";
                SCOPED_TRACE(name);
                const std::string path = write(name, "--format " + std::to_string(format.code) + " --endian " + endian +
                                                         " --samples 16 --traces 5 --interval 2" +
                                                         (ascii ? " --ascii" : ""));
                const std::unique_ptr<SegyReader> reader = SegyReader::open(path);
                const RadargramInfo& info = reader->info();
                EXPECT_EQ(info.format, RadargramFormat::Segy);
                EXPECT_EQ(info.channels, 1);
                EXPECT_EQ(info.traces, 5);
                EXPECT_EQ(info.samples, 16);
                EXPECT_EQ(info.sampleBits, format.bits);
                EXPECT_EQ(reader->formatCode(), format.code);
                EXPECT_EQ(reader->layout().bigEndian, std::string(endian) == "big");
                EXPECT_EQ(reader->ebcdic(), !ascii);
                EXPECT_EQ(reader->textHeader().substr(0, 13), "C 1 TEST LINE");
                EXPECT_EQ(info.timeWindowNs, 32.0); // 2 ns x 16
                EXPECT_TRUE(info.warnings.empty());
                EXPECT_TRUE(HoldsPattern(*reader, 0, 0, 5));
            }
}

TEST_F(SegyFiles, SampleCountsBeyondTheSignedSixteenBitRange)
{
    // 40,000 samples in the 16-bit field, read unsigned.
    const std::unique_ptr<SegyReader> longTraces = SegyReader::open(
        write("long.sgy", "--format 3 --endian little --samples 40000 --traces 3 --interval 1"));
    EXPECT_EQ(longTraces->info().samples, 40000);
    EXPECT_EQ(longTraces->info().traces, 3);
    EXPECT_TRUE(HoldsPattern(*longTraces, 0, 0, 3));

    // Revision 2: the 32-bit field, with the 16-bit one left at 0, and the byte order mark.
    for (const char* endian : {"big", "little"}) {
        const std::unique_ptr<SegyReader> rev2 = SegyReader::open(
            write(std::string("rev2") + endian + ".sgy", std::string("--format 8 --endian ") + endian +
                                                             " --samples 70000 --traces 2 --revision 2 --ext-samples "
                                                             "70000 --short-samples 0 --order-mark --interval 1"));
        EXPECT_EQ(rev2->revision(), 2);
        EXPECT_EQ(rev2->info().samples, 70000);
        EXPECT_EQ(rev2->info().traces, 2);
        EXPECT_TRUE(HoldsPattern(*rev2, 0, 0, 2));
    }
}

TEST_F(SegyFiles, ExtendedTextualHeadersAreSkipped)
{
    const std::unique_ptr<SegyReader> counted = SegyReader::open(
        write("ext2.sgy", "--format 5 --ext-text 2 --traces 4"));
    EXPECT_EQ(counted->layout().dataOffset, 3600U + 2 * 3200);
    EXPECT_TRUE(HoldsPattern(*counted, 0, 0, 4));
    for (const char* code : {"", "--ascii"}) {
        const std::unique_ptr<SegyReader> ended = SegyReader::open(
            write(std::string("ext-end") + code + ".sgy", std::string("--format 5 --ext-text -1 --traces 4 ") + code));
        EXPECT_EQ(ended->layout().dataOffset, 3600U + 2 * 3200);
        EXPECT_TRUE(HoldsPattern(*ended, 0, 0, 4));
    }
    // Revision 0 has no such field: whatever is there is not a count.
    const std::unique_ptr<SegyReader> rev0 = SegyReader::open(
        write("rev0.sgy", "--format 5 --ext-text 2 --revision 0 --traces 4"));
    EXPECT_EQ(rev0->layout().dataOffset, 3600U);
}

TEST_F(SegyFiles, RadarIntervalsInNanosecondsOrPicosecondsGiveTheRightWindow)
{
    // 100 read as µs would be 51 ms for 512 samples: picoseconds, 0.1 ns a sample.
    EXPECT_DOUBLE_EQ(
        SegyReader::open(write("ps.sgy", "--format 3 --samples 512 --interval 100 --traces 2"))->info().timeWindowNs,
        51.2);
    // 1 for 512 samples: nanoseconds.
    EXPECT_DOUBLE_EQ(
        SegyReader::open(write("ns.sgy", "--format 3 --samples 512 --interval 1 --traces 2"))->info().timeWindowNs,
        512.0);
    // The textual header names the unit: it decides over the window's plausibility.
    const std::unique_ptr<SegyReader> named = SegyReader::open(
        write("named.sgy", "--format 3 --samples 512 --interval 8 --traces 2 --text 'C 1 SAMPLE INTERVAL 8 NS'"));
    EXPECT_EQ(named->intervalUnit(), IntervalUnit::Nanoseconds);
    EXPECT_DOUBLE_EQ(named->info().timeWindowNs, 4096.0);
    // Revision 2's fractional interval in µs is the standard's own unit.
    const std::unique_ptr<SegyReader> fractional = SegyReader::open(
        write("frac.sgy", "--format 3 --samples 512 --interval 0 --traces 2 --revision 2 --ext-interval 0.0001"));
    EXPECT_EQ(fractional->intervalUnit(), IntervalUnit::Microseconds);
    EXPECT_NEAR(fractional->info().timeWindowNs, 51.2, 1e-9);
}

TEST_F(SegyFiles, DamagedFilesAreRefusedAndACutTraceIsDropped)
{
    const std::string good = write("good.sgy", "--format 3 --samples 16 --traces 5");
    const std::unique_ptr<SegyReader> cut = SegyReader::open(
        write("cut.sgy", "--format 3 --samples 16 --traces 5 --cut 10"));
    EXPECT_EQ(cut->info().traces, 4);
    EXPECT_EQ(cut->info().droppedTraces, 1);
    EXPECT_EQ(cut->info().warnings.size(), 1U);
    EXPECT_TRUE(HoldsPattern(*cut, 0, 0, 4));

    const std::string bytes = bytesOf(good);
    const auto read = [&](const std::string& b) { return SegyReader(test::MemorySource(b, "a.sgy")); };
    EXPECT_EQ(errorText([&] { read(bytes.substr(0, 3000)); }), "Файл «a.sgy»: заголовок обрезан (3000 байт из 3600)");
    test::ByteWriter w;
    w.bytes = bytes;
    w.put<std::uint16_t>(3224, 4, true);
    EXPECT_EQ(errorText([&] { read(w.bytes); }),
              "Файл «a.sgy»: код формата отсчётов 4 не поддерживается (читаются 1, 2, 3, 5, 6, 8, 10, 11, 16)");
    w.bytes = bytes;
    w.put<std::uint16_t>(3220, 0, true);
    w.put<std::uint16_t>(3600 + 114, 0, true);
    EXPECT_EQ(errorText([&] { read(w.bytes); }), "Файл «a.sgy»: в заголовке 0 отсчётов в трассе");
    // Samples from the first trace's header when the binary header has none.
    w.put<std::uint16_t>(3600 + 114, 16, true);
    EXPECT_EQ(read(w.bytes).info().samples, 16);
    w.bytes = bytes;
    w.put<std::uint16_t>(3500, 0x0100, true);
    w.put<std::int16_t>(3504, 30000, true);
    EXPECT_EQ(errorText([&] { read(w.bytes); }),
              "Файл «a.sgy»: данные начинаются за концом файла (со смещения 96003600, а в файле " +
                  std::to_string(bytes.size()) + " байт)");
    w.put<std::int16_t>(3504, -1, true);
    EXPECT_EQ(errorText([&] { read(w.bytes); }),
              "Файл «a.sgy»: нет конца дополнительных текстовых заголовков ((SEG: EndText))");
}

TEST(SegyIntervalUnit, TheStatedRulesInTheirOrder)
{
    EXPECT_EQ(SegyIntervalUnit(100, 512, ""), IntervalUnit::Picoseconds);
    EXPECT_EQ(SegyIntervalUnit(1, 512, ""), IntervalUnit::Nanoseconds);
    EXPECT_EQ(SegyIntervalUnit(3, 512, ""), IntervalUnit::Nanoseconds);       // 1,536 ns: shallow enough
    EXPECT_EQ(SegyIntervalUnit(8, 512, ""), IntervalUnit::Picoseconds);       // 4 ns at 8 ps, not 4 µs at 8 ns
    EXPECT_EQ(SegyIntervalUnit(2, 1024, ""), IntervalUnit::Nanoseconds);      // 2 ps is finer than any sampler
    EXPECT_EQ(SegyIntervalUnit(0.0001, 512, ""), IntervalUnit::Microseconds); // 51.2 ns as µs
    EXPECT_EQ(SegyIntervalUnit(4000, 1000, ""), IntervalUnit::Microseconds);  // seismic: nothing radar fits
    EXPECT_EQ(SegyIntervalUnit(8, 512, "C 5 SAMPLE INTERVAL: 8 NS"), IntervalUnit::Nanoseconds);
    EXPECT_EQ(SegyIntervalUnit(1, 512, "C 5 DT = 1 PICOSECONDS"), IntervalUnit::Picoseconds);
    EXPECT_EQ(SegyIntervalUnit(100, 512, "C 5 Шаг дискретизации 100 пс"), IntervalUnit::Picoseconds);
    EXPECT_EQ(SegyIntervalUnit(1, 512, "C 5 ШАГ 1 НС"), IntervalUnit::Nanoseconds);
    // A unit on a line that is not about the interval says nothing of it ("NS" is also a name).
    EXPECT_EQ(SegyIntervalUnit(100, 512, "C 2 NS 512 TRACES"), IntervalUnit::Picoseconds);
}

TEST(SegyCodes, IbmFloatsAndEbcdicText)
{
    EXPECT_EQ(radargram::IbmToFloat(0x42640000U), 100.0f);
    EXPECT_EQ(radargram::IbmToFloat(0xC276A000U), -118.625f);
    EXPECT_EQ(radargram::IbmToFloat(0x41100000U), 1.0f);
    EXPECT_EQ(radargram::IbmToFloat(0x00000000U), 0.0f);
    EXPECT_EQ(radargram::IbmToFloat(0x3F200000U), 0.0078125f);   // 0.125 x 16^-1
    EXPECT_TRUE(std::isinf(radargram::IbmToFloat(0x7FFFFFFFU))); // 7.2e75 is beyond a float
    EXPECT_EQ(EbcdicToAscii("\xC3\x40\xF1\x40\xC8\x85\x93\x93\x96\x6B\x7E\x4B"), "C 1 Hello,=.");
}

} // namespace
} // namespace trassel

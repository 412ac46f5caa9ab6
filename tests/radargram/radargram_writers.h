#pragma once
// Small writers of instrument files for the reader tests and the fuzz seeds: each makes the
// bytes of a file from a few facts, with samples that follow a known pattern, so that a test
// can check every header field and every sample the reader gives back. They follow the
// published layouts independently of the readers' code.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace trassel::test {

// The sample every test file holds at channel `c`, trace `t`, sample `s`: -100..99, which every
// sample type holds exactly.
inline int Pattern(int c, std::int64_t t, int s) { return static_cast<int>((t * 7 + s * 3 + c * 11) % 200) - 100; }

// Bytes put at places, little-endian unless told.
class ByteWriter {
public:
    std::string bytes;

    void reserve(std::size_t size)
    {
        if (bytes.size() < size)
            bytes.resize(size, '\0');
    }
    template <typename T>
    void put(std::size_t at, T value, bool big = false)
    {
        reserve(at + sizeof(T));
        unsigned char raw[sizeof(T)];
        std::memcpy(raw, &value, sizeof(T));
        for (std::size_t i = 0; i < sizeof(T); ++i)
            bytes[at + i] = static_cast<char>(raw[big ? sizeof(T) - 1 - i : i]);
    }
    template <typename T>
    void append(T value, bool big = false)
    {
        put(bytes.size(), value, big);
    }
    void text(std::size_t at, const std::string& s)
    {
        reserve(at + s.size());
        std::memcpy(bytes.data() + at, s.data(), s.size());
    }
};

// A DZT file: `channels` headers of 1024 bytes, then scans. Samples 0 and 1 of each trace are
// the instrument's words (stored as kDztFirstWord and the mark word); the rest follow Pattern,
// stored unsigned with the zero level for 8 and 16 bits.
struct DztLayout {
    int channels = 1;
    int samples = 16;
    int bits = 16;
    std::int64_t traces = 10;
    float range = 50.0f;
    float scansPerMetre = 10.0f;
    float metresPerMark = 0.0f;
    float permittivity = 6.25f;
    int dataField = -1;                // the header's data field; -1: 1024 x channels (a byte offset)
    std::vector<std::int64_t> flagged; // traces whose mark word is set
    std::string antenna = "ANT400";
};

inline constexpr std::uint32_t kDztFirstWord = 0x7F;
inline constexpr std::uint32_t kDztPlainWord = 0x10;
inline constexpr std::uint32_t kDztMarkWord = 0x20;

inline std::string WriteDzt(const DztLayout& layout)
{
    ByteWriter w;
    const int bytes = layout.bits / 8;
    const std::size_t data = layout.dataField < 0      ? 1024U * static_cast<std::size_t>(layout.channels)
                             : layout.dataField < 1024 ? 1024U * static_cast<std::size_t>(layout.dataField)
                                                       : 1024U * static_cast<std::size_t>(layout.channels);
    for (int c = 0; c < layout.channels; ++c) {
        const std::size_t h = 1024U * static_cast<std::size_t>(c);
        if (h + 1024 > data)
            break;
        w.put<std::uint16_t>(h + 0, 0x00FF);
        w.put<std::uint16_t>(h + 2, static_cast<std::uint16_t>(layout.dataField < 0 ? data : layout.dataField));
        w.put<std::uint16_t>(h + 4, static_cast<std::uint16_t>(layout.samples));
        w.put<std::uint16_t>(h + 6, static_cast<std::uint16_t>(layout.bits));
        w.put<std::uint16_t>(h + 8, static_cast<std::uint16_t>(layout.bits == 8    ? 0x80
                                                               : layout.bits == 16 ? 0x8000
                                                                                   : 0));
        w.put<float>(h + 10, 64.0f);
        w.put<float>(h + 14, layout.scansPerMetre);
        w.put<float>(h + 18, layout.metresPerMark);
        w.put<float>(h + 22, 0.0f);
        w.put<float>(h + 26, layout.range);
        w.put<std::uint16_t>(h + 52, static_cast<std::uint16_t>(layout.channels));
        w.put<float>(h + 54, layout.permittivity);
        w.text(h + 98, layout.antenna + "-" + std::to_string(c + 1));
    }
    w.reserve(data);
    // Samples as stored: unsigned with the zero level for 8 and 16 bits, signed for 32.
    const auto raw = [&](std::uint32_t value) {
        if (bytes == 1)
            w.bytes += static_cast<char>(value);
        else if (bytes == 2)
            w.append(static_cast<std::uint16_t>(value));
        else
            w.append(value);
    };
    const std::int64_t zero = bytes == 1 ? 128 : bytes == 2 ? 32768 : 0;
    std::vector<bool> marked(static_cast<std::size_t>(layout.traces), false);
    for (std::int64_t t : layout.flagged)
        marked[static_cast<std::size_t>(t)] = true;
    for (std::int64_t t = 0; t < layout.traces; ++t)
        for (int c = 0; c < layout.channels; ++c)
            for (int s = 0; s < layout.samples; ++s) {
                if (s == 0)
                    raw(kDztFirstWord);
                else if (s == 1)
                    raw(marked[static_cast<std::size_t>(t)] ? kDztMarkWord : kDztPlainWord);
                else
                    raw(static_cast<std::uint32_t>(Pattern(c, t, s) + zero));
            }
    return w.bytes;
}

// A DT1 file of `traces` traces of `samples` int16 points, each after a 128-byte header of floats.
inline std::string WriteDt1(int samples, std::int64_t traces, float headerSamples = -1)
{
    ByteWriter w;
    for (std::int64_t t = 0; t < traces; ++t) {
        const std::size_t h = w.bytes.size();
        w.put<float>(h + 0, static_cast<float>(t + 1));
        w.put<float>(h + 4, static_cast<float>(t) * 0.05f);
        w.put<float>(h + 8, headerSamples < 0 ? static_cast<float>(samples) : headerSamples);
        w.put<float>(h + 20, 2.0f);
        w.put<float>(h + 24, 100.0f);
        w.put<float>(h + 28, 32.0f);
        w.reserve(h + 128);
        for (int s = 0; s < samples; ++s)
            w.append(static_cast<std::int16_t>(Pattern(0, t, s)));
    }
    return w.bytes;
}

inline std::string WriteHd(int samples, std::int64_t traces, const std::string& extra = {})
{
    return "1234\r\nData Collected with a test writer\r\n2024-05-01\r\n"
           "NUMBER OF TRACES   = " +
           std::to_string(traces) +
           "\r\n"
           "NUMBER OF PTS/TRC  = " +
           std::to_string(samples) +
           "\r\n"
           "TIMEZERO AT POINT  = 12\r\n"
           "TOTAL TIME WINDOW  = 100\r\n"
           "STARTING POSITION  = 1.5\r\n"
           "FINAL POSITION     = 20\r\n"
           "STEP SIZE USED     = 0.05\r\n"
           "NOMINAL FREQUENCY  = 250\r\n"
           "ANTENNA SEPARATION = 0.38\r\n" +
           extra;
}

// RD3 (int16) or RD7 (int32) traces, headerless.
inline std::string WriteMala(int samples, std::int64_t traces, bool rd7)
{
    ByteWriter w;
    for (std::int64_t t = 0; t < traces; ++t)
        for (int s = 0; s < samples; ++s) {
            if (rd7)
                w.append(static_cast<std::int32_t>(Pattern(0, t, s) * 1000));
            else
                w.append(static_cast<std::int16_t>(Pattern(0, t, s)));
        }
    return w.bytes;
}

inline std::string WriteRad(int samples, const std::string& lastTrace, const std::string& extra = {})
{
    return "SAMPLES:" + std::to_string(samples) +
           "\r\nFREQUENCY:5000.000000\r\nFREQUENCY STEPS:20\r\nSIGNAL POSITION:0\r\nRAW SIGNAL POSITION:0\r\n"
           "DISTANCE FLAG:1\r\nTIME FLAG:0\r\nPROGRAM FLAG:0\r\nEXTERNAL FLAG:0\r\nTIME INTERVAL:0.100000\r\n"
           "DISTANCE INTERVAL:0.020000\r\nOPERATOR:\r\nCUSTOMER:\r\nSITE:\r\nANTENNAS:500 MHz shielded\r\n"
           "ANTENNA ORIENTATION:NOT VALID FIELD\r\nANTENNA SEPARATION:0.180000\r\nCOMMENT:\r\nTIMEWINDOW:" +
           std::to_string(samples / 5) +
           "\r\nSTACKS:8\r\nSTACK EXPONENT:3\r\nSTACKING TIME:0.004\r\nLAST TRACE:" + lastTrace + "\r\n" + extra;
}

// A GPR2 file in the layout the reader documents: header, colour table, equalisation factors,
// traces of a 36-byte header and float samples; `labelled` traces carry a label.
struct Gpr2Layout {
    int samples = 16;
    std::int64_t traces = 8;
    std::int32_t declaredTraces = -1; // -1: `traces`
    float window = 64.0f;
    float permittivity = 9.0f;
    std::int32_t stepMm = 50;
    std::int64_t startMm = 12'500;
    std::vector<std::int64_t> labelled;
    std::string antenna = "AB-400M";
};

inline std::string WriteGpr2(const Gpr2Layout& layout)
{
    ByteWriter w;
    w.put<std::uint32_t>(0, 0xFEDCBA98U);
    w.put<std::int32_t>(4,
                        layout.declaredTraces < 0 ? static_cast<std::int32_t>(layout.traces) : layout.declaredTraces);
    w.put<std::int32_t>(8, layout.samples);
    w.put<float>(12, layout.window);
    w.put<float>(16, layout.permittivity);
    w.put<std::int32_t>(20, layout.stepMm);
    w.put<std::int64_t>(24, layout.startMm);
    w.put<std::int32_t>(64, 200);
    w.text(128, layout.antenna);
    w.reserve(512);
    for (int i = 0; i < 256; ++i)
        w.append<std::uint32_t>(static_cast<std::uint32_t>(i * 0x010101));
    for (int s = 0; s < layout.samples; ++s)
        w.append<float>(1.0f);
    for (std::int64_t t = 0; t < layout.traces; ++t) {
        bool label = false;
        for (std::int64_t l : layout.labelled)
            label = label || l == t;
        w.append<std::int64_t>(132'000'000'000'000'000LL + t);
        w.append<std::int32_t>(static_cast<std::int32_t>(t * layout.stepMm));
        w.append<std::int32_t>(0);
        w.append<std::int32_t>(0);
        w.append<std::int32_t>(0);
        w.append<std::int32_t>(1);
        w.append<std::int32_t>(label ? 1 : 0);
        w.append<std::int32_t>(label ? static_cast<std::int32_t>(t) : 0);
        for (int s = 0; s < layout.samples; ++s)
            w.append<float>(static_cast<float>(Pattern(0, t, s)) * 0.5f);
    }
    return w.bytes;
}

} // namespace trassel::test

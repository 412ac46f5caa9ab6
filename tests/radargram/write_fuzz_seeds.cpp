// Writes the seed corpora of the radargram readers' fuzz targets with the test writers, framed as
// each target reads its input (fuzz/fuzz_*.cpp): write_fuzz_seeds fuzz/corpus. The SEG-Y seeds
// come from the independent writer:
//   i=0; for o in "--format 1" "--format 3 --endian little --ascii" "--format 5 --revision 2 --order-mark" \
//                 "--format 8 --ext-text -1" "--format 2 --interval 8 --text 'C 1 SAMPLE INTERVAL 8 NS'"; do
//     i=$((i+1)); eval /usr/bin/python3 tests/radargram/write_segy.py fuzz/corpus/segy/segy$i.sgy \
//       --samples 32 --traces 4 $o
//   done
#include "radargram_writers.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

using namespace trassel::test;

void Write(const std::filesystem::path& folder, const std::string& name, const std::string& bytes)
{
    std::filesystem::create_directories(folder);
    std::ofstream(folder / name, std::ios::binary) << bytes;
}

// The two-byte length of a sidecar text, then the text, then the file.
std::string Framed(const std::string& sidecar, const std::string& file)
{
    std::string out;
    out += static_cast<char>(sidecar.size() & 0xFF);
    out += static_cast<char>((sidecar.size() >> 8) & 0xFF);
    return out + sidecar + file;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: write_fuzz_seeds CORPUS_FOLDER\n");
        return 2;
    }
    const std::filesystem::path corpus = argv[1];
    for (const int bits : {8, 16, 32}) {
        DztLayout layout;
        layout.bits = bits;
        layout.channels = bits == 16 ? 2 : 1;
        layout.traces = 6;
        layout.flagged = {2};
        Write(corpus / "dzt", "dzt" + std::to_string(bits), std::string(1, '\0') + Framed({}, WriteDzt(layout)));
    }
    DztLayout small;
    small.dataField = 1;
    Write(corpus / "dzt", "dzt-dzx",
          std::string(1, '\1') +
              Framed("<DZX><WayPt><scan>3</scan></WayPt><WayPt><scan>1</scan></WayPt></DZX>", WriteDzt(small)));
    Write(corpus / "dt1", "dt1", Framed(WriteHd(12, 5), WriteDt1(12, 5)));
    Write(corpus / "dt1", "dt1-feet", Framed(WriteHd(8, 7, "POSITION UNITS = ft\r\n"), WriteDt1(8, 6)));
    Write(corpus / "mala", "rd3", std::string(1, '\0') + Framed(WriteRad(10, "6"), WriteMala(10, 6, false)));
    Write(corpus / "mala", "rd7", std::string(1, '\1') + Framed(WriteRad(10, "4"), WriteMala(10, 5, true)));
    Gpr2Layout gpr2;
    gpr2.labelled = {1, 4};
    Write(corpus / "gpr2", "gpr2", WriteGpr2(gpr2));
    gpr2.declaredTraces = 12;
    gpr2.samples = 5;
    Write(corpus / "gpr2", "gpr2-short", WriteGpr2(gpr2));
    return 0;
}

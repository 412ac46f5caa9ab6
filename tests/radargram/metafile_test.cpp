#include "radargram/metafile.h"

#include "base/error.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

namespace trassel {
namespace {

#ifndef _WIN32

TEST(Metafile, OnlyWindowsDrawsThem)
{
    EXPECT_FALSE(MetafilesSupported());
    const std::vector<unsigned char> bytes(200, 0);
    EXPECT_THROW(RenderMetafile(bytes, MetafileKind::Emf, 1 << 20), Error);
}

#else

constexpr std::uint32_t kRed = 0xFFFF0000u;
constexpr std::uint32_t kBlue = 0xFF0000FFu;
constexpr std::uint32_t kWhite = 0xFFFFFFFFu;

// Red over the left half and blue over the right half of a 200 x 50 picture, drawn into `dc`
// in its logical units.
void DrawHalves(HDC dc)
{
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
    const RECT left{0, 0, 100, 50};
    const RECT right{100, 0, 200, 50};
    FillRect(dc, &left, red);
    FillRect(dc, &right, blue);
    DeleteObject(red);
    DeleteObject(blue);
}

std::uint32_t At(const MetafilePicture& p, double fx, double fy)
{
    const int x = static_cast<int>(fx * (p.width - 1));
    const int y = static_cast<int>(fy * (p.height - 1));
    return p.pixels[static_cast<std::size_t>(y) * p.width + x];
}

std::vector<unsigned char> EmfBytes(const RECT* frame)
{
    HDC dc = CreateEnhMetaFileW(nullptr, nullptr, frame, nullptr);
    DrawHalves(dc);
    HENHMETAFILE emf = CloseEnhMetaFile(dc);
    std::vector<unsigned char> bytes(GetEnhMetaFileBits(emf, 0, nullptr));
    GetEnhMetaFileBits(emf, static_cast<UINT>(bytes.size()), bytes.data());
    DeleteEnhMetaFile(emf);
    return bytes;
}

// A WMF of the same picture in a window of 200 x 50 units; placeable with `inch` units per inch
// when `inch` is not 0.
std::vector<unsigned char> WmfBytes(int inch)
{
    HDC dc = CreateMetaFileW(nullptr);
    SetMapMode(dc, MM_ANISOTROPIC);
    SetWindowOrgEx(dc, 0, 0, nullptr);
    SetWindowExtEx(dc, 200, 50, nullptr);
    DrawHalves(dc);
    HMETAFILE wmf = CloseMetaFile(dc);
    std::vector<unsigned char> records(GetMetaFileBitsEx(wmf, 0, nullptr));
    GetMetaFileBitsEx(wmf, static_cast<UINT>(records.size()), records.data());
    DeleteMetaFile(wmf);
    if (inch == 0)
        return records;
    const std::uint16_t words[10] = {0xCDD7, 0x9AC6, 0, 0, 0, 200, 50, static_cast<std::uint16_t>(inch), 0, 0};
    std::uint16_t checksum = 0;
    for (const std::uint16_t w : words)
        checksum ^= w;
    std::vector<unsigned char> bytes;
    for (const std::uint16_t w : words) {
        bytes.push_back(static_cast<unsigned char>(w & 0xFF));
        bytes.push_back(static_cast<unsigned char>(w >> 8));
    }
    bytes.push_back(static_cast<unsigned char>(checksum & 0xFF));
    bytes.push_back(static_cast<unsigned char>(checksum >> 8));
    bytes.insert(bytes.end(), records.begin(), records.end());
    return bytes;
}

TEST(Metafile, AnEmfIsDrawnAtItsFrameWithItsColours)
{
    ASSERT_TRUE(MetafilesSupported());
    // No frame given: the system takes the drawing's bounds, 200 x 50 reference pixels.
    const MetafilePicture picture = RenderMetafile(EmfBytes(nullptr), MetafileKind::Emf, 64u << 20);
    EXPECT_NEAR(picture.width, 200, 3);
    EXPECT_NEAR(picture.height, 50, 3);
    ASSERT_EQ(picture.pixels.size(), static_cast<std::size_t>(picture.width) * picture.height);
    EXPECT_EQ(At(picture, 0.25, 0.5), kRed);
    EXPECT_EQ(At(picture, 0.75, 0.5), kBlue);
}

TEST(Metafile, APlaceableWmfIsDrawnAtItsBoxAndUnitsPerInch)
{
    // 200 x 50 units at 48 units an inch: 400 x 100 pixels at 96 dots per inch.
    const MetafilePicture picture = RenderMetafile(WmfBytes(48), MetafileKind::Wmf, 64u << 20);
    EXPECT_EQ(picture.width, 400);
    EXPECT_EQ(picture.height, 100);
    EXPECT_EQ(At(picture, 0.25, 0.5), kRed);
    EXPECT_EQ(At(picture, 0.75, 0.5), kBlue);
    // A plain WMF (no placeable header) is drawn at whatever size the system gives it.
    const MetafilePicture plain = RenderMetafile(WmfBytes(0), MetafileKind::Wmf, 64u << 20);
    EXPECT_GT(plain.width, 0);
    EXPECT_GT(plain.height, 0);
}

TEST(Metafile, BadBytesAndHugePicturesAreRefusedWithAMessage)
{
    auto message = [](const std::vector<unsigned char>& bytes, MetafileKind kind, std::size_t limit) {
        try {
            RenderMetafile(bytes, kind, limit);
        } catch (const Error& e) {
            return std::string(e.what());
        }
        return std::string("no error");
    };
    const std::vector<unsigned char> noise(300, 0x5A);
    EXPECT_NE(message(noise, MetafileKind::Emf, 64u << 20).find("не является метафайлом EMF"), std::string::npos);
    EXPECT_NE(message(noise, MetafileKind::Wmf, 64u << 20).find("не является метафайлом WMF"), std::string::npos);
    // An EMF named as a WMF (and the other way round) is not taken for one.
    EXPECT_NE(message(EmfBytes(nullptr), MetafileKind::Wmf, 64u << 20).find("WMF"), std::string::npos);
    EXPECT_NE(message(WmfBytes(48), MetafileKind::Emf, 64u << 20).find("EMF"), std::string::npos);
    // A frame of 10 m x 10 m is far more than a megabyte of pixels.
    const RECT frame{0, 0, 1'000'000, 1'000'000};
    EXPECT_NE(message(EmfBytes(&frame), MetafileKind::Emf, 1u << 20).find("слишком велик"), std::string::npos);
    // A placeable header whose units per inch are 0 names no size.
    std::vector<unsigned char> zeroInch = WmfBytes(48);
    zeroInch[14] = zeroInch[15] = 0;
    EXPECT_NE(message(zeroInch, MetafileKind::Wmf, 64u << 20).find("WMF"), std::string::npos);
}

#endif

} // namespace
} // namespace trassel

#include "radargram/metafile.h"

#include "base/error.h"

#include <cmath>
#include <cstring>
#include <string>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

namespace trassel {

#ifndef _WIN32

bool MetafilesSupported() { return false; }

MetafilePicture RenderMetafile(std::span<const unsigned char>, MetafileKind, std::size_t)
{
    throw Error("Метафайлы WMF и EMF рисуются только в Windows.");
}

#else

namespace {

std::uint32_t Le32(const unsigned char* p)
{
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
}
std::uint16_t Le16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
std::int16_t LeS16(const unsigned char* p) { return static_cast<std::int16_t>(Le16(p)); }

// A placeable WMF starts with this key and a 22-byte header of its bounding box and units per inch.
constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7u;
constexpr std::size_t kPlaceableHeader = 22;
// The picture of a placeable WMF is drawn at the screen's customary 96 dots per inch.
constexpr int kWmfDpi = 96;

struct EnhMetafile {
    HENHMETAFILE handle = nullptr;
    ~EnhMetafile()
    {
        if (handle)
            DeleteEnhMetaFile(handle);
    }
};

struct MemoryDc {
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = nullptr;
    HGDIOBJ former = nullptr;
    ~MemoryDc()
    {
        if (former)
            SelectObject(dc, former);
        if (bitmap)
            DeleteObject(bitmap);
        if (dc)
            DeleteDC(dc);
    }
};

// The standard metafile header every WMF record stream begins with: type 1 (memory) or 2 (disk),
// a header of 9 words.
bool WmfRecordsStart(const unsigned char* p, std::size_t size)
{
    return size >= 18 && (Le16(p) == 1 || Le16(p) == 2) && Le16(p + 2) == 9;
}

std::string Dimensions(long long width, long long height)
{
    return std::to_string(width) + " × " + std::to_string(height);
}

} // namespace

bool MetafilesSupported() { return true; }

MetafilePicture RenderMetafile(std::span<const unsigned char> bytes, MetafileKind kind, std::size_t byteLimit)
{
    if (bytes.size() > 0x7fffffffu)
        throw Error("Метафайл слишком велик.");
    const unsigned char* data = bytes.data();
    const UINT size = static_cast<UINT>(bytes.size());
    EnhMetafile emf;
    long long width = 0;
    long long height = 0;
    if (kind == MetafileKind::Emf) {
        // The header record: type 1, its size, bounds, frame, then the signature " EMF" at 40.
        if (size < 88 || Le32(data) != EMR_HEADER || Le32(data + 40) != ENHMETA_SIGNATURE)
            throw Error("Файл не является метафайлом EMF.");
        emf.handle = SetEnhMetaFileBits(size, data);
    } else if (size >= kPlaceableHeader && Le32(data) == kPlaceableKey) {
        const int left = LeS16(data + 6);
        const int top = LeS16(data + 8);
        const int right = LeS16(data + 10);
        const int bottom = LeS16(data + 12);
        const int inch = Le16(data + 14);
        if (inch == 0 || !WmfRecordsStart(data + kPlaceableHeader, size - kPlaceableHeader))
            throw Error("Файл не является метафайлом WMF.");
        const long long units = std::abs(static_cast<long long>(right) - left);
        const long long rows = std::abs(static_cast<long long>(bottom) - top);
        width = (units * kWmfDpi + inch / 2) / inch;
        height = (rows * kWmfDpi + inch / 2) / inch;
        // The picture's size in hundredths of a millimetre tells the system the units' scale.
        METAFILEPICT picture{};
        picture.mm = MM_ANISOTROPIC;
        picture.xExt = static_cast<LONG>(units * 2540 / inch);
        picture.yExt = static_cast<LONG>(rows * 2540 / inch);
        emf.handle = SetWinMetaFileBits(size - kPlaceableHeader, data + kPlaceableHeader, nullptr, &picture);
    } else {
        if (!WmfRecordsStart(data, size))
            throw Error("Файл не является метафайлом WMF.");
        emf.handle = SetWinMetaFileBits(size, data, nullptr, nullptr);
    }
    if (!emf.handle)
        throw Error("Система не смогла прочитать метафайл: он повреждён или обрывается.");

    if (width <= 0 || height <= 0) {
        ENHMETAHEADER header{};
        if (!GetEnhMetaFileHeader(emf.handle, sizeof header, &header))
            throw Error("Система не смогла прочитать заголовок метафайла.");
        // The frame is in hundredths of a millimetre; the reference device gives pixels per mm.
        const double frameW = static_cast<double>(header.rclFrame.right) - header.rclFrame.left;
        const double frameH = static_cast<double>(header.rclFrame.bottom) - header.rclFrame.top;
        if (frameW > 0 && frameH > 0 && header.szlMillimeters.cx > 0 && header.szlMillimeters.cy > 0) {
            width = std::llround(frameW / 100.0 * header.szlDevice.cx / header.szlMillimeters.cx);
            height = std::llround(frameH / 100.0 * header.szlDevice.cy / header.szlMillimeters.cy);
        } else {
            width = static_cast<long long>(header.rclBounds.right) - header.rclBounds.left + 1;
            height = static_cast<long long>(header.rclBounds.bottom) - header.rclBounds.top + 1;
        }
    }
    if (width <= 0 || height <= 0)
        throw Error("Метафайл пуст: у его рисунка нет размеров.");
    const long long limitPixels = static_cast<long long>(byteLimit / 4);
    if (width > 1'000'000 || height > 1'000'000 || width * height > limitPixels) {
        throw Error("Рисунок метафайла слишком велик: " + Dimensions(width, height) + " точек, больше " +
                    std::to_string(byteLimit / (1024 * 1024)) + " МБ.");
    }

    MemoryDc target;
    if (!target.dc)
        throw Error("Система не смогла подготовить рисование метафайла.");
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = static_cast<LONG>(width);
    info.bmiHeader.biHeight = -static_cast<LONG>(height); // rows from the top
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    target.bitmap = CreateDIBSection(target.dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!target.bitmap || !bits)
        throw Error("Не хватило памяти для рисунка метафайла " + Dimensions(width, height) + " точек.");
    target.former = SelectObject(target.dc, target.bitmap);
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    std::memset(bits, 0xFF, count * 4);
    const RECT area{0, 0, static_cast<LONG>(width), static_cast<LONG>(height)};
    if (!PlayEnhMetaFile(target.dc, emf.handle, &area))
        throw Error("Система не смогла нарисовать метафайл.");
    GdiFlush();

    MetafilePicture picture;
    picture.width = static_cast<int>(width);
    picture.height = static_cast<int>(height);
    picture.pixels.resize(count);
    // The bitmap's pixels are blue, green, red and an unused byte: 0x00RRGGBB read as a word.
    const auto* source = static_cast<const std::uint32_t*>(bits);
    for (std::size_t i = 0; i < count; ++i)
        picture.pixels[i] = source[i] | 0xFF000000u;
    return picture;
}

#endif

} // namespace trassel

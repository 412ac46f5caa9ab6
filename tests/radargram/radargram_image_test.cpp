// Reading radargram files: the kind follows the extension in any letter case, the pixel format
// is kept, and whatever cannot be read to its end is refused with a message naming the file.
#include "radargram/qt/radargram_image.h"

#include "base/atomic_file.h"
#include "platform/qt_text.h"
#include "support/error_text.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <string>
#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace trassel {
namespace {

// A greyscale picture with a different value in every column and row, so that a picture read
// back shifted, cut or converted shows it.
QImage gradient(int width, int height)
{
    QImage image(width, height, QImage::Format_Grayscale8);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.scanLine(y)[x] = static_cast<uchar>((x * 7 + y * 3) % 256);
    return image;
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

QByteArray be32(quint32 value)
{
    QByteArray bytes(4, '\0');
    qToBigEndian(value, bytes.data());
    return bytes;
}

// One PNG chunk with its length and CRC.
QByteArray pngChunk(const char* type, const QByteArray& data)
{
    const QByteArray body = QByteArray(type) + data;
    quint32 crc = 0xFFFFFFFFU;
    for (const char c : body) {
        crc ^= static_cast<uchar>(c);
        for (int k = 0; k < 8; ++k)
            crc = (crc & 1U) != 0 ? (crc >> 1) ^ 0xEDB88320U : crc >> 1;
    }
    return be32(static_cast<quint32>(data.size())) + body + be32(crc ^ 0xFFFFFFFFU);
}

// An 8-bit RGB PNG of the given size, every pixel black; `rows` false cuts the picture data
// short after its first bytes, so that only the header tells the size.
QByteArray blackRgbPng(quint32 width, quint32 height, bool rows)
{
    QByteArray header = be32(width) + be32(height);
    header.append(char{8}).append(char{2}).append(char{0}).append(char{0}).append(char{0});
    QByteArray png = QByteArray("\x89PNG\r\n\x1a\n", 8) + pngChunk("IHDR", header);
    const qsizetype rowBytes = 1 + 3 * static_cast<qsizetype>(width);
    const QByteArray raw(rows ? height * rowBytes : rowBytes, '\0');
    // qCompress puts the length before the zlib stream; PNG wants the stream alone.
    png += pngChunk("IDAT", qCompress(raw, 9).mid(4));
    return png + pngChunk("IEND", {});
}

QByteArray le(quint32 value, int bytes)
{
    QByteArray out;
    for (int i = 0; i < bytes; ++i)
        out.append(static_cast<char>((value >> (8 * i)) & 0xFFU));
    return out;
}

// A BMP of 8 (or 4) bits a pixel, with a grey palette, whose pixel data are `data` as they
// are: uncompressed (compression 0) or run-length coded (1 at 8 bits, 2 at 4 bits).
QByteArray indexedBmp(int width, int height, int bits, int compression, const QByteArray& data)
{
    const quint32 colours = 1U << bits;
    const quint32 start = 14 + 40 + colours * 4;
    QByteArray out("BM");
    out += le(start + static_cast<quint32>(data.size()), 4) + le(0, 4) + le(start, 4);
    out += le(40, 4) + le(static_cast<quint32>(width), 4) + le(static_cast<quint32>(height), 4) + le(1, 2) +
           le(static_cast<quint32>(bits), 2) + le(static_cast<quint32>(compression), 4) +
           le(static_cast<quint32>(data.size()), 4) + le(2835, 4) + le(2835, 4) + le(colours, 4) + le(0, 4);
    for (quint32 i = 0; i < colours; ++i)
        out += le(i * 0x010101U * (bits == 4 ? 17U : 1U), 4);
    return out + data;
}

class RadargramFiles : public ::testing::Test {
protected:
    QString path(const char* name) const { return dir_.filePath(QString::fromUtf8(name)); }
    QString save(const QImage& image, const char* name, const char* format)
    {
        const QString file = path(name);
        EXPECT_TRUE(image.save(file, format)) << name;
        return file;
    }

    QTemporaryDir dir_;
};

TEST_F(RadargramFiles, EveryListedKindLoadsWhateverTheLetterCase)
{
    const QImage picture = gradient(40, 12);
    struct Case {
        const char* name;
        const char* format;
    };
    for (const Case c : {Case{"a.png", "png"}, Case{"b.PNG", "png"}, Case{"c.Bmp", "bmp"}, Case{"d.tif", "tiff"},
                         Case{"e.TIFF", "tiff"}, Case{"f.jpg", "jpeg"}, Case{"g.JPEG", "jpeg"}, Case{"h.ico", "ico"}}) {
        const QString file = save(picture, c.name, c.format);
        QImage loaded;
        EXPECT_EQ(errorText([&] { loaded = LoadRadargram(file); }), "(no error)") << c.name;
        EXPECT_EQ(loaded.size(), picture.size()) << c.name;
    }

    // Lossless kinds give the pixels back as they were, in the file's own greyscale format:
    // a long radargram converted to 32 bits would take four times the memory.
    for (const char* name : {"a.png", "b.PNG", "d.tif"}) {
        const QImage loaded = LoadRadargram(path(name));
        EXPECT_EQ(loaded.format(), QImage::Format_Grayscale8) << name;
        EXPECT_EQ(loaded, picture) << name;
    }
}

TEST_F(RadargramFiles, OtherExtensionsAndMetafilesAreRefusedByName)
{
    const QImage picture = gradient(20, 10);
    // A good picture under a name of another kind is refused all the same: the name decides.
    const QString gif = save(picture, "survey.gif", "png");
    const QString text = save(picture, "survey.txt", "png");
    const QString none = save(picture, "survey", "png");
    const std::string gifError = errorText([&] { LoadRadargram(gif); });
    EXPECT_NE(gifError.find("(.gif)"), std::string::npos) << gifError;
    EXPECT_NE(gifError.find(QDir::toNativeSeparators(gif).toStdString()), std::string::npos) << gifError;
    EXPECT_NE(errorText([&] { LoadRadargram(text); }).find("(.txt)"), std::string::npos);
    EXPECT_NE(errorText([&] { LoadRadargram(none); }).find("Неизвестное расширение"), std::string::npos);

    const QString wmf = path("profile.wmf");
    const QString emf = path("profile.EMF");
    writeBytes(wmf, QByteArray("\xD7\xCD\xC6\x9A", 4));
    writeBytes(emf, QByteArray("\x01\x00\x00\x00", 4));
    EXPECT_EQ(errorText([&] {
                  LoadRadargram(wmf);
              }).rfind("Формат WMF не поддерживается: " + QDir::toNativeSeparators(wmf).toStdString(), 0),
              0U);
    EXPECT_EQ(errorText([&] {
                  LoadRadargram(emf);
              }).rfind("Формат EMF не поддерживается: " + QDir::toNativeSeparators(emf).toStdString(), 0),
              0U);

    // The content is read with the decoder the extension names, not one that recognises it.
    const QString pngAsBmp = save(picture, "png-inside.bmp", "png");
    EXPECT_NE(errorText([&] { LoadRadargram(pngAsBmp); }).find("Не удалось прочитать изображение"), std::string::npos);
}

TEST_F(RadargramFiles, FilesThatCannotBeReadToTheEndAreRefused)
{
    const QString missing = path("missing.png");
    const std::string missingError = errorText([&] { LoadRadargram(missing); });
    EXPECT_EQ(missingError.rfind("Не удалось открыть файл " + QDir::toNativeSeparators(missing).toStdString(), 0), 0U)
        << missingError;

    // A picture cut in the middle of its data, and one whose data were overwritten, give no
    // picture at all rather than a part of one.
    const QByteArray whole = readBytes(save(gradient(300, 200), "whole.png", "png"));
    const QString cut = path("cut.png");
    writeBytes(cut, whole.left(whole.size() / 2));
    const std::string cutError = errorText([&] { LoadRadargram(cut); });
    EXPECT_EQ(cutError.rfind("Не удалось прочитать изображение " + QDir::toNativeSeparators(cut).toStdString(), 0), 0U)
        << cutError;
    QByteArray spoilt = whole;
    for (qsizetype i = spoilt.size() / 3; i < spoilt.size() - 12; ++i)
        spoilt[i] = static_cast<char>(0x5A ^ i);
    const QString damaged = path("damaged.png");
    writeBytes(damaged, spoilt);
    EXPECT_NE(errorText([&] { LoadRadargram(damaged); }).find("Не удалось прочитать изображение"), std::string::npos);

    const QString empty = path("empty.jpg");
    writeBytes(empty, {});
    EXPECT_NE(errorText([&] { LoadRadargram(empty); }).find("Не удалось прочитать изображение"), std::string::npos);
}

TEST_F(RadargramFiles, MemoryLimitAdmitsLongRadargramsAndRefusesAbsurdOnes)
{
    // 10,000 x 7,000 in colour takes 280 MB, more than Qt's decoders allow by default.
    const QString large = path("large.png");
    writeBytes(large, blackRgbPng(10'000, 7'000, true));
    const int qtLimit = QImageReader::allocationLimit();
    QImage loaded;
    EXPECT_EQ(errorText([&] { loaded = LoadRadargram(large); }), "(no error)");
    EXPECT_EQ(loaded.size(), QSize(10'000, 7'000));
    EXPECT_EQ(QImageReader::allocationLimit(), qtLimit) << "the program-wide limit is put back";
    loaded = QImage();

    // 100,000 x 10,000 in colour would take 4 GB: refused from the header, before any memory
    // is taken.
    const QString huge = path("huge.png");
    writeBytes(huge, blackRgbPng(100'000, 10'000, false));
    const std::string hugeError = errorText([&] { LoadRadargram(huge); });
    EXPECT_NE(hugeError.find("слишком велико: 100000 × 10000 точек"), std::string::npos) << hugeError;
}

TEST_F(RadargramFiles, OnlyRegularFilesAreOpenedAndNoneIsWaitedOn)
{
    // A folder, and on Linux a FIFO no one writes to and a link to a device: each refused at
    // once in the words the table import uses, never waited on.
    const QString folder = path("folder.png");
    ASSERT_TRUE(QDir(dir_.path()).mkdir(QStringLiteral("folder.png")));
    EXPECT_EQ(errorText([&] { LoadRadargram(folder); }), errorText([&] { ReadWholeFile(toLocalPath(folder)); }));
#ifndef _WIN32
    const QString fifo = path("радарограмма.png");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_EQ(errorText([&] { LoadRadargram(fifo); }),
              "Не удалось открыть файл \"" + toLocalPath(fifo) + "\": это не обычный файл");
    const QString device = path("null.bmp");
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/null"), device));
    EXPECT_EQ(errorText([&] { LoadRadargram(device); }),
              "Не удалось открыть файл \"" + toLocalPath(device) + "\": это не обычный файл");
#endif
}

TEST_F(RadargramFiles, APictureCutShortIsRefusedAndNoPixelIsLeftoverMemory)
{
    const auto refusedAsCut = [](const QString& file) {
        const std::string error = errorText([&] { LoadRadargram(file); });
        return error == "Не удалось прочитать изображение " + QDir::toNativeSeparators(file).toStdString() +
                            ": файл обрывается раньше конца изображения, изображение неполное.";
    };
    // A JPEG cut in half: its decoder would give the lower half grey and call it whole.
    const QByteArray jpeg = readBytes(save(gradient(300, 200), "whole.jpg", "jpeg"));
    const QString cutJpeg = path("cut.jpg");
    writeBytes(cutJpeg, jpeg.left(jpeg.size() / 2));
    EXPECT_TRUE(refusedAsCut(cutJpeg)) << errorText([&] { LoadRadargram(cutJpeg); });
    const QString trailer = path("trailer.jpg"); // bytes after the picture's end change nothing
    writeBytes(trailer, jpeg + QByteArray("camera data"));
    EXPECT_EQ(LoadRadargram(trailer).size(), QSize(300, 200));

    // Uncompressed rows missing at the end: the decoder would leave them as memory was.
    QByteArray rows;
    for (int i = 0; i < 8 * 4; ++i)
        rows.append(static_cast<char>(i + 1));
    const QString bmp = path("rows.bmp");
    writeBytes(bmp, indexedBmp(8, 4, 8, 0, rows));
    EXPECT_EQ(LoadRadargram(bmp).pixelIndex(0, 3), 1);
    const QString cutBmp = path("cut-rows.bmp");
    writeBytes(cutBmp, indexedBmp(8, 4, 8, 0, rows.left(20)));
    EXPECT_TRUE(refusedAsCut(cutBmp)) << errorText([&] { LoadRadargram(cutBmp); });

    // Run-length codes that end early, at 8 and at 4 bits.
    const QByteArray rle8("\x04\x07\x00\x00\x08\x03\x00\x00\x00\x02\x02\x01\x00\x03\x05\x06\x07\x00\x00\x01", 20);
    const QString cutRle8 = path("cut-rle8.bmp");
    writeBytes(cutRle8, indexedBmp(8, 4, 8, 1, rle8.left(9)));
    EXPECT_TRUE(refusedAsCut(cutRle8)) << errorText([&] { LoadRadargram(cutRle8); });
    const QByteArray rle4("\x00\x05\x12\x34\x50\x00\x00\x00\x08\x77\x00\x00", 12);
    const QString cutRle4 = path("cut-rle4.bmp");
    writeBytes(cutRle4, indexedBmp(8, 2, 4, 2, rle4.left(7)));
    EXPECT_TRUE(refusedAsCut(cutRle4)) << errorText([&] { LoadRadargram(cutRle4); });

    // Whole codes that skip pixels (the rest of a line, a jump, the end before the last line):
    // those pixels are colour 0 every time, never what the memory held before.
    const QString rle8File = path("rle8.bmp");
    writeBytes(rle8File, indexedBmp(8, 4, 8, 1, rle8));
    const QImage first = LoadRadargram(rle8File);
    ASSERT_EQ(first.size(), QSize(8, 4));
    // Rows count from the bottom: row 0 of the codes is the picture's last.
    const char* const expected[] = {"00567000", "00000000", "33333333", "77770000"};
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(first.pixelIndex(x, y), expected[y][x] - '0') << x << ", " << y;
    EXPECT_EQ(LoadRadargram(rle8File), first);
    const QString rle4File = path("rle4.bmp");
    writeBytes(rle4File, indexedBmp(8, 2, 4, 2, rle4));
    const QImage four = LoadRadargram(rle4File);
    ASSERT_EQ(four.size(), QSize(8, 2));
    const char* const expected4[] = {"77777777", "12345000"};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(four.pixelIndex(x, y), expected4[y][x] - '0') << x << ", " << y;
}

TEST_F(RadargramFiles, GreyscaleCountsOneByteAPixelAgainstTheLimitAndBeyondItTheSizeIsNamed)
{
    // Qt's decoders count four bytes a pixel: a greyscale picture within the limit at one byte
    // a pixel loads, in its own format, and the program-wide limit is put back.
    constexpr qint64 kLimit = 5 * 1024 * 1024;
    const QString grey = save(gradient(4000, 1000), "grey.png", "png");
    const int qtLimit = QImageReader::allocationLimit();
    QImage loaded;
    EXPECT_EQ(errorText([&] { loaded = LoadRadargram(grey, {}, kLimit); }), "(no error)");
    EXPECT_EQ(loaded.size(), QSize(4000, 1000));
    EXPECT_EQ(loaded.format(), QImage::Format_Grayscale8);
    EXPECT_EQ(QImageReader::allocationLimit(), qtLimit);

    // Past the limit: the size and the limit in the user's words, not the decoder's.
    const QString bigger = save(gradient(8000, 1000), "bigger.png", "png");
    EXPECT_EQ(errorText([&] { LoadRadargram(bigger, {}, kLimit); }),
              "Изображение " + QDir::toNativeSeparators(bigger).toStdString() +
                  " слишком велико: 8000 × 1000 точек заняли бы в памяти 7 МБ, а допустимо не более 5 МБ.");
    // Colour takes four bytes a pixel: 2000 × 1000 is already past it.
    const QString colour = path("colour.png");
    writeBytes(colour, blackRgbPng(2000, 1000, true));
    EXPECT_NE(errorText([&] { LoadRadargram(colour, {}, kLimit); }).find("слишком велико: 2000 × 1000 точек"),
              std::string::npos);
}

TEST_F(RadargramFiles, ReportsHowFarTheFileIsRead)
{
    const QString file = save(gradient(3000, 400), "progress.png", "png");
    const qint64 size = QFileInfo(file).size();
    qint64 last = -1;
    bool forward = true;
    int calls = 0;
    LoadRadargram(file, [&](qint64 done, qint64 total) {
        ++calls;
        forward = forward && done >= last && done <= total && total == size;
        last = done;
    });
    EXPECT_GT(calls, 0);
    EXPECT_TRUE(forward);
    EXPECT_EQ(last, size);
}

} // namespace
} // namespace trassel

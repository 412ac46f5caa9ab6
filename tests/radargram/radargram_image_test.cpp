// Reading radargram files: the kind follows the extension in any letter case, the pixel format
// is kept, and whatever cannot be read to its end is refused with a message naming the file.
#include "radargram/qt/radargram_image.h"

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
    EXPECT_EQ(errorText([&] { LoadRadargram(wmf); }).rfind(
                  "Формат WMF не поддерживается: " + QDir::toNativeSeparators(wmf).toStdString(), 0),
              0U);
    EXPECT_EQ(errorText([&] { LoadRadargram(emf); }).rfind(
                  "Формат EMF не поддерживается: " + QDir::toNativeSeparators(emf).toStdString(), 0),
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

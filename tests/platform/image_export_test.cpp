// Writing the section bitmap to files.
#include "platform/image_export.h"

#include "base/atomic_file.h"
#include "base/error.h"
#include "platform/qt_canvas.h"
#include "support/qt_app.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace trassel {
namespace {

[[maybe_unused]] auto* const kApp = ::testing::AddGlobalTestEnvironment(new testing::QtAppEnvironment<QGuiApplication>);

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

QImage SampleSection()
{
    ImageCanvas canvas(120, 80);
    canvas.setBrushColor(0x0000FF);
    canvas.fillRect(10, 10, 60, 40);
    return canvas.image().copy();
}

std::string ErrorOf(const QImage& image, const QString& path)
{
    try {
        ExportSectionImage(image, path);
    } catch (const Error& e) {
        return e.what();
    }
    return {};
}

TEST(ImageExport, TheExtensionChoosesTheFileType)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QImage image = SampleSection();

    const auto write = [&](const QString& name) {
        const QString path = dir.filePath(name);
        ExportSectionImage(image, path);
        return ReadAll(path);
    };
    for (const QString& name :
         {QStringLiteral("ГеологическаяМодель.jpg"), QStringLiteral("a.jpeg"), QStringLiteral("b.JPG")}) {
        const QByteArray bytes = write(name);
        ASSERT_GE(bytes.size(), 2) << name.toStdString();
        EXPECT_EQ(static_cast<unsigned char>(bytes[0]), 0xFF) << name.toStdString();
        EXPECT_EQ(static_cast<unsigned char>(bytes[1]), 0xD8) << name.toStdString();
    }
    EXPECT_TRUE(write(QStringLiteral("c.png")).startsWith("\x89PNG"));

    for (const QString& name : {QStringLiteral("d.bmp"), QStringLiteral("e.txt"), QStringLiteral("f")}) {
        const QByteArray bytes = write(name);
        ASSERT_GE(bytes.size(), 30) << name.toStdString();
        EXPECT_TRUE(bytes.startsWith("BM")) << name.toStdString();
        EXPECT_EQ(static_cast<int>(bytes[28]), 24) << "bits per pixel of " << name.toStdString();
    }
    // The bitmap file holds the same pixels.
    const QImage back(dir.filePath(QStringLiteral("d.bmp")), "BMP");
    ASSERT_EQ(back.size(), image.size());
    EXPECT_EQ(back.pixel(20, 20), image.pixel(20, 20));
    EXPECT_EQ(back.pixel(5, 5), image.pixel(5, 5));
    EXPECT_NE(back.pixel(20, 20), back.pixel(5, 5));

    // JPEG at high quality stays close to the original colour.
    const QImage jpeg(dir.filePath(QStringLiteral("a.jpeg")), "JPEG");
    EXPECT_GT(qRed(jpeg.pixel(30, 25)), 230);
    EXPECT_LT(qBlue(jpeg.pixel(30, 25)), 25);
}

TEST(ImageExport, AnExistingFileIsReplacedAndFailuresNameTheFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("section.bmp"));
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old content");
    }
    ExportSectionImage(SampleSection(), path);
    EXPECT_TRUE(ReadAll(path).startsWith("BM"));

    const QString missing = dir.filePath(QStringLiteral("нет/section.png"));
    const std::string message = ErrorOf(SampleSection(), missing);
    EXPECT_NE(message.find(missing.toStdString()), std::string::npos) << message;

    // Too wide for JPEG: refused with a clear reason, and the file already there stays.
    const QString jpegPath = dir.filePath(QStringLiteral("wide.jpg"));
    {
        QFile old(jpegPath);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("keep me");
    }
    QImage wide(70000, 2, QImage::Format_RGB32);
    wide.fill(Qt::white);
    const std::string wideMessage = ErrorOf(wide, jpegPath);
    EXPECT_NE(wideMessage.find("JPEG"), std::string::npos) << wideMessage;
    EXPECT_EQ(ReadAll(jpegPath), QByteArray("keep me"));

    EXPECT_FALSE(ErrorOf(QImage(), dir.filePath(QStringLiteral("empty.png"))).empty());
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("empty.png"))));
}

TEST(ImageExport, APictureIsWrittenWithTheCareOfTheTable)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QImage image = SampleSection();
    // Through a link to the file it names, keeping that file's permissions; nothing left over.
    const QString target = dir.filePath(QStringLiteral("section.png"));
    {
        QFile old(target);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old picture");
    }
    QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup);
    const QString link = dir.filePath(QStringLiteral("link.png"));
    ASSERT_TRUE(QFile::link(QStringLiteral("section.png"), link));
    ExportSectionImage(image, link);
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_TRUE(ReadAll(target).startsWith("\x89PNG"));
    EXPECT_EQ(QFile::permissions(target) &
                  (QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther),
              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).size(), 2);
    // A name of 251 bytes still fits.
    const QString longName = dir.filePath(QString(247, QLatin1Char('x')) + QStringLiteral(".bmp"));
    ExportSectionImage(image, longName);
    EXPECT_TRUE(ReadAll(longName).startsWith("BM"));
    // A directory in the way, and a disk that fills: the reason, the name, the old file kept.
    QDir(dir.path()).mkdir(QStringLiteral("folder.bmp"));
    EXPECT_NE(ErrorOf(image, dir.filePath(QStringLiteral("folder.bmp"))).find("это папка, а не файл"),
              std::string::npos);
    const FileSystemCalls systemCalls = fileSystemCalls();
    fileSystemCalls().write = [](int, const void*, std::size_t) -> ssize_t {
        errno = ENOSPC;
        return -1;
    };
    const std::string full = ErrorOf(image, target);
    fileSystemCalls() = systemCalls;
    EXPECT_NE(full.find("на диске недостаточно места"), std::string::npos) << full;
    EXPECT_NE(full.find("section.png"), std::string::npos) << full;
    EXPECT_TRUE(ReadAll(target).startsWith("\x89PNG"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).size(), 4);
}

} // namespace
} // namespace trassel

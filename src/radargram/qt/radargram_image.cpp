#include "radargram/qt/radargram_image.h"

#include "base/error.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <algorithm>
#include <array>
#include <utility>

namespace trassel {
namespace {

constexpr int kByteLimitMb = static_cast<int>(kRadargramByteLimit / (1024 * 1024));

// The decoder each accepted extension names.
QByteArray decoderFor(const QString& suffix)
{
    static constexpr std::array<std::pair<const char*, const char*>, 7> kKinds{{
        {"bmp", "bmp"},
        {"jpg", "jpeg"},
        {"jpeg", "jpeg"},
        {"png", "png"},
        {"tif", "tiff"},
        {"tiff", "tiff"},
        {"ico", "ico"},
    }};
    for (const auto& [extension, decoder] : kKinds)
        if (suffix == QLatin1String(extension))
            return QByteArray(decoder);
    return {};
}

std::string text(const QString& message)
{
    return message.toStdString();
}

// The file as its decoder reads it, telling how far the reading has come. A cancel cannot
// unwind through the decoders' C code: the file turns unreadable instead, and the caller
// raises the cancel once the decoder has given up.
class ProgressFile : public QFile {
public:
    ProgressFile(const QString& name, const LoadProgress& progress) : QFile(name), progress_(progress) {}

    bool cancelled() const { return cancelled_; }

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        if (cancelled_)
            return -1;
        const qint64 got = QFile::readData(data, maxSize);
        if (progress_ && got > 0) {
            // pos() lags the file by what is buffered, which is close enough for a progress bar.
            furthest_ = std::max(furthest_, pos() + got);
            try {
                progress_(std::min(furthest_, size()), size());
            } catch (const Cancelled&) {
                cancelled_ = true;
                return -1;
            }
        }
        return got;
    }

private:
    const LoadProgress& progress_;
    qint64 furthest_ = 0;
    bool cancelled_ = false;
};

// Qt's decoders refuse pictures beyond a program-wide allocation limit (256 MB by default, less
// than a long greyscale radargram); this raises it for one read and puts it back afterwards.
class AllocationLimit {
public:
    explicit AllocationLimit(int mbytes) : saved_(QImageReader::allocationLimit())
    {
        QImageReader::setAllocationLimit(mbytes);
    }
    ~AllocationLimit() { QImageReader::setAllocationLimit(saved_); }
    AllocationLimit(const AllocationLimit&) = delete;
    AllocationLimit& operator=(const AllocationLimit&) = delete;

private:
    int saved_;
};

qint64 pictureBytes(QSize size, QImage::Format format)
{
    const qint64 bits = QImage::toPixelFormat(format).bitsPerPixel();
    const qint64 bytesPerLine = (size.width() * bits + 31) / 32 * 4;
    return bytesPerLine * size.height();
}

} // namespace

QImage LoadRadargram(const QString& path, const LoadProgress& progress)
{
    const QString shown = QDir::toNativeSeparators(path);
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("wmf") || suffix == QLatin1String("emf")) {
        throw Error(text(QStringLiteral("Формат ") + suffix.toUpper() + QStringLiteral(" не поддерживается: ") + shown +
                         QStringLiteral("\nСохраните радарограмму в формате PNG, BMP, JPEG или TIFF.")));
    }
    const QByteArray decoder = decoderFor(suffix);
    if (decoder.isEmpty()) {
        const QString extension = suffix.isEmpty() ? QStringLiteral("нет") : QStringLiteral(".") + suffix;
        throw Error(text(QStringLiteral("Неизвестное расширение файла изображения (") + extension +
                         QStringLiteral("): ") + shown +
                         QStringLiteral("\nРадарограмма загружается из файлов bmp, jpg, jpeg, png, tif, tiff и ico.")));
    }

    ProgressFile file(path, progress);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(text(QStringLiteral("Не удалось открыть файл ") + shown + QStringLiteral(": ") + file.errorString()));

    const AllocationLimit limit(kByteLimitMb);
    QImageReader reader(&file, decoder);
    // The kind is the one the name gives: a file whose content is of another kind is refused
    // as undecodable rather than read by whichever decoder recognises it.
    reader.setAutoDetectImageFormat(false);
    const QSize size = reader.size();
    const QImage::Format format = reader.imageFormat();
    if (size.isValid() && format != QImage::Format_Invalid) {
        const qint64 bytes = pictureBytes(size, format);
        if (bytes > kRadargramByteLimit) {
            throw Error(text(QStringLiteral("Изображение ") + shown + QStringLiteral(" слишком велико: ") +
                             QString::number(size.width()) + QStringLiteral(" × ") + QString::number(size.height()) +
                             QStringLiteral(" точек заняли бы в памяти ") + QString::number(bytes / (1024 * 1024)) +
                             QStringLiteral(" МБ, а допустимо не более ") + QString::number(kByteLimitMb) +
                             QStringLiteral(" МБ.")));
        }
    }
    QImage image = reader.read();
    if (file.cancelled())
        throw Cancelled();
    if (image.isNull()) {
        throw Error(text(QStringLiteral("Не удалось прочитать изображение ") + shown + QStringLiteral(": ") +
                         reader.errorString()));
    }
    return image;
}

} // namespace trassel

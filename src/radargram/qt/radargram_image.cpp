#include "radargram/qt/radargram_image.h"

#include "base/atomic_file.h"
#include "base/error.h"
#include "platform/qt_text.h"
#include "radargram/metafile.h"
#include "radargram/picture_end.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstring>
#include <optional>
#include <utility>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace trassel {
namespace {

constexpr qint64 kMb = 1024 * 1024;

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

std::string text(const QString& message) { return message.toStdString(); }

// The file as its decoder reads it, telling how far the reading has come. A cancel cannot
// unwind through the decoders' C code: the file turns unreadable instead, and the caller
// raises the cancel once the decoder has given up.
class ProgressFile : public QFile {
public:
    ProgressFile(const QString& name, const LoadProgress& progress) : QFile(name), progress_(progress) { }

    bool cancelled() const { return cancelled_; }
    // Whether reads are told to the progress (not while the file is checked before decoding).
    void setReporting(bool reporting) { reporting_ = reporting; }

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        if (cancelled_)
            return -1;
        const qint64 got = QFile::readData(data, maxSize);
        if (progress_ && reporting_ && got > 0) {
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
    bool reporting_ = true;
};

// Qt's decoders refuse pictures beyond a program-wide allocation limit (256 MB by default, less
// than a long greyscale radargram), counting four bytes a pixel whatever the format; this sets
// it for one read and puts it back afterwards.
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

// Qt's allocation limit (whole megabytes, counted at four bytes a pixel) that lets through
// what `byteLimit` lets through in the picture's own format: a greyscale picture may have
// four times the pixels of a colour one. 0 for no limit.
int qtAllocationLimit(qint64 byteLimit, QImage::Format format)
{
    const qint64 bits = format == QImage::Format_Invalid ? 32 : QImage::toPixelFormat(format).bitsPerPixel();
    const qint64 megabytes = (byteLimit * 32 / std::clamp<qint64>(bits, 1, 32) + kMb - 1) / kMb;
    return static_cast<int>(std::clamp<qint64>(megabytes, 1, INT_MAX));
}

QString megabytes(qint64 bytes) { return QString::number((bytes + kMb - 1) / kMb); }

// Whether a BMP or JPEG file holds its whole picture (the decoders call a cut one whole); read
// through, then back to its start. Other kinds are left to their decoders, which refuse them.
bool wholePicture(ProgressFile& file, const QByteArray& decoder)
{
    std::optional<PictureEndCheck::Kind> kind;
    if (decoder == "bmp")
        kind = PictureEndCheck::Kind::Bmp;
    else if (decoder == "jpeg")
        kind = PictureEndCheck::Kind::Jpeg;
    if (!kind)
        return true;
    PictureEndCheck check(*kind, static_cast<std::uint64_t>(file.size()));
    file.setReporting(false);
    QByteArray chunk(1 << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 got = file.read(chunk.data(), chunk.size());
        if (got <= 0 ||
            check.feed(reinterpret_cast<const unsigned char*>(chunk.constData()), static_cast<std::size_t>(got)))
            break;
    }
    file.setReporting(true);
    file.seek(0);
    return check.complete();
}

// A metafile is drawn by the system's player at its own size, into white.
QImage loadMetafile(ProgressFile& file, const QString& shown, MetafileKind kind, qint64 byteLimit)
{
    // The records only describe the picture; a file larger than the picture's limit is not one.
    if (file.size() > byteLimit) {
        throw Error(text(QStringLiteral("Метафайл ") + shown + QStringLiteral(" слишком велик: ") +
                         megabytes(file.size()) + QStringLiteral(" МБ.")));
    }
    const QByteArray bytes = file.readAll();
    if (file.cancelled())
        throw Cancelled();
    if (bytes.size() != file.size())
        throw Error(
            text(QStringLiteral("Не удалось прочитать файл ") + shown + QStringLiteral(": ") + file.errorString()));
    MetafilePicture picture;
    try {
        picture = RenderMetafile({reinterpret_cast<const unsigned char*>(bytes.constData()),
                                  static_cast<std::size_t>(bytes.size())},
                                 kind, static_cast<std::size_t>(byteLimit));
    } catch (const Error& e) {
        throw Error(text(QStringLiteral("Не удалось прочитать изображение ") + shown + QStringLiteral(": ") +
                         QString::fromUtf8(e.what())));
    }
    QImage image(picture.width, picture.height, QImage::Format_RGB32);
    if (image.isNull())
        throw std::bad_alloc();
    for (int y = 0; y < picture.height; ++y)
        std::memcpy(image.scanLine(y), picture.pixels.data() + static_cast<std::size_t>(y) * picture.width,
                    static_cast<std::size_t>(picture.width) * 4);
    return image;
}

} // namespace

QImage LoadRadargram(const QString& path, const LoadProgress& progress, qint64 byteLimit)
{
    const QString shown = QDir::toNativeSeparators(path);
    const QString suffix = QFileInfo(path).suffix().toLower();
    const bool metafile = suffix == QLatin1String("wmf") || suffix == QLatin1String("emf");
    if (metafile && !MetafilesSupported()) {
        throw Error(text(QStringLiteral("Формат ") + suffix.toUpper() + QStringLiteral(" не поддерживается: ") + shown +
                         QStringLiteral("\nСохраните радарограмму в формате PNG, BMP, JPEG или TIFF.")));
    }
    const QByteArray decoder = decoderFor(suffix);
    if (decoder.isEmpty() && !metafile) {
        const QString extension = suffix.isEmpty() ? QStringLiteral("нет") : QStringLiteral(".") + suffix;
        throw Error(text(QStringLiteral("Неизвестное расширение файла изображения (") + extension +
                         QStringLiteral("): ") + shown +
                         QStringLiteral("\nРадарограмма загружается из файлов bmp, jpg, jpeg, png, tif, tiff и ico.")));
    }

    ProgressFile file(path, progress);
    // Opened as tables are: a FIFO is refused at once rather than waited on, and so is any
    // other file that is not a regular one.
    const int fd = OpenRegularFile(toLocalPath(path));
    if (fd < 0) {
        const int err = errno;
        // Refused by the system: Qt's own words for it, as before.
        if (!file.open(QIODevice::ReadOnly))
            throw Error(
                text(QStringLiteral("Не удалось открыть файл ") + shown + QStringLiteral(": ") + file.errorString()));
        throw Error(text(QStringLiteral("Не удалось открыть файл ") + shown + QStringLiteral(": ") +
                         QString::fromLocal8Bit(std::strerror(err))));
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
#ifdef _WIN32
        ::_close(fd);
#else
        ::close(fd);
#endif
        throw Error(
            text(QStringLiteral("Не удалось открыть файл ") + shown + QStringLiteral(": ") + file.errorString()));
    }

    if (metafile)
        return loadMetafile(file, shown, suffix == QLatin1String("wmf") ? MetafileKind::Wmf : MetafileKind::Emf,
                            byteLimit);
    if (!wholePicture(file, decoder)) {
        throw Error(text(QStringLiteral("Не удалось прочитать изображение ") + shown +
                         QStringLiteral(": файл обрывается раньше конца изображения, изображение неполное.")));
    }

    QImageReader reader(&file, decoder);
    // The kind is the one the name gives: a file whose content is of another kind is refused
    // as undecodable rather than read by whichever decoder recognises it.
    reader.setAutoDetectImageFormat(false);
    const QSize size = reader.size();
    const QImage::Format format = reader.imageFormat();
    const bool known = size.isValid() && !size.isEmpty() && format != QImage::Format_Invalid;
    if (known) {
        const qint64 bytes = pictureBytes(size, format);
        if (bytes > byteLimit) {
            throw Error(text(QStringLiteral("Изображение ") + shown + QStringLiteral(" слишком велико: ") +
                             QString::number(size.width()) + QStringLiteral(" × ") + QString::number(size.height()) +
                             QStringLiteral(" точек заняли бы в памяти ") + QString::number(bytes / kMb) +
                             QStringLiteral(" МБ, а допустимо не более ") + megabytes(byteLimit) +
                             QStringLiteral(" МБ.")));
        }
    }
    const AllocationLimit limit(qtAllocationLimit(byteLimit, known ? format : QImage::Format_Invalid));
    // The decoders leave pixels they never reach as the memory was (a BMP's run-length codes
    // may skip any of them): the picture is made and cleared here, and the decoder writes into
    // it, since it keeps a picture of its own size and format.
    QImage image;
    if (known) {
        image = QImage(size, format);
        if (image.isNull())
            throw std::bad_alloc();
        image.fill(0);
    }
    const bool read = reader.read(&image);
    if (file.cancelled())
        throw Cancelled();
    if (!read || image.isNull()) {
        throw Error(text(QStringLiteral("Не удалось прочитать изображение ") + shown + QStringLiteral(": ") +
                         reader.errorString()));
    }
    return image;
}

} // namespace trassel

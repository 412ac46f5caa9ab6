#include "platform/image_export.h"

#include "base/atomic_file.h"
#include "base/error.h"

#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QImageWriter>

#include <optional>
#include <string>

namespace trassel {
namespace {

// The largest side a JPEG file can describe.
constexpr int kMaxJpegSide = 65535;

[[noreturn]] void Fail(const QString& path, const QString& reason)
{
    throw Error("Не удалось сохранить рисунок в файл «" + path.toStdString() + "»: " + reason.toStdString());
}

// A write-only device that streams what the image writer gives it into an AtomicFileWriter,
// so that a picture is written with the same care as the table: beside a link's target, with
// its permissions, flushed, renamed into place only when complete.
class AtomicFileDevice : public QIODevice {
public:
    explicit AtomicFileDevice(const QString& path) : path_(path) {}

    bool open(OpenMode mode) override
    {
        try {
            writer_.emplace(QFile::encodeName(path_).toStdString());
        } catch (const Error& e) {
            error_ = QString::fromUtf8(e.what());
            return false;
        }
        return QIODevice::open(mode);
    }
    bool isSequential() const override { return true; }
    // The first failure's full text ("Не удалось записать файл …: <reason>").
    const QString& failure() const { return error_; }
    bool commit()
    {
        try {
            writer_->commit();
            return true;
        } catch (const Error& e) {
            error_ = QString::fromUtf8(e.what());
            return false;
        }
    }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override
    {
        if (!error_.isEmpty())
            return -1;
        try {
            writer_->write(std::string_view(data, static_cast<std::size_t>(size)));
        } catch (const Error& e) {
            error_ = QString::fromUtf8(e.what());
            return -1;
        }
        return size;
    }

private:
    QString path_;
    std::optional<AtomicFileWriter> writer_;  // destroyed without commit: its temporary goes
    QString error_;
};

} // namespace

QString SectionImageFilter()
{
    return QStringLiteral("JPEG (*.jpg *.jpeg);;PNG (*.png);;BMP (*.bmp)");
}

void ExportSectionImage(const QImage& image, const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    QByteArray format = "BMP";
    if (suffix == QStringLiteral("jpg") || suffix == QStringLiteral("jpeg"))
        format = "JPEG";
    else if (suffix == QStringLiteral("png"))
        format = "PNG";

    if (image.isNull())
        Fail(path, QStringLiteral("рисунок пуст."));
    if (format == "JPEG" && (image.width() > kMaxJpegSide || image.height() > kMaxJpegSide))
        Fail(path, QStringLiteral("формат JPEG допускает не более %1 пикселей по стороне, а рисунок имеет %2 × %3. "
                                  "Сохраните его в PNG или BMP.")
                       .arg(kMaxJpegSide)
                       .arg(image.width())
                       .arg(image.height()));

    AtomicFileDevice file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw Error(file.failure().toStdString());
    QImageWriter writer(&file, format);
    if (format == "JPEG")
        writer.setQuality(95);
    // 32-bit pixels are written as a 24-bit bitmap; the unused byte never reaches the file.
    if (!writer.write(image)) {
        if (!file.failure().isEmpty())
            throw Error(file.failure().toStdString());
        Fail(path, writer.errorString());
    }
    if (!file.commit())
        throw Error(file.failure().toStdString());
}

} // namespace trassel

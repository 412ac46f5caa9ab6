#pragma once
#include "base/atomic_file.h"
#include "base/error.h"
#include "platform/qt_text.h"

#include <QIODevice>
#include <QString>

#include <optional>
#include <string_view>

namespace trassel {

// A write-only device that streams what the image writer gives it into an AtomicFileWriter,
// so that a picture is written with the same care as the table: beside a link's target, with
// its permissions, flushed, renamed into place only when complete.
class AtomicFileDevice : public QIODevice {
public:
    AtomicFileDevice(const QString& path, ReadOnlyTarget readOnly) : path_(path), readOnly_(readOnly) { }

    bool open(OpenMode mode) override
    {
        try {
            writer_.emplace(toLocalPath(path_), readOnly_);
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
    ReadOnlyTarget readOnly_;
    std::optional<AtomicFileWriter> writer_; // destroyed without commit: its temporary goes
    QString error_;
};

} // namespace trassel

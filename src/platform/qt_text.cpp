#include "platform/qt_text.h"

#include <QFile>
#include <QMimeData>
#include <QUrl>

namespace trassel {

std::string toLocalPath(const QString& path)
{
#ifdef _WIN32
    // The ANSI code page of QFile::encodeName would lose every letter outside it.
    return toStdString(path);
#else
    const QByteArray bytes = QFile::encodeName(path);
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
#endif
}

QString fromLocalPath(const std::string& path)
{
#ifdef _WIN32
    return toQString(path);
#else
    return QFile::decodeName(QByteArray::fromStdString(path));
#endif
}

QString DroppedLocalFile(const QMimeData* data)
{
    if (data == nullptr || !data->hasUrls())
        return {};
    for (const QUrl& url : data->urls())
        if (url.isLocalFile())
            return url.toLocalFile();
    return {};
}

} // namespace trassel

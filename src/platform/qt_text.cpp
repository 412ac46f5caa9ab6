#include "platform/qt_text.h"

#include <QFile>
#include <QMimeData>
#include <QUrl>

namespace trassel {

std::string toLocalPath(const QString& path)
{
    const QByteArray bytes = QFile::encodeName(path);
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
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

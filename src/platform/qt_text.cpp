#include "platform/qt_text.h"

#include <QFile>

namespace trassel {

std::string toLocalPath(const QString& path)
{
    const QByteArray bytes = QFile::encodeName(path);
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

} // namespace trassel

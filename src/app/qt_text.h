#pragma once
// Conversions between the core's UTF-8 strings and Qt's strings.
#include <QString>

#include <string>
#include <string_view>

namespace trassel {

inline QString toQString(std::string_view utf8)
{
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

inline std::string toStdString(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

// The file name as the core's file functions expect it (the local 8-bit form of the path).
std::string toLocalPath(const QString& path);

} // namespace trassel

#pragma once
// Text conversions between the core and Qt, and file names for the core's file functions.
#include "platform/qt_convert.h"

#include <QString>

class QMimeData;

#include <string>

namespace trassel {

// The file name as the core's file functions expect it: the local 8-bit form of the path on
// Linux (the name's bytes), UTF-8 on Windows (opened there in wide characters).
std::string toLocalPath(const QString& path);

// The reverse: a name from the core's file functions as Qt's text.
QString fromLocalPath(const std::string& path);

// The first local file among the URLs of a drag, or an empty string.
QString DroppedLocalFile(const QMimeData* data);

} // namespace trassel

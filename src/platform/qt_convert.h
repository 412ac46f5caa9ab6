#pragma once
// Conversions between the core's values (UTF-8 text, 0x00BBGGRR colours, fill ordinals) and Qt's.
#include "drawing/canvas.h"

#include <QBrush>
#include <QColor>
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

inline QColor ToQColor(Color c)
{
    return QColor(static_cast<int>(c & 0xFFU), static_cast<int>((c >> 8) & 0xFFU), static_cast<int>((c >> 16) & 0xFFU));
}

inline Color FromQRgb(QRgb rgb)
{
    return static_cast<Color>(qRed(rgb)) | (static_cast<Color>(qGreen(rgb)) << 8) |
           (static_cast<Color>(qBlue(rgb)) << 16);
}

inline Color FromQColor(const QColor& c) { return FromQRgb(c.rgb()); }

inline Qt::BrushStyle ToQtBrushStyle(BrushStyle style)
{
    switch (style) {
    case BrushStyle::Solid: return Qt::SolidPattern;
    case BrushStyle::Clear: return Qt::NoBrush;
    case BrushStyle::Horizontal: return Qt::HorPattern;
    case BrushStyle::Vertical: return Qt::VerPattern;
    case BrushStyle::FDiagonal: return Qt::FDiagPattern;
    case BrushStyle::BDiagonal: return Qt::BDiagPattern;
    case BrushStyle::Cross: return Qt::CrossPattern;
    case BrushStyle::DiagCross: return Qt::DiagCrossPattern;
    }
    return Qt::SolidPattern;
}

} // namespace trassel

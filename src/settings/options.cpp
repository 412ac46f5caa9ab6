#include "settings/options.h"

namespace trassel {

TFmOptions::TFmOptions(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FmOptions"));
    setWindowTitle(QStringLiteral("Параметры"));
    setModal(false);
    resize(798, 492);
}

} // namespace trassel

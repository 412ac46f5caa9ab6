#include "boreholes/skv.h"

namespace trassel {

TFmSkv::TFmSkv(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FmSkv"));
    setWindowTitle(QStringLiteral("Скважины"));
    setModal(false);
}

} // namespace trassel

#include "boreholes/qt/skv.h"

namespace trassel {

TFmSkv::TFmSkv(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FmSkv"));
    setWindowTitle(QStringLiteral("Скважины"));
    setModal(false);
    // No command shows it; it keeps its size for when one does.
    resize(540, 327);
}

} // namespace trassel

#include "dialogs/list.h"

namespace trassel {

TFmList::TFmList(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FmList"));
    setWindowTitle(QStringLiteral("Список грунтов"));
    setModal(false);
    resize(447, 337);
}

} // namespace trassel

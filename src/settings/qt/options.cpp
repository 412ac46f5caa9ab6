#include "settings/qt/options.h"

#include <QAction>
#include <QPushButton>
#include <QTabWidget>

namespace trassel {

TFmOptions::TFmOptions(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FmOptions"));
    setWindowTitle(QStringLiteral("Параметры"));
    setModal(false);
    resize(798, 492);
    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setGeometry(0, 0, 265, 461);
    // Three empty tabs, kept as the users' manuals show them; the settings sit beside them.
    for (const QString& caption : {QStringLiteral("Таблица"), QStringLiteral("Графики"), QStringLiteral("Изображения")})
        PageControl1->addTab(new QWidget, caption);
    PageControl1->setCurrentIndex(2);
    btnSaveOptions = new QPushButton(QStringLiteral("Сохранить"), this);
    btnSaveOptions->setObjectName(QStringLiteral("btnSaveOptions"));
    btnSaveOptions->setGeometry(4, 467, 75, 25);
    btnLoadOptions = new QPushButton(QStringLiteral("Загрузить"), this);
    btnLoadOptions->setObjectName(QStringLiteral("btnLoadOptions"));
    btnLoadOptions->setGeometry(85, 467, 75, 25);
    connect(btnSaveOptions, &QPushButton::clicked, this, [this] {
        if (save_)
            save_->trigger();
    });
    connect(btnLoadOptions, &QPushButton::clicked, this, [this] {
        if (load_)
            load_->trigger();
    });
}

void TFmOptions::bindActions(QAction* save, QAction* load)
{
    save_ = save;
    load_ = load;
}

} // namespace trassel

#pragma once
// The soil list window "Список грунтов", created hidden at start.
#include <QDialog>

namespace trassel {

class TFmList : public QDialog {
    Q_OBJECT
public:
    explicit TFmList(QWidget* parent = nullptr);
};

} // namespace trassel

#pragma once
// The options window "Параметры": created hidden at start and shown by its command.
#include <QDialog>

namespace trassel {

class TFmOptions : public QDialog {
    Q_OBJECT
public:
    explicit TFmOptions(QWidget* parent = nullptr);
};

} // namespace trassel

#pragma once
// The window "Скважины", created hidden at start; it holds nothing yet. Kept, empty, because
// the users' manuals and the window list name it.
#include <QDialog>

namespace trassel {

class TFmSkv : public QDialog {
    Q_OBJECT
public:
    explicit TFmSkv(QWidget* parent = nullptr);
};

} // namespace trassel

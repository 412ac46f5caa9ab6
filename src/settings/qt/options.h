#pragma once
// The options window "Параметры": created hidden at start and shown by its command. It holds
// a page control of three empty pages and the two buttons that save and load the settings.
#include <QDialog>

class QAction;
class QPushButton;
class QTabWidget;

namespace trassel {

class TFmOptions : public QDialog {
    Q_OBJECT
public:
    explicit TFmOptions(QWidget* parent = nullptr);

    // The buttons run these actions exactly as the ribbon's buttons do.
    void bindActions(QAction* save, QAction* load);

    QTabWidget* PageControl1 = nullptr;
    QPushButton* btnSaveOptions = nullptr;
    QPushButton* btnLoadOptions = nullptr;

private:
    QAction* save_ = nullptr;
    QAction* load_ = nullptr;
};

} // namespace trassel

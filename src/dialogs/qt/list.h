#pragma once
// The soil list window "Список грунтов": the names the labelling tool writes on the section,
// and the font of those labels.
#include "base/signal.h"
#include "drawing/canvas.h"
#include "widgets/command_guard.h"

#include <QColor>
#include <QDialog>
#include <QFont>
#include <QListWidget>
#include <QString>

#include <functional>
#include <optional>

class QAction;
class QLineEdit;
class QMenu;
class QPushButton;

namespace trassel {

class SurveyDocument;

// A font as the font dialog returns it: the face, size and style, and the colour of the text.
struct ChosenFont {
    QFont font;
    QColor color;
};

// The list box of the soil names: it accepts whatever is dragged over it, so the pointer shows
// that a drop is possible; only its own entries, dragged inside it, are moved by a drop.
class SoilListBox : public QListWidget {
    Q_OBJECT
public:
    explicit SoilListBox(QWidget* parent = nullptr);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};

// Created once at start, hidden; shown without blocking the main window. It keeps its entries
// and its font while the program runs, and closing it only hides it.
class TFmList : public QDialog {
    Q_OBJECT
public:
    explicit TFmList(QWidget* parent = nullptr);
    ~TFmList() override;

    // The text of the selected entry; empty when none is selected (or the selected entry is
    // itself empty: soilSelected() tells the two apart).
    QString selectedSoil() const;
    bool soilSelected() const;

    // Shows the window beside the main window and brings it to the front.
    void showWindow();

    // The list is the document's soil list: what the user changes here goes to the document,
    // and a list the document gets (an open) shows here. The entries the window holds when it
    // is bound become the document's.
    void bindDocument(SurveyDocument& doc);

    // The open dialog of "Загрузить": the chosen file's name, empty when cancelled.
    std::function<QString(const QString& filter)> openFileName;
    // The font dialog of "Шрифт": the chosen font, nothing when cancelled.
    std::function<std::optional<ChosenFont>(const ChosenFont& initial)> chooseFont;
    // Runs a command so that its failure is reported and the program goes on; the main window
    // hands in its own reporter, the default shows the text in a message box.
    CommandGuard guard;

    // The font the font dialog returned last (Tahoma 8 in the window text colour at first).
    const ChosenFont& lastFont() const { return lastFont_; }

    SoilListBox* lbxGrunts = nullptr;
    QLineEdit* txtAddGround = nullptr;
    QPushButton* btnAddGround = nullptr;
    QMenu* PopupActionBar1 = nullptr;
    QAction* piLoadFromFile = nullptr;
    QAction* piClear = nullptr;
    QAction* piRedact = nullptr;
    QAction* piDelete = nullptr;
    QAction* piFont = nullptr;

    void btnAddGroundClick();
    void piLoadFromFileClick();
    void piClearClick();
    void piRedactClick();
    void piDeleteClick();
    void piFontClick();

Q_SIGNALS:
    // The font chosen in "Шрифт", for the canvas of the section bitmap: the soil labels are
    // written in it.
    void fontChosen(const trassel::FontState& font);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QAction* addMenuItem(const char* name, const QString& caption, void (TFmList::*handler)());
    void placeControls();
    QListWidgetItem* selectedItem() const;

    void pushToDocument();

    ChosenFont lastFont_;
    SurveyDocument* doc_ = nullptr;
    Subscription subscription_;
    bool showing_ = false; // the list is being filled from the document
};

// The canvas font of a chosen font: its name, size in points, bold and underline, and colour.
FontState CanvasFontOf(const ChosenFont& chosen);

// The real font dialog: the toolkit's font chooser with a colour choice beside it.
std::optional<ChosenFont> RunFontDialog(QWidget* parent, const ChosenFont& initial);

} // namespace trassel

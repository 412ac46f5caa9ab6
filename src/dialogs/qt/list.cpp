#include "dialogs/qt/list.h"

#include "base/atomic_file.h"
#include "platform/qt_text.h"
#include "dialogs/qt/about.h"
#include "dialogs/soil_list.h"
#include "document/survey_document.h"
#include "platform/qt_convert.h"

#include <QApplication>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFontDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScopeGuard>
#include <QVBoxLayout>

#include <cmath>
#include <exception>
#include <memory>
#include <new>
#include <vector>

namespace trassel {

SoilListBox::SoilListBox(QWidget* parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setDragDropMode(QAbstractItemView::InternalMove);
    setDefaultDropAction(Qt::MoveAction);
    setAcceptDrops(true);
}

void SoilListBox::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->source() == this)
        QListWidget::dragEnterEvent(event);
    else
        event->acceptProposedAction();
}

void SoilListBox::dragMoveEvent(QDragMoveEvent* event)
{
    if (event->source() == this)
        QListWidget::dragMoveEvent(event);
    else
        event->acceptProposedAction();
}

void SoilListBox::dropEvent(QDropEvent* event)
{
    // Something from outside (the section's scroll box is draggable) is welcomed but not taken.
    if (event->source() == this)
        QListWidget::dropEvent(event);
    else
        event->acceptProposedAction();
}

namespace {

QListWidgetItem* newEntry(const QString& text)
{
    auto* item = new QListWidgetItem(text);
    // Editable so that "Редактировать строку" can open the editor; no click opens it by itself.
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    return item;
}

} // namespace

TFmList::TFmList(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FmList"));
    setWindowTitle(QStringLiteral("Список грунтов"));
    setModal(false);
    setFont(windowFont(8));

    lbxGrunts = new SoilListBox(this);
    lbxGrunts->setObjectName(QStringLiteral("lbxGrunts"));
    lbxGrunts->setFont(QFont(QStringLiteral("Times New Roman"), 12));
    lbxGrunts->setEditTriggers(QAbstractItemView::EditKeyPressed);
    for (const QString& name :
         {QStringLiteral("Щебеночный балласт"), QStringLiteral("Асбестовый балласт"), QStringLiteral("Песок"),
          QStringLiteral("Песчано-гравийно-галечниковый грунт"), QStringLiteral("Суглинок")})
        lbxGrunts->addItem(newEntry(name));

    txtAddGround = new QLineEdit(QStringLiteral("Новый грунт"), this);
    txtAddGround->setObjectName(QStringLiteral("txtAddGround"));

    btnAddGround = new QPushButton(QStringLiteral("Добавить"), this);
    btnAddGround->setObjectName(QStringLiteral("btnAddGround"));
    btnAddGround->setAutoDefault(false);
    connect(btnAddGround, &QPushButton::clicked, this, [this] { btnAddGroundClick(); });

    PopupActionBar1 = new QMenu(this);
    PopupActionBar1->setObjectName(QStringLiteral("PopupActionBar1"));
    piLoadFromFile = addMenuItem("piLoadFromFile", QStringLiteral("Загрузить"), &TFmList::piLoadFromFileClick);
    piClear = addMenuItem("piClear", QStringLiteral("Очистить"), &TFmList::piClearClick);
    PopupActionBar1->addSeparator();
    piRedact = addMenuItem("piRedact", QStringLiteral("Редактировать строку"), &TFmList::piRedactClick);
    piDelete = addMenuItem("piDelete", QStringLiteral("Удалить строку"), &TFmList::piDeleteClick);
    PopupActionBar1->addSeparator();
    piFont = addMenuItem("piFont", QStringLiteral("Шрифт"), &TFmList::piFontClick);
    lbxGrunts->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(lbxGrunts, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PopupActionBar1->popup(lbxGrunts->viewport()->mapToGlobal(at)); });

    lastFont_ = {windowFont(8), palette().color(QPalette::WindowText)};

    openFileName = [this](const QString& filter) {
        return QFileDialog::getOpenFileName(this, QString(), QString(), filter);
    };
    chooseFont = [this](const ChosenFont& initial) { return RunFontDialog(this, initial); };
    guard = [this](const std::function<void()>& command) {
        try {
            command();
            return true;
        } catch (const std::bad_alloc&) {
            QMessageBox::critical(this, QApplication::applicationName(), QStringLiteral("Недостаточно памяти"));
        } catch (const std::exception& e) {
            QMessageBox::critical(this, QApplication::applicationName(), QString::fromUtf8(e.what()));
        }
        return false;
    };

    resize(447, 337);
    placeControls();
}

TFmList::~TFmList()
{
    // The list box goes after this window's own part: its last signals must not reach it.
    disconnect(lbxGrunts->model(), nullptr, this, nullptr);
    doc_ = nullptr;
}

void TFmList::bindDocument(SurveyDocument& doc)
{
    doc_ = &doc;
    // Whatever changes the entries (adding, editing in place, deleting, a file, a drop) changes
    // the model, so the model's signals carry every change to the document.
    QAbstractItemModel* model = lbxGrunts->model();
    connect(model, &QAbstractItemModel::rowsInserted, this, [this] { pushToDocument(); });
    connect(model, &QAbstractItemModel::rowsRemoved, this, [this] { pushToDocument(); });
    connect(model, &QAbstractItemModel::rowsMoved, this, [this] { pushToDocument(); });
    connect(model, &QAbstractItemModel::dataChanged, this, [this] { pushToDocument(); });
    connect(model, &QAbstractItemModel::modelReset, this, [this] { pushToDocument(); });
    subscription_ = doc.subscribe([this](const DocumentChange& change) {
        if (change.what != DocumentChange::What::Soils || showing_)
            return;
        showing_ = true;
        lbxGrunts->clear();
        for (const std::string& soil : doc_->soils())
            lbxGrunts->addItem(newEntry(QString::fromStdString(soil)));
        showing_ = false;
    });
    pushToDocument();
}

void TFmList::pushToDocument()
{
    if (doc_ == nullptr || showing_)
        return;
    std::vector<std::string> soils;
    soils.reserve(static_cast<std::size_t>(lbxGrunts->count()));
    for (int i = 0; i < lbxGrunts->count(); ++i)
        soils.push_back(lbxGrunts->item(i)->text().toStdString());
    showing_ = true;
    doc_->setSoils(std::move(soils));
    showing_ = false;
}

QAction* TFmList::addMenuItem(const char* name, const QString& caption, void (TFmList::*handler)())
{
    auto* action = PopupActionBar1->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    connect(action, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
    return action;
}

void TFmList::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    placeControls();
}

void TFmList::placeControls()
{
    // The list keeps its 8-pixel margins and the 56 pixels of the edit row below it; the edit
    // and the button stay on the bottom edge, the button in the right corner.
    const int w = width();
    const int h = height();
    lbxGrunts->setGeometry(8, 8, qMax(0, w - 16), qMax(0, h - 56));
    txtAddGround->setGeometry(8, h - 42, qMax(0, w - 97), 21);
    btnAddGround->setGeometry(w - 83, h - 42, 75, 25);
}

QListWidgetItem* TFmList::selectedItem() const
{
    const QList<QListWidgetItem*> selected = lbxGrunts->selectedItems();
    return selected.isEmpty() ? nullptr : selected.front();
}

QString TFmList::selectedSoil() const
{
    const QListWidgetItem* item = selectedItem();
    return item ? item->text() : QString();
}

bool TFmList::soilSelected() const { return selectedItem() != nullptr; }

void TFmList::showWindow()
{
    show();
    raise();
    activateWindow();
}

void TFmList::btnAddGroundClick() { lbxGrunts->addItem(newEntry(txtAddGround->text())); }

void TFmList::piDeleteClick()
{
    if (QListWidgetItem* item = selectedItem())
        delete item;
    // The entry below takes the place of the deleted one but is not picked for the user.
    lbxGrunts->clearSelection();
}

void TFmList::piClearClick() { lbxGrunts->clear(); }

void TFmList::piRedactClick()
{
    if (QListWidgetItem* item = selectedItem()) {
        lbxGrunts->setCurrentItem(item);
        lbxGrunts->editItem(item);
    }
}

void TFmList::piLoadFromFileClick()
{
    const QString name = openFileName(QString());
    if (name.isEmpty())
        return;
    guard([&] {
        // The new list is read and its entries made aside, so that a file that cannot be read,
        // or would take too much memory, leaves the entries the user had.
        std::vector<std::unique_ptr<QListWidgetItem>> entries;
        {
            const FileBytes file = ReadWholeFile(toLocalPath(name));
            const std::vector<std::string> lines = ReadSoilList(std::string_view(file.data.get(), file.size));
            entries.reserve(lines.size());
            for (const std::string& line : lines)
                entries.emplace_back(newEntry(toQString(line)));
        }
        // Then the list is replaced at once, and the document gets the whole new list once,
        // not an empty one and every list in between.
        {
            lbxGrunts->setUpdatesEnabled(false);
            showing_ = true;
            const auto done = qScopeGuard([this] {
                showing_ = false;
                lbxGrunts->setUpdatesEnabled(true);
            });
            lbxGrunts->clear();
            for (auto& entry : entries)
                lbxGrunts->addItem(entry.release());
        }
        pushToDocument();
    });
}

void TFmList::piFontClick()
{
    const std::optional<ChosenFont> chosen = chooseFont(lastFont_);
    if (!chosen)
        return;
    lastFont_ = *chosen;

    QFont font = lbxGrunts->font();
    if (chosen->font.pointSizeF() > 0)
        font.setPointSizeF(chosen->font.pointSizeF());
    else
        font.setPixelSize(chosen->font.pixelSize());
    font.setWeight(chosen->font.weight());
    font.setItalic(chosen->font.italic());
    font.setUnderline(chosen->font.underline());
    font.setStrikeOut(chosen->font.strikeOut());
    font.setFamilies({chosen->font.family()});
    lbxGrunts->setFont(font);
    QPalette palette = lbxGrunts->palette();
    palette.setColor(QPalette::Text, chosen->color);
    lbxGrunts->setPalette(palette);

    Q_EMIT fontChosen(CanvasFontOf(*chosen));
}

FontState CanvasFontOf(const ChosenFont& chosen)
{
    FontState state;
    state.name = toStdString(chosen.font.family());
    const double points = chosen.font.pointSizeF() > 0 ? chosen.font.pointSizeF()
                                                       : chosen.font.pixelSize() * 72.0 / 96.0;
    state.size = static_cast<int>(std::lround(points));
    state.bold = chosen.font.bold();
    state.underline = chosen.font.underline();
    state.color = FromQColor(chosen.color);
    return state;
}

std::optional<ChosenFont> RunFontDialog(QWidget* parent, const ChosenFont& initial)
{
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("Шрифт"));
    auto* layout = new QVBoxLayout(&dialog);

    // The toolkit's chooser has no colour, which the labels need: it is shown inside a dialog
    // of our own with a colour button beside the usual buttons.
    auto* chooser = new QFontDialog(&dialog);
    chooser->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
    chooser->setWindowFlags(Qt::Widget);
    chooser->setCurrentFont(initial.font);
    layout->addWidget(chooser);

    QColor color = initial.color;
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    auto* colorButton = buttons->addButton(QStringLiteral("Цвет..."), QDialogButtonBox::ActionRole);
    auto showColor = [colorButton, &color] {
        QPixmap swatch(16, 16);
        swatch.fill(color);
        colorButton->setIcon(QIcon(swatch));
    };
    showColor();
    QObject::connect(colorButton, &QPushButton::clicked, &dialog, [&] {
        const QColor picked = QColorDialog::getColor(color, &dialog);
        if (picked.isValid()) {
            color = picked;
            showColor();
        }
    });
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);

    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return ChosenFont{chooser->currentFont(), color};
}

} // namespace trassel

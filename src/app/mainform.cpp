#include "app/mainform.h"

#include "app/action_handler.h"
#include "app/ribbon.h"
#include "app/ui_services.h"
#include "app/undo_bridge.h"
#include "base/compile_date.h"
#include "base/error.h"
#include "boreholes/qt/borehole_page.h"
#include "diagram/qt/chart_view.h"
#include "diagram/qt/diagram_page.h"
#include "diagram/qt/diagram_properties_page.h"
#include "dialogs/qt/about.h"
#include "dialogs/qt/list.h"
#include "layers/qt/layer_panel.h"
#include "platform/qt_canvas.h"
#include "platform/qt_text.h"
#include "radargram/qt/radargram_page.h"
#include "radargram/qt/radargram_panel.h"
#include "section/qt/section_page.h"
#include "section/qt/section_properties_page.h"
#include "section/qt/section_view.h"
#include "thickness/qt/stretch_bands.h"
#include "thickness/qt/stretches_page.h"
#include "table/qt/string_grid_view.h"
#include "table/qt/table_page.h"
#include "table/qt/table_properties_page.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QResizeEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QUndoStack>
#include <QVBoxLayout>

#include <algorithm>
#include <clocale>
#include <exception>
#include <new>
#include <stdexcept>
#include <utility>

namespace trassel {
namespace {

// A page of parameters in a panel that may be narrow: the labels of its forms stand beside
// their fields while the page is wide enough for every row that way, and above them when it is
// not (all rows alike, so the fields stay in one column); whatever still does not fit scrolls.
// A field grows with the page only as far as its values can use.
class ParameterPage : public QScrollArea {
public:
    explicit ParameterPage(QWidget* content)
    {
        // Fields with unbounded ranges would ask for room for ten digits.
        for (QWidget* field : fields(content))
            if (field->minimumWidth() == 0)
                field->setMinimumWidth(64);
        setWidgetResizable(true);
        setFrameShape(QFrame::NoFrame);
        setWidget(content);
    }

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        arrange();
        QScrollArea::resizeEvent(event);
    }
    void changeEvent(QEvent* event) override
    {
        QScrollArea::changeEvent(event);
        if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
            arrange();
    }

private:
    // The fields of the page's forms; the editor inside a spin box, a combo box or a list is
    // part of that control.
    static QList<QWidget*> fields(QWidget* content)
    {
        const auto holdsEditors = [](const QWidget* w) {
            return qobject_cast<const QAbstractSpinBox*>(w) || qobject_cast<const QComboBox*>(w) ||
                   qobject_cast<const QAbstractItemView*>(w);
        };
        QList<QWidget*> result;
        for (QWidget* w : content->findChildren<QWidget*>()) {
            const bool field = qobject_cast<QAbstractSpinBox*>(w) || qobject_cast<QComboBox*>(w) ||
                               qobject_cast<QLineEdit*>(w);
            bool inner = false;
            for (QWidget* up = w->parentWidget(); up != nullptr && up != content; up = up->parentWidget())
                inner = inner || holdsEditors(up);
            if (field && !inner)
                result.append(w);
        }
        return result;
    }

    // The width the page needs with the rows wrapped as `policy` says. The group boxes' layouts
    // are brought up to date first, innermost first, so that each box reports its new rows.
    int widthWith(QFormLayout::RowWrapPolicy policy)
    {
        QWidget* content = widget();
        for (QFormLayout* form : content->findChildren<QFormLayout*>())
            form->setRowWrapPolicy(policy);
        QList<QWidget*> boxes = content->findChildren<QWidget*>();
        for (auto box = boxes.crbegin(); box != boxes.crend(); ++box)
            if ((*box)->layout() != nullptr)
                (*box)->layout()->activate();
        if (content->layout() != nullptr)
            content->layout()->activate();
        return content->minimumSizeHint().width();
    }

    void arrange()
    {
        QWidget* content = widget();
        if (content == nullptr || content->findChildren<QFormLayout*>().isEmpty())
            return;
        for (QWidget* field : fields(content))
            field->setMaximumWidth(std::max(field->sizeHint().width(), 24 * field->fontMetrics().averageCharWidth()));
        // Room for a vertical scroll bar is kept, so that showing one never forces a rewrap.
        const int room = width() - 2 * frameWidth() - verticalScrollBar()->sizeHint().width();
        if (widthWith(QFormLayout::DontWrapRows) > room)
            widthWith(QFormLayout::WrapAllRows);
    }
};

QWidget* scrollPage(QWidget* content) { return new ParameterPage(content); }

// Gives the right-hand panels of the splitter a width chosen from the splitter's: on a small
// screen what their controls need with the labels above the fields, on a large one no more than
// they can use, so the working pages keep the rest. It follows the window's size until the user
// moves the handle; from then on the splitter keeps what the user chose.
class PanelShare : public QObject {
public:
    explicit PanelShare(QSplitter* splitter) : QObject(splitter), splitter_(splitter)
    {
        splitter->installEventFilter(this);
        connect(splitter, &QSplitter::splitterMoved, this, [this] { splitter_->removeEventFilter(this); });
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == splitter_ && event->type() == QEvent::Resize && splitter_->count() == 2) {
            const int total = splitter_->width() - splitter_->handleWidth();
            const int em = splitter_->fontMetrics().averageCharWidth();
            const int right = std::min(std::clamp(total * 3 / 10, 75 * em, 100 * em), total * 9 / 20);
            if (right > 0)
                splitter_->setSizes({total - right, right});
        }
        return false;
    }

private:
    QSplitter* splitter_;
};

} // namespace

TFmMainForm::TFmMainForm(UiServices* services, QWidget* parent) : QMainWindow(parent)
{
    if (services == nullptr) {
        ownServices_ = std::make_unique<DialogServices>();
        services = ownServices_.get();
    }
    services_ = services;
    setObjectName(QStringLiteral("FmMainForm"));
    setFont(windowFont(8));

    buildUndo();
    handler_ = new ActionHandler(*this, Document, *services_, *undoBridge_, *UndoStack);
    acnLoadPicture = handler_->action("acnLoadPicture");
    buildProjectState();

    auto* central = new QWidget(this);
    auto* outer = new QVBoxLayout(central);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    Ribbon1 = new Ribbon(QStringLiteral("Trassel"), central);
    Ribbon1->setObjectName(QStringLiteral("Ribbon1"));
    outer->addWidget(Ribbon1);

    Splitter1 = new QSplitter(Qt::Horizontal, central);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    auto* panel1 = new QWidget(Splitter1);
    panel1->setObjectName(QStringLiteral("Panel1"));
    auto* panel1Layout = new QVBoxLayout(panel1);
    panel1Layout->setContentsMargins(0, 0, 0, 0);
    Splitter2 = new QSplitter(Qt::Vertical, panel1);
    Splitter2->setObjectName(QStringLiteral("Splitter2"));
    pnlRadarogramma = new RadargramPanel;
    Splitter2->addWidget(pnlRadarogramma);
    Splitter2->addWidget(buildWorkPages());
    Splitter2->setStretchFactor(0, 1);
    Splitter2->setStretchFactor(1, 3);
    panel1Layout->addWidget(Splitter2);
    Splitter1->addWidget(panel1);
    Splitter1->addWidget(buildRightPanel());
    Splitter1->setStretchFactor(0, 1);
    Splitter1->setStretchFactor(1, 0);
    new PanelShare(Splitter1);
    outer->addWidget(Splitter1, 1);
    setCentralWidget(central);
    handler_->setPages({tablePage, diagramPage, sectionPage, pnlRadarogramma, radargramPage});
    buildRibbon();

    // 1. Numbers are converted with "." whatever the system locale says.
    std::setlocale(LC_NUMERIC, "C");
    QLocale::setDefault(QLocale::c());
    // 2. Maximised, with hints on.
    setWindowState(windowState() | Qt::WindowMaximized);
    // 3.-5. The build date in the label and the caption.
    CompileDate = BuildDate();
    lblDateCompilation1->setText(QStringLiteral("Дата компиляции \n") + QString::fromLatin1(CompileDate.c_str()));
    setWindowTitle(QStringLiteral("Trassel_v2  ") + QString::fromLatin1(CompileDate.c_str()));
    // 6.-10. The numbering of both tables, SectionWidth 200, the diagram's series and cursor
    // and the empty layer list were made with the document.
    // 11. The working range ends at the last row.
    tableProperties->seLastRow->setValue(Document.lastDataRow());
    refreshTables();

    pnlRadarogramma->setDocument(&Document);
    connect(PageControl1, &QTabWidget::currentChanged, this, [this](int i) {
        PageControl1->setTabIcon(i, QIcon()); // its new result is seen now
        PageControl1Change(i);
    });
    // A click on the radargram puts the section image at the radargram's left position; a
    // picture dropped on the panel loads like the command.
    connect(pnlRadarogramma, &RadargramPanel::alignRequested, sectionPage->scrbxTrassel, &SectionView::setImageLeft);
    connect(pnlRadarogramma, &RadargramPanel::fileDropped, this, [this](const QString& name) {
        runGuarded([this, name] { pnlRadarogramma->loadFile(name); }, acnLoadPicture->text());
    });
    connect(PageControl2, &QTabWidget::currentChanged, this, [this](int i) { PageControl2Change(i); });
    // A failing stretch chosen in its list: the section scrolls to where it starts (the first
    // picket stands at Lleft + 60, a picket is 100 m).
    connect(stretchesPage, &StretchesPage::stretchChosen, this, [this](double offsetM) {
        const SectionParams params = Document.sectionParams();
        sectionPage->scrbxTrassel->showSectionX(offsetM / 100.0 * params.SX + params.Lleft + 60.0);
    });
    // A parameter or a layer style redraws what the document's rules say; a key typed into these
    // panels stops a long drawing that it makes stale.
    sectionPage->setParameterEditors({sectionProperties, layerPanel});
    connect(sectionPage, &SectionPage::soilLabelRequested, this,
            [this](QPoint at) { runGuarded([this, at] { imgSectionSoilLabel(at); }); });
}

TFmMainForm::~TFmMainForm()
{
    // The history holds edits of the document; it goes before the document does.
    delete undoBridge_;
    undoBridge_ = nullptr;
    delete UndoStack;
    UndoStack = nullptr;
    // The pages watch the document; they go first, then the data they showed.
    // The layer records, the cursor and the picket and borehole series go with the document.
    delete takeCentralWidget();
}

void TFmMainForm::setSecondaryWindows(QWidget* options, QWidget* list, QWidget* skv, QWidget* about)
{
    // The options window's buttons run the same actions as the ribbon.
    handler_->setSecondaryWindows(options, list, about);
    // The soil list reports through the one reporter, and its font is the section canvas's.
    if (auto* soils = qobject_cast<TFmList*>(list)) {
        soils->guard = [this](const std::function<void()>& command) { return runGuarded(command); };
        connect(soils, &TFmList::fontChosen, this,
                [this](const FontState& font) { Document.section().canvas().setFont(font); });
        soils->bindDocument(Document);
    }
    fmList_ = list;
    fmSkv_ = skv;
}

namespace {

// The mark on the tab of a page whose new result has not been looked at yet: a small dot in
// the selection colour, drawn rather than loaded so it follows the palette.
QIcon NewResultMark()
{
    QPixmap pixmap(10, 10);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QApplication::palette().color(QPalette::Highlight));
    painter.drawEllipse(QRectF(1, 1, 8, 8));
    return QIcon(pixmap);
}

} // namespace

QString OutOfMemoryText(const QString& what)
{
    if (what.isEmpty())
        return QStringLiteral("Недостаточно памяти: действие не выполнено до конца.");
    return QStringLiteral("Недостаточно памяти: команда «") + what + QStringLiteral("» не выполнена до конца.");
}

bool TFmMainForm::runGuarded(const std::function<void()>& handler, const QString& what)
{
    try {
        handler();
        return true;
    } catch (const Cancelled&) {
        // Stopped by the user, who knows it: a word in the status bar, no message box.
        statusBar()->showMessage(QStringLiteral("Отменено: ") + what, 5000);
    } catch (const std::bad_alloc&) {
        // The library's own text ("std::bad_alloc") tells the user nothing.
        services_->error(this, OutOfMemoryText(what));
    } catch (const std::length_error&) {
        services_->error(this, OutOfMemoryText(what));
    } catch (const std::exception& e) {
        services_->error(this, QString::fromUtf8(e.what()));
    } catch (...) {
        services_->error(this, QString());
    }
    return false;
}

void TFmMainForm::buildRibbon()
{
    mnuRecentProjects = new QMenu(this);
    mnuRecentProjects->setObjectName(QStringLiteral("mnuRecentProjects"));
    connect(mnuRecentProjects, &QMenu::aboutToShow, this, &TFmMainForm::fillRecentMenu);
    handler_->setRecentProjectsMenu(mnuRecentProjects);
    handler_->placeCommands(*Ribbon1,
                            {{tablePage->PopupMenuSgSourceData->objectName(), tablePage->PopupMenuSgSourceData},
                             {layerPanel->PopupMenuLV->objectName(), layerPanel->PopupMenuLV}});
    // The groups that hold widgets rather than commands.
    Ribbon1->group(QStringLiteral("Разрез"), QStringLiteral("Инструменты"))->addWidget(buildToolBar());
    lblDateCompilation1 = new QLabel;
    lblDateCompilation1->setObjectName(QStringLiteral("lblDateCompilation1"));
    lblDateCompilation1->setAlignment(Qt::AlignCenter);
    Ribbon1->group(QStringLiteral("Параметры"), QStringLiteral("Дата компиляции"))->addWidget(lblDateCompilation1);
    Ribbon1->setCurrentIndex(1);
}

QWidget* TFmMainForm::buildWorkPages()
{
    const CommandGuard guard = [this](const std::function<void()>& handler) { return runGuarded(handler); };
    PageControl1 = new QTabWidget;
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setTabPosition(QTabWidget::South);
    tablePage = new TablePage(Document, guard);
    pageDepthTable = tablePage;
    PageControl1->addTab(tablePage, QStringLiteral("Таблица глубин"));
    boreholePage = new BoreholePage(Document, guard);
    PageControl1->addTab(boreholePage, QStringLiteral("Выработки"));
    // An empty page, kept because the users' manuals show it between "Выработки" and "Диаграмма".
    auto* pageIsso = new QWidget;
    pageIsso->setObjectName(QStringLiteral("TabSheet2"));
    PageControl1->addTab(pageIsso, QStringLiteral("ИССО"));
    diagramPage = new DiagramPage(Document, guard);
    connect(diagramPage, &DiagramPage::corrected, this,
            [this](const QString& text) { statusBar()->showMessage(text); });
    pageDiagram = diagramPage;
    new StretchBands(Document, *diagramPage->chtOverviewChart);
    PageControl1->addTab(diagramPage, QStringLiteral("Диаграммы"));
    sectionPage = new SectionPage(Document);
    sectionPage->setFailureReport(
        [this](const std::exception_ptr& failure) { runGuarded([&failure] { std::rethrow_exception(failure); }); });
    pageSection = sectionPage;
    PageControl1->addTab(sectionPage, QStringLiteral("Разрез"));
    radargramPage = new RadargramPage(Document, guard);
    connect(radargramPage, &RadargramPage::corrected, this,
            [this](const QString& text) { statusBar()->showMessage(text); });
    PageControl1->addTab(radargramPage, QStringLiteral("Радарограмма"));
    stretchesPage = new StretchesPage(Document, guard);
    // A short title: the tabs fit the bar on a small screen; the tip says it whole.
    PageControl1->addTab(stretchesPage, QStringLiteral("Участки"));
    PageControl1->setTabToolTip(PageControl1->indexOf(stretchesPage), QStringLiteral("Участки ниже нормы"));

    auto* holder = new QWidget;
    holder->setObjectName(QStringLiteral("pnlPageControl"));
    auto* layout = new QVBoxLayout(holder);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(PageControl1);
    return holder;
}

QWidget* TFmMainForm::buildRightPanel()
{
    const CommandGuard guard = [this](const std::function<void()>& handler) { return runGuarded(handler); };
    auto* panel2 = new QWidget;
    panel2->setObjectName(QStringLiteral("Panel2"));
    auto* layout = new QHBoxLayout(panel2);
    layout->setContentsMargins(2, 2, 2, 2);
    layerPanel = new LayerPanel(Document, guard);
    // The parameter pages have the longer labels; the layer panel does with less.
    layout->addWidget(scrollPage(layerPanel), 2);

    auto* properties = new QWidget;
    properties->setObjectName(QStringLiteral("pnlProperties"));
    auto* right = new QVBoxLayout(properties);
    right->setContentsMargins(0, 0, 0, 0);
    auto* title = new QLabel(QStringLiteral("СВОЙСТВА"));
    title->setAlignment(Qt::AlignCenter);
    title->setStyleSheet(QStringLiteral("font-weight: bold; color: #3b4a63; padding: 3px;"));
    right->addWidget(title);
    PageControl2 = new QTabWidget;
    PageControl2->setObjectName(QStringLiteral("PageControl2"));
    tableProperties = new TablePropertiesPage(Document, guard);
    tableProperties->setAutoSizedGrids(tablePage->sgSourceData, boreholePage->sgSkv);
    pagePropTable = scrollPage(tableProperties);
    pagePropTable->setObjectName(QStringLiteral("scrbxPropertiesTable"));
    PageControl2->addTab(pagePropTable, QStringLiteral("Таблица"));
    diagramProperties = new DiagramPropertiesPage(Document);
    pagePropDiagram = scrollPage(diagramProperties);
    pagePropDiagram->setObjectName(QStringLiteral("scrbxPropertiesDiagramma"));
    PageControl2->addTab(pagePropDiagram, QStringLiteral("Диаграмма"));
    sectionProperties = new SectionPropertiesPage(Document, guard);
    pagePropSection = scrollPage(sectionProperties);
    pagePropSection->setObjectName(QStringLiteral("scrbxPropertiesTrassel"));
    PageControl2->addTab(pagePropSection, QStringLiteral("Разрез"));
    right->addWidget(PageControl2, 1);
    layout->addWidget(properties, 3);
    return panel2;
}

QToolBar* TFmMainForm::buildToolBar()
{
    ToolBar1 = new QToolBar;
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    auto button = [this](const char* name, const QString& hint, const char* icon) {
        auto* b = new QToolButton(ToolBar1);
        b->setObjectName(QLatin1String(name));
        b->setCheckable(true);
        b->setAutoRaise(true);
        b->setIcon(commandIcon(QLatin1String(icon)));
        b->setToolTip(hint);
        ToolBar1->addWidget(b);
        return b;
    };
    tbtnCursor = button("tbtnCursor", QStringLiteral("Курсор"), "cursor");
    tbtnWriteGround = button("tbtnWriteGround", QStringLiteral("Подписи"), "labels");
    tbtnPen = button("tbtnPen", QString(), "pen");
    tbtnLastik = button("tbtnLastik", QStringLiteral("Ластик"), "eraser");
    tbtnCursor->setChecked(true);
    // One group: pressing a button raises the one that was down; only the eraser may be raised
    // again, leaving none down.
    for (QToolButton* b : {tbtnCursor, tbtnWriteGround, tbtnPen, tbtnLastik}) {
        connect(b, &QToolButton::clicked, this, [this, b](bool checked) {
            if (!checked && b != tbtnLastik)
                b->setChecked(true);
            if (b->isChecked())
                for (QToolButton* other : {tbtnCursor, tbtnWriteGround, tbtnPen, tbtnLastik})
                    if (other != b)
                        other->setChecked(false);
            sectionPage->setTool(!b->isChecked()        ? SectionTool::None
                                 : b == tbtnWriteGround ? SectionTool::WriteGround
                                 : b == tbtnPen         ? SectionTool::Pen
                                 : b == tbtnLastik      ? SectionTool::Lastik
                                                        : SectionTool::Cursor);
            if (b == tbtnWriteGround)
                runGuarded([this] { handler_->tbtnWriteGroundClick(); });
        });
    }
    return ToolBar1;
}

void TFmMainForm::imgSectionSoilLabel(QPoint at)
{
    // The brush is solid white whether a soil is written or not.
    sectionPage->canvas().setBrushStyle(BrushStyle::Solid);
    sectionPage->canvas().setBrushColor(kWhite);
    auto* soils = qobject_cast<TFmList*>(fmList_.data());
    if (soils == nullptr || !soils->soilSelected()) {
        services_->information(this, QStringLiteral("Подпись грунтов"),
                               QStringLiteral("Выберете название грунта из списка"));
        return;
    }
    sectionPage->writeSoil(at, toStdString(soils->selectedSoil()));
}

void TFmMainForm::buildUndo()
{
    UndoStack = new QUndoStack;
    // An undo or a redo redraws what the edit's changes ask for; a redraw that fails there is
    // reported like any command's failure.
    undoBridge_ = new UndoBridge(Document, UndoStack, [this](const std::exception_ptr& failure) {
        runGuarded([&failure] { std::rethrow_exception(failure); });
    });
}

void TFmMainForm::refreshTables()
{
    tablePage->sgSourceData->setFixedRows(Document.depthTable().fixedRows());
    tablePage->sgSourceData->refresh();
    boreholePage->sgSkv->setFixedRows(Document.boreholeTable().fixedRows());
    boreholePage->sgSkv->refresh();
}

void TFmMainForm::showPageByCommand(QWidget* page)
{
    programPageSwitch_ = true;
    if (PageControl1->indexOf(page) >= 0)
        PageControl1->setCurrentWidget(page);
    else if (PageControl2->indexOf(page) >= 0)
        PageControl2->setCurrentWidget(page);
    programPageSwitch_ = false;
}

void TFmMainForm::report(const QString& text, QWidget* page)
{
    statusBar()->showMessage(text);
    const int index = page != nullptr ? PageControl1->indexOf(page) : -1;
    if (index >= 0 && PageControl1->currentIndex() != index)
        PageControl1->setTabIcon(index, NewResultMark());
}

QWidget* TFmMainForm::partnerPage(QWidget* page) const
{
    // The working pages and their parameter pages; "Выработки" and "ИССО" have no partner.
    const std::pair<QWidget*, QWidget*> partners[] = {{pageDepthTable, pagePropTable},
                                                      {pageDiagram, pagePropDiagram},
                                                      {pageSection, pagePropSection}};
    for (const auto& [work, properties] : partners) {
        if (page == work)
            return properties;
        if (page == properties)
            return work;
    }
    return nullptr;
}

void TFmMainForm::rememberPages()
{
    PageChoice pages = Document.pages();
    pages.left = PageControl1->currentIndex();
    pages.right = PageControl2->currentIndex();
    Document.setPages(pages);
}

void TFmMainForm::PageControl1Change(int index)
{
    rememberPages();
    if (QWidget* partner = partnerPage(PageControl1->widget(index)); partner != nullptr && !programPageSwitch_)
        showPageByCommand(partner);
}

void TFmMainForm::PageControl2Change(int index)
{
    rememberPages();
    if (QWidget* partner = partnerPage(PageControl2->widget(index)); partner != nullptr && !programPageSwitch_)
        showPageByCommand(partner);
}

void TFmMainForm::showWholeRadargram()
{
    QList<int> sizes = Splitter2->sizes();
    const int wanted = pnlRadarogramma->picture().height() + 60;
    const int total = sizes.size() == 2 ? sizes[0] + sizes[1] : 0;
    if (total > 0 && sizes[0] < wanted) {
        sizes[0] = std::min(wanted, total / 2);
        sizes[1] = total - sizes[0];
        Splitter2->setSizes(sizes);
    }
}

} // namespace trassel

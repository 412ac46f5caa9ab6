#include "app/ribbon.h"

#include <QAction>
#include <QActionEvent>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include <cmath>

// The pictures are compiled into a static library, so their registration has to be pulled in
// by hand (the macro must be used outside any namespace). QIcon draws them through the SVG
// icon engine of Qt's SVG module.
static void InitCommandIcons() { Q_INIT_RESOURCE(icons); }

namespace trassel {
namespace {

constexpr int kLargeIcon = 32;
constexpr int kSmallIcon = 16;
// Captions longer than this many characters are split over two lines under the icon.
constexpr int kOneLineCaption = 11;

QString footerImageHtml()
{
    static const QString html = []() -> QString {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        commandIcon(QStringLiteral("about")).pixmap(kSmallIcon).save(&buffer, "PNG");
        return QStringLiteral("<img src=\"data:image/png;base64,") + QString::fromLatin1(png.toBase64()) +
               QStringLiteral("\" width=\"16\" height=\"16\"/>");
    }();
    return html;
}

QFrame* makeSeparator(QWidget* parent)
{
    auto* line = new QFrame(parent);
    line->setObjectName(QStringLiteral("ribbonSeparator"));
    line->setFrameShape(QFrame::VLine);
    line->setFrameShadow(QFrame::Plain);
    line->setFixedWidth(1);
    return line;
}

const QString kRibbonStyle = QStringLiteral(
    "trassel--Ribbon { background: #f3f4f6; }"
    "QLabel#ribbonCaption { color: #404040; }"
    "QTabWidget#ribbonTabs::pane { background: #fbfbfc; border: 1px solid #d4d6da; top: -1px; }"
    "QTabBar#ribbonTabBar::tab { background: transparent; border: 1px solid transparent;"
    "  border-bottom: none; padding: 3px 14px; margin-right: 1px; color: #303030; }"
    "QTabBar#ribbonTabBar::tab:selected { background: #fbfbfc; border-color: #d4d6da; color: #1f5fa8; }"
    "QTabBar#ribbonTabBar::tab:hover:!selected { background: #e6eef8; }"
    "QFrame#ribbonSeparator { color: #d4d6da; background: #d4d6da; }"
    "QLabel#ribbonGroupTitle { color: #6a6a6a; }"
    "QToolButton#ribbonButton, QToolButton#quickAccessButton { border: 1px solid transparent;"
    "  border-radius: 2px; background: transparent; padding: 1px; }"
    "QToolButton#ribbonButton:hover, QToolButton#quickAccessButton:hover { background: #dcebfb;"
    "  border-color: #a4c6ec; }"
    "QToolButton#ribbonButton:pressed, QToolButton#quickAccessButton:pressed,"
    "QToolButton#ribbonButton:checked { background: #bcd7f5; border-color: #7fa9da; }"
    "QToolButton#ribbonButton:disabled { color: #a0a0a0; }");

} // namespace

// A build without an SVG renderer carries each picture as PNG files "<name>-<size>.png".
constexpr int kPngIconSizes[] = {16, 24, 32, 48, 64};

QIcon commandIcon(const QString& name)
{
    InitCommandIcons();
    const QString svg = QStringLiteral(":/icons/") + name + QStringLiteral(".svg");
    if (QFile::exists(svg))
        return QIcon(svg);
    QIcon icon;
    for (const int size : kPngIconSizes)
        icon.addFile(QStringLiteral(":/icons/%1-%2.png").arg(name).arg(size), QSize(size, size));
    return icon;
}

QStringList commandIconNames()
{
    InitCommandIcons();
    QStringList names;
    const QDir icons(QStringLiteral(":/icons"));
    for (const QString& file : icons.entryList({QStringLiteral("*.svg")}, QDir::Files, QDir::Name))
        names.append(file.chopped(4));
    for (const QString& file : icons.entryList({QStringLiteral("*-32.png")}, QDir::Files, QDir::Name))
        names.append(file.chopped(7));
    return names;
}

QIcon letterIcon(const QString& caption)
{
    QString letter;
    for (const QChar ch : caption) {
        if (ch.isLetterOrNumber()) {
            letter = ch.toUpper();
            break;
        }
    }
    QIcon icon;
    for (const int size : {kSmallIcon, kLargeIcon}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x5B, 0x7F, 0xB0));
        p.drawRoundedRect(QRectF(1, 1, size - 2, size - 2), size / 6.0, size / 6.0);
        QFont f = p.font();
        f.setPixelSize(size * 5 / 8);
        f.setBold(true);
        p.setFont(f);
        p.setPen(Qt::white);
        p.drawText(QRect(0, 0, size, size), Qt::AlignCenter, letter);
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

// --- RibbonButton -------------------------------------------------------------------------

RibbonButton::RibbonButton(QAction* action, QWidget* parent) : QToolButton(parent)
{
    setObjectName(QStringLiteral("ribbonButton"));
    setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    setIconSize(QSize(kLargeIcon, kLargeIcon));
    setAutoRaise(true);
    setMinimumWidth(48);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    if (action->icon().isNull())
        action->setIcon(letterIcon(action->text()));
    setDefaultAction(action);
    syncCaption();
}

QString RibbonButton::wrapCaption(const QString& caption)
{
    if (caption.size() <= kOneLineCaption || caption.contains(QLatin1Char('\n')))
        return caption;
    const int middle = static_cast<int>(caption.size() / 2);
    int best = -1;
    for (int i = 0; i < caption.size(); ++i) {
        if (caption.at(i) == QLatin1Char(' ') && (best < 0 || std::abs(i - middle) < std::abs(best - middle)))
            best = i;
    }
    if (best < 0)
        return caption;
    QString wrapped = caption;
    wrapped[best] = QLatin1Char('\n');
    return wrapped;
}

void RibbonButton::actionEvent(QActionEvent* event)
{
    QToolButton::actionEvent(event);
    if (event->type() == QEvent::ActionChanged && event->action() == defaultAction())
        syncCaption();
}

void RibbonButton::syncCaption()
{
    // The caption is taken from the action's text, not its icon text, so that an access key
    // marked with '&' stays an access key of the button.
    if (QAction* action = defaultAction())
        setText(wrapCaption(action->text()));
}

// --- RibbonGroup --------------------------------------------------------------------------

RibbonGroup::RibbonGroup(const QString& title, QWidget* parent) : QWidget(parent), title_(title)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(3, 2, 3, 1);
    column->setSpacing(1);
    row_ = new QHBoxLayout;
    row_->setSpacing(2);
    row_->setContentsMargins(0, 0, 0, 0);
    column->addLayout(row_, 1);
    auto* caption = new QLabel(title, this);
    caption->setObjectName(QStringLiteral("ribbonGroupTitle"));
    caption->setTextFormat(Qt::PlainText);
    caption->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
    column->addWidget(caption);
}

QToolButton* RibbonGroup::addAction(QAction* action)
{
    auto* button = new RibbonButton(action, this);
    row_->addWidget(button);
    buttons_.append({QPointer<QAction>(action), button});
    return button;
}

void RibbonGroup::addWidget(QWidget* widget)
{
    widget->setParent(this);
    row_->addWidget(widget, 0, Qt::AlignVCenter);
}

QList<QAction*> RibbonGroup::buttonActions() const
{
    QList<QAction*> result;
    for (const auto& [action, button] : buttons_) {
        if (action)
            result.append(action.data());
    }
    return result;
}

QToolButton* RibbonGroup::buttonFor(const QAction* action) const
{
    for (const auto& [a, button] : buttons_) {
        if (a == action)
            return button;
    }
    return nullptr;
}

// --- RibbonTab ----------------------------------------------------------------------------

RibbonTab::RibbonTab(const QString& title, QWidget* parent) : QWidget(parent), title_(title)
{
    row_ = new QHBoxLayout(this);
    row_->setContentsMargins(4, 3, 4, 2);
    row_->setSpacing(3);
    row_->addStretch(1);
}

RibbonGroup* RibbonTab::addGroup(const QString& title)
{
    auto* group = new RibbonGroup(title, this);
    // Groups go before the closing stretch, each followed by its separator line.
    const int at = row_->count() - 1;
    row_->insertWidget(at, group);
    row_->insertWidget(at + 1, makeSeparator(this));
    groups_.append(group);
    return group;
}

RibbonGroup* RibbonTab::group(const QString& title) const
{
    for (RibbonGroup* g : groups_) {
        if (g->title() == title)
            return g;
    }
    return nullptr;
}

// --- Ribbon -------------------------------------------------------------------------------

Ribbon::Ribbon(const QString& caption, QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(kRibbonStyle);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(2, 1, 2, 2);
    column->setSpacing(0);

    // The title line: quick-access bar on the left, the caption centred over the ribbon.
    auto* titleLine = new QHBoxLayout;
    titleLine->setContentsMargins(2, 0, 2, 1);
    quickBar_ = new QHBoxLayout;
    quickBar_->setSpacing(1);
    titleLine->addLayout(quickBar_);
    titleLine->addStretch(1);
    caption_ = new QLabel(caption, this);
    caption_->setObjectName(QStringLiteral("ribbonCaption"));
    caption_->setTextFormat(Qt::PlainText);
    titleLine->addWidget(caption_);
    titleLine->addStretch(1);
    column->addLayout(titleLine);

    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("ribbonTabs"));
    tabs_->tabBar()->setObjectName(QStringLiteral("ribbonTabBar"));
    tabs_->setUsesScrollButtons(true);
    column->addWidget(tabs_);
    connect(tabs_, &QTabWidget::currentChanged, this, &Ribbon::currentChanged);
}

Ribbon::~Ribbon()
{
    // Actions may be children of the ribbon and die after its members: they must not reach
    // the tip table on their way out.
    for (auto it = tips_.cbegin(); it != tips_.cend(); ++it)
        disconnect(it.key(), &QObject::destroyed, this, nullptr);
}

QString Ribbon::caption() const { return caption_->text(); }

QToolButton* Ribbon::addQuickAccess(QAction* action)
{
    if (action->icon().isNull())
        action->setIcon(letterIcon(action->text()));
    auto* button = new QToolButton(this);
    button->setObjectName(QStringLiteral("quickAccessButton"));
    button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    button->setIconSize(QSize(kSmallIcon, kSmallIcon));
    button->setAutoRaise(true);
    button->setDefaultAction(action);
    quickBar_->addWidget(button);
    quick_.append({QPointer<QAction>(action), button});
    return button;
}

QList<QAction*> Ribbon::quickAccessActions() const
{
    QList<QAction*> result;
    for (const auto& [action, button] : quick_) {
        if (action)
            result.append(action.data());
    }
    return result;
}

QToolButton* Ribbon::quickAccessButtonFor(const QAction* action) const
{
    for (const auto& [a, button] : quick_) {
        if (a == action)
            return button;
    }
    return nullptr;
}

RibbonTab* Ribbon::addTab(const QString& title)
{
    auto* page = new RibbonTab(title, tabs_);
    tabs_->addTab(page, title);
    tabList_.append(page);
    return page;
}

int Ribbon::currentIndex() const { return tabs_->currentIndex(); }

void Ribbon::setCurrentIndex(int index) { tabs_->setCurrentIndex(index); }

RibbonTab* Ribbon::currentTab() const { return qobject_cast<RibbonTab*>(tabs_->currentWidget()); }

QStringList Ribbon::tabTitles() const
{
    QStringList titles;
    for (const RibbonTab* t : tabList_)
        titles.append(t->title());
    return titles;
}

RibbonTab* Ribbon::tab(const QString& title) const
{
    for (RibbonTab* t : tabList_) {
        if (t->title() == title)
            return t;
    }
    return nullptr;
}

QStringList Ribbon::groupTitles(const QString& tabTitle) const
{
    QStringList titles;
    if (const RibbonTab* t = tab(tabTitle)) {
        for (const RibbonGroup* g : t->groups())
            titles.append(g->title());
    }
    return titles;
}

RibbonGroup* Ribbon::group(const QString& tabTitle, const QString& groupTitle) const
{
    const RibbonTab* t = tab(tabTitle);
    return t ? t->group(groupTitle) : nullptr;
}

QList<QAction*> Ribbon::actionsOf(const QString& tabTitle, const QString& groupTitle) const
{
    const RibbonGroup* g = group(tabTitle, groupTitle);
    return g ? g->buttonActions() : QList<QAction*>();
}

void Ribbon::setScreenTip(QAction* action, const QString& header, const QString& description, bool footer)
{
    const ScreenTip tip{header, description, footer};
    if (!tips_.contains(action))
        connect(action, &QObject::destroyed, this, [this, action] { tips_.remove(action); });
    tips_.insert(action, tip);
    // The buttons take the action's tooltip, so every place the command appears shows the tip.
    action->setToolTip(screenTipHtml(tip));
}

bool Ribbon::hasScreenTip(const QAction* action) const { return tips_.contains(action); }

ScreenTip Ribbon::screenTip(const QAction* action) const { return tips_.value(action); }

QString Ribbon::screenTipHtml(const ScreenTip& tip)
{
    // pre-wrap keeps runs of blanks as typed while still wrapping long descriptions.
    QString html = QStringLiteral("<qt><div style=\"white-space:pre-wrap\"><b>") + tip.header.toHtmlEscaped() +
                   QStringLiteral("</b></div>");
    if (!tip.description.isEmpty()) {
        html += QStringLiteral("<table width=\"260\" cellspacing=\"0\" cellpadding=\"0\"><tr>"
                               "<td style=\"white-space:pre-wrap; padding-left:8px\">") +
                tip.description.toHtmlEscaped() + QStringLiteral("</td></tr></table>");
    }
    if (tip.footer)
        html += QStringLiteral("<hr/>") + footerImageHtml();
    html += QStringLiteral("</qt>");
    return html;
}

} // namespace trassel

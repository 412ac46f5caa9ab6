#include "app/ribbon.h"

#include <QAction>
#include <QActionEvent>
#include <QBuffer>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include <cmath>
#include <numbers>

namespace trassel {
namespace {

constexpr int kLargeIcon = 32;
constexpr int kSmallIcon = 16;
// Captions longer than this many characters are split over two lines under the icon.
constexpr int kOneLineCaption = 11;

const QColor kInk(0x30, 0x30, 0x30);
const QColor kPaper(0xFF, 0xFF, 0xFF);
const QColor kGreen(0x2E, 0x9E, 0x3E);
const QColor kBlue(0x1F, 0x6F, 0xC8);
const QColor kOrange(0xE8, 0x8A, 0x1A);
const QColor kSand(0xE9, 0xC8, 0x7A);
const QColor kLoam(0xA8, 0x6B, 0x3C);
const QColor kGravel(0x8C, 0x8C, 0x8C);

QPen inkPen(qreal width = 1.5, const QColor& colour = kInk)
{
    return QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// A small sheet with a 3 x 3 cell grid, the picture of a table.
void drawTable(QPainter& p, const QRectF& r)
{
    p.setPen(inkPen(1.2));
    p.setBrush(kPaper);
    p.drawRect(r);
    p.fillRect(QRectF(r.left(), r.top(), r.width(), r.height() / 4), QColor(0xC9, 0xDD, 0xF2));
    p.drawRect(r);
    for (int i = 1; i < 4; ++i) {
        const qreal y = r.top() + r.height() * i / 4;
        p.drawLine(QPointF(r.left(), y), QPointF(r.right(), y));
    }
    for (int i = 1; i < 3; ++i) {
        const qreal x = r.left() + r.width() * i / 3;
        p.drawLine(QPointF(x, r.top()), QPointF(x, r.bottom()));
    }
}

void drawArrow(QPainter& p, QPointF from, QPointF to, const QColor& colour)
{
    p.setPen(inkPen(3, colour));
    p.drawLine(from, to);
    const qreal angle = std::atan2(to.y() - from.y(), to.x() - from.x());
    const qreal len = 6;
    QPolygonF head;
    head << to << to - QPointF(len * std::cos(angle - 0.6), len * std::sin(angle - 0.6))
         << to - QPointF(len * std::cos(angle + 0.6), len * std::sin(angle + 0.6));
    p.setPen(inkPen(1, colour));
    p.setBrush(colour);
    p.drawPolygon(head);
}

void drawPicture(QPainter& p, const QRectF& r)
{
    p.setPen(inkPen(1.2));
    p.setBrush(QColor(0xD8, 0xEC, 0xFB));
    p.drawRect(r);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xF5, 0xC5, 0x18));
    p.drawEllipse(QPointF(r.right() - r.width() * 0.25, r.top() + r.height() * 0.3), r.width() * 0.1,
                  r.width() * 0.1);
    QPolygonF hills;
    hills << QPointF(r.left(), r.bottom()) << QPointF(r.left() + r.width() * 0.35, r.top() + r.height() * 0.4)
          << QPointF(r.left() + r.width() * 0.6, r.top() + r.height() * 0.75)
          << QPointF(r.left() + r.width() * 0.75, r.top() + r.height() * 0.6) << QPointF(r.right(), r.bottom());
    p.setBrush(kGreen);
    p.drawPolygon(hills);
    p.setPen(inkPen(1.2));
    p.setBrush(Qt::NoBrush);
    p.drawRect(r);
}

void drawAxes(QPainter& p)
{
    p.setPen(inkPen(1.5));
    p.drawLine(QPointF(5, 4), QPointF(5, 27));
    p.drawLine(QPointF(5, 27), QPointF(29, 27));
}

// Bands of the track bed, the picture of a section.
void drawBands(QPainter& p, bool filled)
{
    const QColor colours[] = {kGravel, kSand, kLoam};
    const qreal tops[][4] = {{6, 8, 7, 9}, {12, 15, 13, 16}, {19, 21, 22, 20}};
    for (int i = 0; i < 3; ++i) {
        QPainterPath path;
        path.moveTo(3, tops[i][0]);
        path.cubicTo(11, tops[i][1], 19, tops[i][2], 29, tops[i][3]);
        if (filled) {
            QPainterPath band = path;
            band.lineTo(29, 28);
            band.lineTo(3, 28);
            band.closeSubpath();
            p.setPen(Qt::NoPen);
            p.setBrush(colours[i]);
            p.drawPath(band);
        }
        p.setPen(inkPen(filled ? 1.2 : 2, filled ? kInk : colours[i].darker(130)));
        p.setBrush(Qt::NoBrush);
        p.drawPath(path);
    }
}

void drawBoreholeStem(QPainter& p, qreal x, qreal top, qreal bottom)
{
    p.setPen(inkPen(2.5, Qt::black));
    p.drawLine(QPointF(x, top), QPointF(x, bottom));
    p.setPen(inkPen(2, Qt::black));
    p.drawLine(QPointF(x - 4, bottom), QPointF(x + 4, bottom));
}

void drawGear(QPainter& p)
{
    const QPointF c(16, 16);
    QPainterPath gear;
    const int teeth = 8;
    for (int i = 0; i < teeth * 2; ++i) {
        const qreal a = std::numbers::pi * i / teeth;
        const qreal r = (i % 2 == 0) ? 13 : 10;
        const QPointF pt(c.x() + r * std::cos(a), c.y() + r * std::sin(a));
        if (i == 0)
            gear.moveTo(pt);
        else
            gear.lineTo(pt);
    }
    gear.closeSubpath();
    gear.addEllipse(c, 4.5, 4.5);
    gear.setFillRule(Qt::OddEvenFill);
    p.setPen(inkPen(1.2));
    p.setBrush(QColor(0x9A, 0xA8, 0xB8));
    p.drawPath(gear);
}

void drawFloppy(QPainter& p)
{
    p.setPen(inkPen(1.2));
    p.setBrush(kBlue);
    QPolygonF body;
    body << QPointF(4, 4) << QPointF(24, 4) << QPointF(28, 8) << QPointF(28, 28) << QPointF(4, 28);
    p.drawPolygon(body);
    p.setBrush(kPaper);
    p.drawRect(QRectF(9, 4, 13, 8));
    p.drawRect(QRectF(8, 17, 16, 11));
    p.setPen(inkPen(1, kGravel));
    p.drawLine(QPointF(11, 21), QPointF(21, 21));
    p.drawLine(QPointF(11, 24), QPointF(21, 24));
}

void drawFolder(QPainter& p)
{
    p.setPen(inkPen(1.2));
    p.setBrush(QColor(0xF0, 0xC0, 0x50));
    QPolygonF back;
    back << QPointF(3, 8) << QPointF(12, 8) << QPointF(15, 11) << QPointF(27, 11) << QPointF(27, 26)
         << QPointF(3, 26);
    p.drawPolygon(back);
    p.setBrush(QColor(0xF8, 0xD8, 0x78));
    QPolygonF front;
    front << QPointF(3, 26) << QPointF(8, 15) << QPointF(31, 15) << QPointF(27, 26);
    p.drawPolygon(front);
}

void drawPrinter(QPainter& p)
{
    p.setPen(inkPen(1.2));
    p.setBrush(kPaper);
    p.drawRect(QRectF(9, 3, 14, 10));
    p.setBrush(QColor(0x8A, 0x96, 0xA3));
    p.drawRoundedRect(QRectF(3, 12, 26, 11), 2, 2);
    p.setBrush(kPaper);
    p.drawRect(QRectF(9, 19, 14, 10));
    p.setPen(inkPen(1, kGravel));
    p.drawLine(QPointF(11, 23), QPointF(21, 23));
    p.drawLine(QPointF(11, 26), QPointF(19, 26));
    p.setPen(Qt::NoPen);
    p.setBrush(kGreen);
    p.drawEllipse(QPointF(25, 15.5), 1.4, 1.4);
}

void paintGlyph(QPainter& p, RibbonGlyph glyph)
{
    switch (glyph) {
    case RibbonGlyph::ImportTable:
        drawTable(p, QRectF(11, 5, 18, 22));
        drawArrow(p, QPointF(2, 16), QPointF(15, 16), kGreen);
        break;
    case RibbonGlyph::ExportTable:
        drawTable(p, QRectF(3, 5, 18, 22));
        drawArrow(p, QPointF(16, 16), QPointF(30, 16), kBlue);
        break;
    case RibbonGlyph::RecalcPickets: {
        p.setPen(inkPen(1.2));
        p.setBrush(QColor(0xF6, 0xE0, 0x8C));
        p.drawRect(QRectF(2, 17, 28, 9));
        for (int i = 0; i <= 6; ++i) {
            const qreal x = 4 + i * 4;
            p.drawLine(QPointF(x, 17), QPointF(x, i % 2 == 0 ? 23 : 20));
        }
        QPainterPath turn;
        turn.arcMoveTo(QRectF(7, 2, 18, 14), 200);
        turn.arcTo(QRectF(7, 2, 18, 14), 200, -220);
        p.setPen(inkPen(2.2, kBlue));
        p.setBrush(Qt::NoBrush);
        p.drawPath(turn);
        drawArrow(p, turn.currentPosition() + QPointF(-1, -2), turn.currentPosition() + QPointF(1, 2), kBlue);
        break;
    }
    case RibbonGlyph::OpenPicture:
        drawPicture(p, QRectF(3, 6, 26, 20));
        break;
    case RibbonGlyph::BuildChart: {
        drawAxes(p);
        p.setPen(inkPen(2, kBlue));
        QPolygonF line;
        line << QPointF(7, 12) << QPointF(12, 16) << QPointF(17, 11) << QPointF(22, 18) << QPointF(28, 13);
        p.drawPolyline(line);
        p.setPen(inkPen(2, kOrange));
        QPolygonF second;
        second << QPointF(7, 20) << QPointF(12, 23) << QPointF(17, 19) << QPointF(22, 24) << QPointF(28, 21);
        p.drawPolyline(second);
        break;
    }
    case RibbonGlyph::PrintChart:
        drawPrinter(p);
        break;
    case RibbonGlyph::BuildBoreholes:
        drawAxes(p);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::red);
        for (const QPointF& pt : {QPointF(10, 14), QPointF(17, 20), QPointF(24, 11)})
            p.drawEllipse(pt, 2.5, 2.5);
        break;
    case RibbonGlyph::PlotSectionLines:
        drawBands(p, false);
        break;
    case RibbonGlyph::PlotSectionPolygons:
        drawBands(p, true);
        break;
    case RibbonGlyph::ExportImage:
        drawPicture(p, QRectF(2, 4, 22, 18));
        drawArrow(p, QPointF(14, 26), QPointF(30, 26), kBlue);
        break;
    case RibbonGlyph::PlotBoreholes:
        drawBands(p, true);
        drawBoreholeStem(p, 16, 3, 24);
        break;
    case RibbonGlyph::ShowOptions:
        drawGear(p);
        break;
    case RibbonGlyph::SaveOptions:
        drawFloppy(p);
        break;
    case RibbonGlyph::LoadOptions:
        drawFolder(p);
        break;
    case RibbonGlyph::About: {
        p.setPen(inkPen(1.2, kBlue.darker(130)));
        p.setBrush(kBlue);
        p.drawEllipse(QPointF(16, 16), 13, 13);
        p.setPen(Qt::NoPen);
        p.setBrush(kPaper);
        p.drawEllipse(QPointF(16, 9.5), 2.2, 2.2);
        p.drawRoundedRect(QRectF(14, 13.5, 4, 11), 1.5, 1.5);
        break;
    }
    case RibbonGlyph::Cursor: {
        QPolygonF arrow;
        arrow << QPointF(8, 3) << QPointF(8, 25) << QPointF(13, 20) << QPointF(17, 28) << QPointF(21, 26)
              << QPointF(17, 18) << QPointF(24, 18);
        p.setPen(inkPen(1.4, Qt::black));
        p.setBrush(kPaper);
        p.drawPolygon(arrow);
        break;
    }
    case RibbonGlyph::Labels: {
        QFont f = p.font();
        f.setPixelSize(18);
        f.setBold(true);
        p.setFont(f);
        p.setPen(kInk);
        p.drawText(QRectF(0, 2, 32, 22), Qt::AlignCenter, QStringLiteral("Аб"));
        p.setPen(inkPen(2, kLoam));
        p.drawLine(QPointF(4, 27), QPointF(28, 27));
        break;
    }
    case RibbonGlyph::Pen: {
        p.save();
        p.translate(16, 16);
        p.rotate(45);
        p.setPen(inkPen(1.2));
        p.setBrush(kOrange);
        p.drawRect(QRectF(-3.5, -13, 7, 18));
        p.setBrush(QColor(0xF3, 0xD9, 0xA4));
        QPolygonF tip;
        tip << QPointF(-3.5, 5) << QPointF(3.5, 5) << QPointF(0, 12);
        p.drawPolygon(tip);
        p.restore();
        break;
    }
    case RibbonGlyph::Eraser: {
        p.save();
        p.translate(16, 17);
        p.rotate(-35);
        p.setPen(inkPen(1.2));
        p.setBrush(QColor(0xF2, 0x9C, 0xB0));
        p.drawRoundedRect(QRectF(-11, -6, 14, 12), 2, 2);
        p.setBrush(kPaper);
        p.drawRoundedRect(QRectF(3, -6, 9, 12), 2, 2);
        p.restore();
        break;
    }
    }
}

QPixmap renderGlyph(RibbonGlyph glyph, int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
    paintGlyph(p, glyph);
    return pixmap;
}

QString footerImageHtml()
{
    static const QString html = []() -> QString {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        renderGlyph(RibbonGlyph::About, kSmallIcon).save(&buffer, "PNG");
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

QIcon ribbonIcon(RibbonGlyph glyph)
{
    QIcon icon;
    icon.addPixmap(renderGlyph(glyph, kSmallIcon));
    icon.addPixmap(renderGlyph(glyph, kLargeIcon));
    return icon;
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

QString Ribbon::caption() const
{
    return caption_->text();
}

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

int Ribbon::currentIndex() const
{
    return tabs_->currentIndex();
}

void Ribbon::setCurrentIndex(int index)
{
    tabs_->setCurrentIndex(index);
}

RibbonTab* Ribbon::currentTab() const
{
    return qobject_cast<RibbonTab*>(tabs_->currentWidget());
}

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

bool Ribbon::hasScreenTip(const QAction* action) const
{
    return tips_.contains(action);
}

ScreenTip Ribbon::screenTip(const QAction* action) const
{
    return tips_.value(action);
}

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

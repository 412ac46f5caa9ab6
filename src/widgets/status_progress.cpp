#include "widgets/status_progress.h"

#include "base/error.h"

#include <algorithm>

#include <QAbstractSpinBox>
#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMainWindow>
#include <QProgressBar>
#include <QStatusBar>
#include <QWidget>
#include <QWindow>

namespace trassel {
namespace {

StatusProgress* g_active = nullptr;

// Often enough for the window to feel alive, rarely enough to cost nothing.
constexpr qint64 kPumpEveryMs = 40;
// A command quicker than this ends before its bar would be read: it shows only the cursor.
constexpr qint64 kShowAfterMs = 250;

bool IsEscape(const QEvent* event) { return static_cast<const QKeyEvent*>(event)->key() == Qt::Key_Escape; }

// The control that takes the keys: a spin box's line edit stands for the spin box.
QWidget* FocusedControl()
{
    QWidget* focus = QApplication::focusWidget();
    for (QWidget* w = focus; w != nullptr; w = w->parentWidget())
        if (qobject_cast<QAbstractSpinBox*>(w) != nullptr)
            return w;
    return focus;
}

} // namespace

StatusProgress::StatusProgress(QWidget* widget, const QString& caption) : outer_(g_active), caption_(caption)
{
    sinceStart_.start();
    if (outer_ != nullptr) {
        if (outer_->label_ != nullptr)
            outer_->label_->setText(outer_->cancellable_ ? caption_ + QStringLiteral("  (Esc — отмена)") : caption_);
        return;
    }
    g_active = this;
    if (widget != nullptr)
        if (auto* window = qobject_cast<QMainWindow*>(widget->window()))
            bar_ = window->findChild<QStatusBar*>(QString(), Qt::FindDirectChildrenOnly);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    qApp->installEventFilter(this);
}

StatusProgress::~StatusProgress()
{
    if (outer_ != nullptr) {
        if (outer_->label_ != nullptr)
            outer_->label_->setText(outer_->labelText());
        return;
    }
    qApp->removeEventFilter(this);
    QApplication::restoreOverrideCursor();
    // The keys typed meanwhile go where the user typed them, in order, after the command.
    if (QWidget* focus = QApplication::focusWidget())
        for (std::unique_ptr<QKeyEvent>& key : typed_)
            QCoreApplication::postEvent(focus, key.release());
    if (bar_ != nullptr) {
        delete label_;
        delete meter_;
    }
    g_active = nullptr;
}

Progress StatusProgress::report()
{
    return [this](long long done, long long total) { tell(done, total); };
}

void StatusProgress::tell(long long done, long long total)
{
    if (outer_ != nullptr) {
        outer_->tell(done, total);
        return;
    }
    if (total > 0)
        value_ = static_cast<int>(std::clamp(done, 0LL, total) * 1000 / total);
    if (!pumped_ || sincePump_.elapsed() >= kPumpEveryMs)
        pump();
    if (cancelled_ && cancellable_)
        throw Cancelled();
}

void StatusProgress::setTypingStops(const QList<QPointer<QWidget>>& editors)
{
    if (outer_ != nullptr)
        return; // the outer command decides what stops it
    typingStops_ = editors;
}

bool StatusProgress::typingStops() const
{
    QWidget* spin = FocusedControl();
    if (qobject_cast<QAbstractSpinBox*>(spin) == nullptr)
        return false;
    for (const QPointer<QWidget>& editor : typingStops_)
        if (editor != nullptr && (editor == spin || editor->isAncestorOf(spin)))
            return true;
    return false;
}

void StatusProgress::setCancellable(bool cancellable)
{
    if (outer_ != nullptr) {
        outer_->setCancellable(cancellable);
        return;
    }
    cancellable_ = cancellable;
    cancelled_ = false;
    if (label_ != nullptr)
        label_->setText(labelText());
}

QString StatusProgress::labelText() const
{
    return cancellable_ ? caption_ + QStringLiteral("  (Esc — отмена)") : caption_;
}

void StatusProgress::pump()
{
    pumped_ = true;
    if (meter_ == nullptr && sinceStart_.elapsed() >= kShowAfterMs)
        show();
    if (meter_ != nullptr)
        meter_->setValue(value_);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    sincePump_.restart();
}

void StatusProgress::show()
{
    if (bar_ == nullptr)
        return;
    bar_->clearMessage(); // a message would hide the bar
    label_ = new QLabel(labelText());
    label_->setObjectName(QStringLiteral("lblProgress"));
    meter_ = new QProgressBar;
    meter_->setObjectName(QStringLiteral("pbProgress"));
    meter_->setRange(0, 1000);
    meter_->setTextVisible(false);
    meter_->setMaximumWidth(220);
    meter_->setMaximumHeight(16);
    bar_->addWidget(label_);
    bar_->addWidget(meter_, 1);
    label_->show();
    meter_->show();
}

bool StatusProgress::eventFilter(QObject* watched, QEvent* event)
{
    // A message the command itself shows (a modal dialog opened since it began) is answered
    // as usual: its keys, clicks and closing are its own.
    if (QWidget* modal = QApplication::activeModalWidget()) {
        const auto* widget = qobject_cast<const QWidget*>(watched);
        const auto* window = qobject_cast<const QWindow*>(watched);
        if ((widget != nullptr && (widget == modal || modal->isAncestorOf(widget))) ||
            (window != nullptr && window == modal->windowHandle()))
            return QObject::eventFilter(watched, event);
    }
    switch (event->type()) {
    case QEvent::ShortcutOverride:
        // Taken here, Esc reaches no shortcut of the window: it only stops the command.
        if (IsEscape(event) && cancellable_)
            cancelled_ = true;
        event->accept();
        return true;
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        const auto* key = static_cast<const QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape) {
            if (event->type() == QEvent::KeyPress && cancellable_)
                cancelled_ = true;
            return true;
        }
        if (cancellable_ && event->type() == QEvent::KeyPress && typingStops())
            cancelled_ = true;
        typed_.push_back(std::make_unique<QKeyEvent>(event->type(), key->key(), key->modifiers(), key->text(),
                                                     key->isAutoRepeat(), key->count()));
        return true;
    }
    case QEvent::Close:
        // The window closes (and asks about unsaved work) after the command, not in its middle.
        event->ignore();
        return true;
    // Mouse releases pass: a button or a spin arrow pressed before the command must see its release.
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::InputMethod: return true;
    default: return QObject::eventFilter(watched, event);
    }
}

} // namespace trassel

#pragma once
// What the user sees while a long command runs: its caption and a bar in the main window's
// status bar, the busy cursor, and Esc to stop it. While it lives the window keeps repainting
// but takes no other input, so no second command can start on a half-done first: a click is
// swallowed, a close waits for the command's end, and keys other than Esc are kept and handed
// to the focused control once the command is over, as typing ahead into a busy window is.
#include "base/progress.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>
#include <vector>

class QKeyEvent;
class QLabel;
class QProgressBar;
class QStatusBar;
class QWidget;

namespace trassel {

class StatusProgress : public QObject {
public:
    // `widget` is any widget of the window whose status bar shows the progress; a window
    // without one still repaints and still stops on Esc.
    StatusProgress(QWidget* widget, const QString& caption);
    ~StatusProgress() override;
    StatusProgress(const StatusProgress&) = delete;
    StatusProgress& operator=(const StatusProgress&) = delete;

    // The report for the core's long commands: it moves the bar, lets the window repaint
    // now and then, and throws Cancelled once Esc has been pressed.
    Progress report();

    // The same by hand, for a loop of the Qt layer: how far it has come in thousandths.
    void tell(long long done, long long total);
    bool cancelled() const { return outer_ != nullptr ? outer_->cancelled() : cancelled_ && cancellable_; }
    // Past the point where stopping would leave work half done, Esc no longer stops.
    void setCancellable(bool cancellable);
    // For a redraw that parameters ask for: a key typed into a spin box inside one of
    // `editors` stops it too, since that key changes a parameter and asks for the next redraw.
    void setTypingStops(const QList<QPointer<QWidget>>& editors);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void pump();
    void show();
    QString labelText() const;
    bool typingStops() const;

    StatusProgress* outer_ = nullptr; // a command inside another shows through the outer one
    QPointer<QStatusBar> bar_;
    QString caption_;
    QLabel* label_ = nullptr;
    QProgressBar* meter_ = nullptr;
    QElapsedTimer sinceStart_;
    QElapsedTimer sincePump_;
    int value_ = 0;
    bool pumped_ = false;
    bool cancellable_ = true;
    bool cancelled_ = false;
    QList<QPointer<QWidget>> typingStops_;
    std::vector<std::unique_ptr<QKeyEvent>> typed_; // keys to hand on at the end
};

} // namespace trassel

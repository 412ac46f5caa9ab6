#pragma once
// The command ribbon across the top of the main window: a caption, a quick-access bar of
// icon-only buttons, and tabs of titled groups holding large buttons and other widgets.
#include <QHash>
#include <QIcon>
#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QToolButton>
#include <QWidget>

class QAction;
class QActionEvent;
class QHBoxLayout;
class QLabel;
class QTabWidget;

namespace trassel {

// A command picture from the program's resources (":/icons/<name>.svg"), drawn at whatever
// size a button asks for.
QIcon commandIcon(const QString& name);
// The names of the command pictures the resources hold.
QStringList commandIconNames();
// A stand-in picture for a command that was given none: the first letter of its caption on
// a coloured tile, so that no ribbon button is ever blank.
QIcon letterIcon(const QString& caption);

// The enlarged tooltip of a command: a bold header above a description, optionally closed
// by the ribbon's footer picture.
struct ScreenTip {
    QString header;
    QString description;
    bool footer = true;
};

// A large ribbon button: icon above a caption of at most two lines. It mirrors its action
// (caption, icon, enabled state, tooltip) whenever the action changes.
class RibbonButton : public QToolButton {
    Q_OBJECT
public:
    explicit RibbonButton(QAction* action, QWidget* parent = nullptr);
    // The caption split into two lines at the blank nearest its middle when it is long.
    static QString wrapCaption(const QString& caption);

protected:
    void actionEvent(QActionEvent* event) override;

private:
    void syncCaption();
};

// One titled group of a tab: its controls side by side, its title underneath.
class RibbonGroup : public QWidget {
    Q_OBJECT
public:
    explicit RibbonGroup(const QString& title, QWidget* parent = nullptr);

    QString title() const { return title_; }
    // Adds a large button for the action (the action keeps its owner) and returns it.
    QToolButton* addAction(QAction* action);
    // Adds any widget (a label, a tool bar) in the group's row of controls.
    void addWidget(QWidget* widget);

    QList<QAction*> buttonActions() const;
    QToolButton* buttonFor(const QAction* action) const;

private:
    QString title_;
    QHBoxLayout* row_ = nullptr;
    QList<QPair<QPointer<QAction>, QToolButton*>> buttons_;
};

// One page of the ribbon: groups from left to right, separated by thin lines.
class RibbonTab : public QWidget {
    Q_OBJECT
public:
    explicit RibbonTab(const QString& title, QWidget* parent = nullptr);

    QString title() const { return title_; }
    RibbonGroup* addGroup(const QString& title);
    QList<RibbonGroup*> groups() const { return groups_; }
    RibbonGroup* group(const QString& title) const;

private:
    QString title_;
    QHBoxLayout* row_ = nullptr;
    QList<RibbonGroup*> groups_;
};

class Ribbon : public QWidget {
    Q_OBJECT
public:
    explicit Ribbon(const QString& caption, QWidget* parent = nullptr);
    ~Ribbon() override;

    QString caption() const;

    // An icon-only button in the quick-access bar, in the order of the calls.
    QToolButton* addQuickAccess(QAction* action);
    QList<QAction*> quickAccessActions() const;
    QToolButton* quickAccessButtonFor(const QAction* action) const;

    RibbonTab* addTab(const QString& title);
    int currentIndex() const;
    void setCurrentIndex(int index);
    RibbonTab* currentTab() const;

    // Lookups by title; nullptr or empty lists when nothing has that title.
    QStringList tabTitles() const;
    RibbonTab* tab(const QString& title) const;
    QStringList groupTitles(const QString& tabTitle) const;
    RibbonGroup* group(const QString& tabTitle, const QString& groupTitle) const;
    QList<QAction*> actionsOf(const QString& tabTitle, const QString& groupTitle) const;

    // Gives the action its screen tip; every button of the action shows it on hover.
    void setScreenTip(QAction* action, const QString& header, const QString& description, bool footer = true);
    bool hasScreenTip(const QAction* action) const;
    ScreenTip screenTip(const QAction* action) const;
    // The tooltip text of a screen tip: rich text with the header in bold; the texts are
    // escaped and their blanks kept as typed.
    static QString screenTipHtml(const ScreenTip& tip);

Q_SIGNALS:
    void currentChanged(int index);

private:
    QLabel* caption_ = nullptr;
    QHBoxLayout* quickBar_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    QList<RibbonTab*> tabList_;
    QList<QPair<QPointer<QAction>, QToolButton*>> quick_;
    QHash<const QAction*, ScreenTip> tips_;
};

} // namespace trassel

#pragma once
// The program's commands in one table: for each its object name, caption, category, keys,
// picture, screen tip and places (a ribbon tab and group, the quick-access bar, a popup menu).
// The actions, the ribbon, the quick-access bar and the popup menus are made from it, and the
// tests read it; a new command is one row here and one slot in ActionHandler.
#include <QHash>
#include <QKeySequence>
#include <QList>
#include <QString>
#include <QStyle>

#include <functional>
#include <span>
#include <string_view>

class QAction;
class QIcon;
class QMenu;

namespace trassel {

class ActionHandler;
class Ribbon;

// The handler's slot that runs a command.
using CommandSlot = void (ActionHandler::*)();

// One command. Rows without a place exist with their handler (and tip) for whatever starts them:
// a shortcut, another window, the program itself.
struct CommandRow {
    const char* name;     // the action's object name, the users' manual's name of the command
    const char* caption;  // '&' marks the access key
    const char* category; // the group the command belongs to in the command list
    CommandSlot slot;     // null for a command whose button only opens its menu
    // Keys: a standard key of the platform and/or key sequences in Qt's portable text,
    // several separated by "; ". A command with keys answers them anywhere in the window.
    QKeySequence::StandardKey standardKey = QKeySequence::UnknownKey;
    const char* keys = "";
    // The picture: one of the program's (":/icons/<icon>.svg") or, when `icon` is empty, the
    // style's `styleIcon`; with neither, a button shows the caption's first letter.
    const char* icon = "";
    QStyle::StandardPixmap styleIcon = QStyle::SP_CustomBase;
    // The screen tip; none when the title is empty. `tipFooter` closes it with the footer picture.
    const char* tipTitle = "";
    const char* tipText = "";
    bool tipFooter = true;
    // The ribbon's button: tab and group (see RibbonLayout), in the order of the rows. A command
    // with a menu of its own opens it at once when `instantPopup`.
    const char* tab = "";
    const char* group = "";
    bool instantPopup = false;
    // Position in the quick-access bar, from 1; 0 when it is not there.
    int quickAccess = 0;
    // The popup menu (its object name) that lists the command, in the order of the rows, and
    // the separator (its object name) put before it there.
    const char* menu = "";
    const char* separatorBefore = "";
    // A switch: the action is checkable and its slot reads the state the click gave it.
    bool checkable = false;
};

// A group of the ribbon. A group without commands holds a widget the window puts there.
struct RibbonGroupRow {
    const char* tab;
    const char* group;
};

// Every command, in the order of their places.
std::span<const CommandRow> CommandTable();
// The row of the command named `name`, or null.
const CommandRow* FindCommand(std::string_view name);
// The tabs and groups of the ribbon, left to right.
std::span<const RibbonGroupRow> RibbonLayout();

// The keys of a command: the platform's binding of its standard key first, then its own.
QList<QKeySequence> ShortcutsOf(const CommandRow& row);
// The picture of a command; null when the row names none.
QIcon IconOf(const CommandRow& row, const QStyle* style);

// Lays out the ribbon's tabs and groups and places every command of the table: ribbon buttons,
// the quick-access bar, screen tips, and the popup menus in `menus` (by object name).
// `action` gives the action made for a row.
void PlaceCommands(Ribbon& ribbon, const QHash<QString, QMenu*>& menus,
                   const std::function<QAction*(const CommandRow&)>& action);

} // namespace trassel

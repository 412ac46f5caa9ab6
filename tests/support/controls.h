#pragma once
// Finds a control or a command of the main window by its object name, as a user's manual
// names it; one that is not there fails the test.
#include "app/ribbon.h"
#include "layers/qt/layer_panel.h"
#include "radargram/qt/radargram_panel.h"
#include "section/qt/section_page.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QObject>
#include <QSplitter>
#include <QString>
#include <QTabWidget>
#include <QToolButton>

#include <gtest/gtest.h>

namespace trassel::test {

template <class T = QWidget>
T* Control(const QObject* root, const char* name)
{
    T* control = root->findChild<T*>(QString::fromUtf8(name));
    if (control == nullptr)
        ADD_FAILURE() << "no control named " << name;
    return control;
}

// The action of the command `name` (its object name in the command table).
inline QAction* Action(const QObject* root, const char* name)
{
    auto* action = root->findChild<QAction*>(QString::fromUtf8(name));
    if (action == nullptr)
        ADD_FAILURE() << "no command named " << name;
    return action;
}

} // namespace trassel::test

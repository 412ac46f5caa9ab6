#pragma once
// Finds a control of the main window by its object name, as a user's manual names it; a
// control that is not there fails the test.
#include <QObject>
#include <QString>

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

} // namespace trassel::test

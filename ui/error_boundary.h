#pragma once
// The error boundary: every user action runs through guarded(), which shows
// a failure's own text in the standard error box and lets the program go on.
// No exception crosses the Qt event loop.

#include "store/db_error.h"
#include "ui/dialogs.h"

#include <QApplication>
#include <exception>
#include <utility>

// Shows the text of the exception in flight; call from a catch block only.
void showCurrentException(QWidget *parent);

// Runs action; returns false (after showing the error) when it failed.
template <class Action>
bool guarded(QWidget *parent, Action &&action) noexcept
{
    try {
        std::forward<Action>(action)();
        return true;
    } catch (...) {
        showCurrentException(parent);
        return false;
    }
}

// The application object: a last line of defence that shows any exception
// an event handler let escape, instead of ending the program.
class GuardedApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject *receiver, QEvent *event) override;
};

#pragma once
// Start-up of the program: the settings file's place, the application object, the windows in
// their fixed order, and the event loop.
#include <QApplication>

#include <string>

namespace trassel {

// "TrasselOptions.ini" in the directory of the running executable, or in the user's
// configuration folder when that directory cannot be written (an installed copy). Asked only
// by the settings commands: nothing is read or created at start.
std::string OptionsFilePath();

// The application object: an error that escapes an event handler is shown like any other
// and the program goes on.
class TrasselApplication : public QApplication {
public:
    TrasselApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// Installs Qt's own Russian texts (the buttons of message boxes, the file, font, colour and
// printer dialogs) from the system's Qt translations; false when they are not installed, and
// then the dialogs keep their English texts.
bool InstallQtTranslations(QCoreApplication& app);

// Runs the program; the exit code is 0 even when start-up fails (the error is shown), and
// otherwise the event loop's (see TRASSEL_QUIT_AFTER_START in the source).
int RunTrassel(int argc, char** argv);

} // namespace trassel

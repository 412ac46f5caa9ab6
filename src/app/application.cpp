#include "app/application.h"

#include "app/mainform.h"
#include "base/compile_date.h"
#include "boreholes/qt/skv.h"
#include "dialogs/qt/about.h"
#include "dialogs/qt/list.h"
#include "settings/qt/options.h"
#include "settings/options_location.h"

#include <QIcon>
#include <QLibraryInfo>
#include <QTimer>
#include <QLocale>
#include <QMessageBox>
#include <QTranslator>

#include <cstdlib>
#include <exception>
#include <new>
#include <filesystem>

namespace trassel {
namespace {

void showFatal(const QString& text)
{
    QMessageBox::critical(nullptr, QStringLiteral("Trassel"), text);
}

} // namespace

std::string OptionsFilePath()
{
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    std::filesystem::path dir = ec ? std::filesystem::current_path() : exe.parent_path();
    const std::filesystem::path config = UserConfigDir(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
    return ChooseOptionsFile(dir, config, DirectoryWritable).string();
}

TrasselApplication::TrasselApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Trassel"));
}

bool TrasselApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::bad_alloc&) {
        showFatal(OutOfMemoryText(QString()));
    } catch (const std::exception& e) {
        showFatal(QString::fromUtf8(e.what()));
    } catch (...) {
        showFatal(QString());
    }
    return false;
}

bool InstallQtTranslations(QCoreApplication& app)
{
    auto* translator = new QTranslator(&app);
    if (!translator->load(QLocale(QLocale::Russian, QLocale::Russia), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

int RunTrassel(int argc, char** argv)
{
    TrasselApplication app(argc, argv);
    InstallQtTranslations(app);
    // The menu entry and the taskbar find the window by these.
    QGuiApplication::setDesktopFileName(QStringLiteral("trassel"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("trassel")));
    try {
        TFmMainForm mainForm;
        TFmOptions options(&mainForm);
        TFmList list(&mainForm);
        TFmSkv skv(&mainForm);
        TFmAbout about(QString::fromLatin1(BuildDate()), &mainForm);
        mainForm.setSecondaryWindows(&options, &list, &skv, &about);
        mainForm.show();
        // A file named on the command line (a double click on a project, "Открыть с помощью"):
        // a project is opened, anything else imported, once the window is up.
        const QStringList arguments = QCoreApplication::arguments();
        if (arguments.size() > 1) {
            const QString file = arguments.at(1);
            QTimer::singleShot(0, &mainForm, [&mainForm, file] {
                mainForm.runGuarded([&] { mainForm.openDroppedFile(file); }, QStringLiteral("Открыть файл"));
            });
        }
        app.exec();
    } catch (const std::exception& e) {
        showFatal(QString::fromUtf8(e.what()));
    } catch (...) {
        showFatal(QString());
    }
    return 0;
}

} // namespace trassel

#include "app/application.h"

#include "app/mainform.h"
#include "base/compile_date.h"
#include "boreholes/qt/skv.h"
#include "dialogs/qt/about.h"
#include "dialogs/qt/list.h"
#include "settings/qt/options.h"
#include "settings/options_location.h"
#include "base/file_path.h"

#include <QDir>
#include <QFontDatabase>
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

void showFatal(const QString& text) { QMessageBox::critical(nullptr, QStringLiteral("Trassel"), text); }

#ifdef _WIN32
// The section is drawn in DejaVu Sans on every system: the fonts that come with the program
// (fonts\ beside it, which trassel-render's offscreen platform reads) are the window's too.
void AddBundledFonts()
{
    const QDir fonts(QCoreApplication::applicationDirPath() + QStringLiteral("/fonts"));
    for (const QString& name : fonts.entryList({QStringLiteral("*.ttf")}, QDir::Files))
        QFontDatabase::addApplicationFont(fonts.filePath(name));
}
#endif

// Qt 6 asks for the file dialog's type names ("Folder", "Drive", "Unknown") in the context
// QAbstractFileIconProvider, but the Russian catalogue that comes with Qt 6.4 (qtbase_ru.qm of
// qt6-translations-l10n; qt_ru.qm only includes it) still has them only under QFileDialog,
// where Qt 5 looked them up. No other catalogue carries them: this translator answers the new
// context from the old one.
class FileTypeNames : public QTranslator {
public:
    FileTypeNames(const QTranslator& catalogue, QObject* parent) : QTranslator(parent), catalogue_(catalogue) { }

    QString translate(const char* context, const char* sourceText, const char* disambiguation, int n) const override
    {
        static_cast<void>(disambiguation);
        if (qstrcmp(context, "QAbstractFileIconProvider") != 0)
            return {};
        return catalogue_.translate("QFileDialog", sourceText, nullptr, n);
    }
    bool isEmpty() const override { return false; }

private:
    const QTranslator& catalogue_;
};

} // namespace

std::string OptionsFilePath()
{
#ifdef _WIN32
    const wchar_t* appData = ::_wgetenv(L"APPDATA");
    const std::filesystem::path config = AppDataConfigDir(appData != nullptr ? std::filesystem::path(appData)
                                                                             : std::filesystem::path());
#else
    const std::filesystem::path config = UserConfigDir(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
#endif
    return PathToUtf8(ChooseOptionsFile(ExecutableDir(), config, DirectoryWritable));
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
    if (!QCoreApplication::installTranslator(translator))
        return false;
    // Owned by the catalogue it reads, so that neither outlives the other.
    return QCoreApplication::installTranslator(new FileTypeNames(*translator, translator));
}

int RunTrassel(int argc, char** argv)
{
    TrasselApplication app(argc, argv);
    InstallQtTranslations(app);
#ifdef _WIN32
    AddBundledFonts();
#endif
    // For the packaging tests (scripts/test-windows): the program quits once the file named on
    // the command line is open (status 0) or has failed to open (3), and after a minute at the
    // latest (4), whatever dialog is showing.
    const bool quitAfterStart = qEnvironmentVariableIsSet("TRASSEL_QUIT_AFTER_START");
    if (quitAfterStart)
        QTimer::singleShot(60000, &app, [] { QCoreApplication::exit(4); });
    int status = 0;
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
            QTimer::singleShot(0, &mainForm, [&mainForm, file, quitAfterStart] {
                const bool opened = mainForm.runGuarded([&] { mainForm.openDroppedFile(file); },
                                                        QStringLiteral("Открыть файл"));
                if (quitAfterStart)
                    QCoreApplication::exit(opened ? 0 : 3);
            });
        } else if (quitAfterStart) {
            QTimer::singleShot(0, &app, [] { QCoreApplication::exit(0); });
        }
        status = app.exec();
    } catch (const std::exception& e) {
        showFatal(QString::fromUtf8(e.what()));
    } catch (...) {
        showFatal(QString());
    }
    return status;
}

} // namespace trassel

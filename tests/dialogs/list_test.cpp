// The soil list window: its start state and layout, the commands of its context menu, loading
// a list from a file and the label font.
#include "dialogs/qt/list.h"
#include "document/survey_document.h"

#include "support/controls.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace trassel {
namespace {

QStringList entries(const TFmList& list)
{
    QStringList out;
    for (int i = 0; i < list.lbxGrunts->count(); ++i)
        out << list.lbxGrunts->item(i)->text();
    return out;
}

const QStringList kStartEntries = {QStringLiteral("Щебеночный балласт"), QStringLiteral("Асбестовый балласт"),
                                   QStringLiteral("Песок"), QStringLiteral("Песчано-гравийно-галечниковый грунт"),
                                   QStringLiteral("Суглинок")};

TEST(SoilListWindow, StartsWithFiveNamesAndItsLayout)
{
    TFmList list;
    EXPECT_EQ(list.objectName(), QStringLiteral("FmList"));
    EXPECT_EQ(list.windowTitle(), QStringLiteral("Список грунтов"));
    EXPECT_FALSE(list.isVisible());
    EXPECT_FALSE(list.isModal());
    EXPECT_EQ(list.size(), QSize(447, 337));

    auto* box = test::Control<QListWidget>(&list, "lbxGrunts");
    auto* edit = test::Control<QLineEdit>(&list, "txtAddGround");
    auto* button = test::Control<QPushButton>(&list, "btnAddGround");
    ASSERT_TRUE(box && edit && button);
    EXPECT_EQ(entries(list), kStartEntries);
    EXPECT_FALSE(list.soilSelected());
    EXPECT_EQ(list.selectedSoil(), QString());
    EXPECT_EQ(box->selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_EQ(box->font().family(), QStringLiteral("Times New Roman"));
    EXPECT_EQ(box->font().pointSize(), 12);
    EXPECT_EQ(edit->text(), QStringLiteral("Новый грунт"));
    EXPECT_EQ(button->text(), QStringLiteral("Добавить"));

    EXPECT_EQ(box->geometry(), QRect(8, 8, 431, 281));
    EXPECT_EQ(edit->geometry(), QRect(8, 295, 350, 21));
    EXPECT_EQ(button->geometry(), QRect(364, 295, 75, 25));
    // The list grows on all sides, the edit stretches along the bottom, the button keeps to
    // the bottom right corner.
    list.show();
    list.resize(600, 437);
    EXPECT_EQ(box->geometry(), QRect(8, 8, 584, 381));
    EXPECT_EQ(edit->geometry(), QRect(8, 395, 503, 21));
    EXPECT_EQ(button->geometry(), QRect(517, 395, 75, 25));
}

TEST(SoilListWindow, ContextMenuItemsInOrder)
{
    TFmList list;
    auto* menu = test::Control<QMenu>(&list, "PopupActionBar1");
    ASSERT_TRUE(menu);
    QStringList shown;
    for (const QAction* action : menu->actions())
        shown << (action->isSeparator() ? QStringLiteral("-")
                                        : action->objectName() + QLatin1Char('=') + action->text());
    EXPECT_EQ(shown, (QStringList{QStringLiteral("piLoadFromFile=Загрузить"), QStringLiteral("piClear=Очистить"),
                                  QStringLiteral("-"), QStringLiteral("piRedact=Редактировать строку"),
                                  QStringLiteral("piDelete=Удалить строку"), QStringLiteral("-"),
                                  QStringLiteral("piFont=Шрифт")}));

    // A right click on the list opens that menu.
    list.show();
    Q_EMIT list.lbxGrunts->customContextMenuRequested(QPoint(10, 10));
    EXPECT_TRUE(menu->isVisible());
    menu->hide();
}

TEST(SoilListWindow, AddDeleteClearAndSelection)
{
    TFmList list;
    // Twice with the same text: two equal entries at the end, and the edit keeps its text.
    QTest::mouseClick(list.btnAddGround, Qt::LeftButton);
    QTest::mouseClick(list.btnAddGround, Qt::LeftButton);
    EXPECT_EQ(entries(list),
              (kStartEntries + QStringList{QStringLiteral("Новый грунт"), QStringLiteral("Новый грунт")}));
    EXPECT_EQ(list.txtAddGround->text(), QStringLiteral("Новый грунт"));
    // An empty text is appended as well.
    list.txtAddGround->clear();
    list.btnAddGroundClick();
    EXPECT_EQ(list.lbxGrunts->count(), 8);
    list.lbxGrunts->item(7)->setSelected(true);
    EXPECT_TRUE(list.soilSelected());
    EXPECT_EQ(list.selectedSoil(), QString());

    list.lbxGrunts->item(2)->setSelected(true);
    EXPECT_EQ(list.selectedSoil(), QStringLiteral("Песок"));
    list.piDelete->trigger();
    EXPECT_EQ(list.lbxGrunts->count(), 7);
    EXPECT_EQ(list.lbxGrunts->item(2)->text(), QStringLiteral("Песчано-гравийно-галечниковый грунт"));
    EXPECT_FALSE(list.soilSelected());
    // Nothing selected: nothing deleted.
    list.piDelete->trigger();
    EXPECT_EQ(list.lbxGrunts->count(), 7);

    list.lbxGrunts->item(0)->setSelected(true);
    list.piClear->trigger();
    EXPECT_EQ(list.lbxGrunts->count(), 0);
    EXPECT_FALSE(list.soilSelected());
    EXPECT_EQ(list.selectedSoil(), QString());
}

class SoilListLoad : public ::testing::Test {
protected:
    QString write(const char* name, const std::string& bytes)
    {
        const QString path = dir.filePath(QString::fromUtf8(name));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes.data(), static_cast<qint64>(bytes.size()));
        return path;
    }

    // Loads `path` as if the user chose it; returns the error reported, if any.
    QString load(const QString& path)
    {
        QString filterAsked = QStringLiteral("(not asked)");
        list.openFileName = [&](const QString& filter) {
            filterAsked = filter;
            return path;
        };
        QString reported;
        list.guard = [&](const std::function<void()>& command) {
            try {
                command();
                return true;
            } catch (const std::exception& e) {
                reported = QString::fromUtf8(e.what());
                return false;
            }
        };
        list.piLoadFromFile->trigger();
        EXPECT_EQ(filterAsked, QString()) << "the open dialog has no filter";
        return reported;
    }

    QTemporaryDir dir;
    TFmList list;
};

TEST_F(SoilListLoad, ReadsEachEncodingAndReplacesTheList)
{
    // Windows-1251, lines ended by CR LF: exactly the two names.
    EXPECT_EQ(load(write("cp1251.txt", "\xC3\xEB\xE8\xED\xE0\r\n\xD2\xEE\xF0\xF4\r\n")), QString());
    EXPECT_EQ(entries(list), (QStringList{QStringLiteral("Глина"), QStringLiteral("Торф")}));

    list.lbxGrunts->item(0)->setSelected(true);
    EXPECT_EQ(load(write("utf8.txt", "\xEF\xBB\xBF Песок \n\nСуглинок")), QString());
    EXPECT_EQ(entries(list), (QStringList{QStringLiteral(" Песок "), QString(), QStringLiteral("Суглинок")}));
    EXPECT_FALSE(list.soilSelected());

    EXPECT_EQ(load(write("utf16le.txt", std::string("\xFF\xFE\x18\x04\x3B\x04\r\0", 8))), QString());
    EXPECT_EQ(entries(list), QStringList{QStringLiteral("Ил")});
    EXPECT_EQ(load(write("utf16be.txt", std::string("\xFE\xFF\x04\x22\x04\x3E\x04\x40\x04\x44", 10))), QString());
    EXPECT_EQ(entries(list), QStringList{QStringLiteral("Торф")});

    // An empty file empties the list.
    EXPECT_EQ(load(write("empty.txt", "")), QString());
    EXPECT_EQ(entries(list), QStringList{});
}

TEST_F(SoilListLoad, CancelOrAFailureKeepsTheList)
{
    EXPECT_EQ(load(QString()), QString());
    EXPECT_EQ(entries(list), kStartEntries);

    const QString missing = dir.filePath(QStringLiteral("нет такого.txt"));
    const QString error = load(missing);
    EXPECT_TRUE(error.contains(missing)) << error.toStdString();
    EXPECT_EQ(entries(list), kStartEntries);

    // A directory is not a file to read.
    const QString folder = dir.filePath(QStringLiteral("папка"));
    ASSERT_TRUE(QDir().mkdir(folder));
    const QString folderError = load(folder);
    EXPECT_TRUE(folderError.contains(folder)) << folderError.toStdString();
    EXPECT_EQ(entries(list), kStartEntries);
}

TEST_F(SoilListLoad, TheDocumentGetsTheWholeNewListOnceOrKeepsItsOwn)
{
    SurveyDocument doc;
    list.bindDocument(doc);
    std::vector<std::vector<std::string>> seen;
    const Subscription watching = doc.subscribe([&](const DocumentChange& change) {
        if (change.what == DocumentChange::What::Soils)
            seen.push_back(doc.soils());
    });

    // Not an empty list first and then every list on the way: one change, the file's list.
    EXPECT_EQ(load(write("three.txt", "a\nb\nc\n")), QString());
    ASSERT_EQ(seen.size(), 1U);
    EXPECT_EQ(seen[0], (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(entries(list), (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}));

    // A file of a million empty lines would take far more than its megabyte as entries: refused
    // before any entry is made, and the list and the document keep what they had.
    seen.clear();
    const QString error = load(write("empty-lines.txt", std::string(1'000'000, '\n')));
    EXPECT_TRUE(
        error.startsWith(QStringLiteral("Недостаточно памяти для списка грунтов из этого файла: 1000000 строк")))
        << error.toStdString();
    EXPECT_TRUE(seen.empty());
    EXPECT_EQ(doc.soils(), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(entries(list), (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}));
}

TEST(SoilListWindow, FontDialogRemembersItsChoiceAndTellsTheCanvas)
{
    TFmList list;
    std::vector<ChosenFont> offered;
    std::optional<ChosenFont> answer;
    list.chooseFont = [&](const ChosenFont& initial) {
        offered.push_back(initial);
        return answer;
    };
    std::vector<FontState> told;
    QObject::connect(&list, &TFmList::fontChosen, [&](const FontState& font) { told.push_back(font); });

    // Cancelled: nothing changes, nothing is told.
    list.piFont->trigger();
    ASSERT_EQ(offered.size(), 1U);
    EXPECT_EQ(offered[0].font.family(), QStringLiteral("Tahoma"));
    EXPECT_EQ(offered[0].font.pointSize(), 8);
    EXPECT_FALSE(offered[0].font.bold());
    EXPECT_EQ(offered[0].color, list.palette().color(QPalette::WindowText));
    EXPECT_TRUE(told.empty());
    EXPECT_EQ(list.lbxGrunts->font().family(), QStringLiteral("Times New Roman"));

    QFont arial(QStringLiteral("Arial"), 14);
    arial.setBold(true);
    answer = ChosenFont{arial, QColor(255, 0, 0)};
    list.piFont->trigger();
    const QFont shown = list.lbxGrunts->font();
    EXPECT_EQ(shown.family(), QStringLiteral("Arial"));
    EXPECT_EQ(shown.pointSize(), 14);
    EXPECT_TRUE(shown.bold());
    EXPECT_FALSE(shown.italic());
    EXPECT_EQ(list.lbxGrunts->palette().color(QPalette::Text), QColor(255, 0, 0));
    ASSERT_EQ(told.size(), 1U);
    EXPECT_EQ(told[0], (FontState{"Arial", 14, true, false, 0x0000FF}));

    // The next time the dialog opens with that font; a cancel now keeps it for the time after.
    answer.reset();
    list.piFont->trigger();
    list.piFont->trigger();
    ASSERT_EQ(offered.size(), 4U);
    EXPECT_EQ(offered[1].font.family(), QStringLiteral("Tahoma"));
    for (std::size_t i : {2U, 3U}) {
        EXPECT_EQ(offered[i].font, arial);
        EXPECT_EQ(offered[i].color, QColor(255, 0, 0));
    }
    EXPECT_EQ(told.size(), 1U);
    EXPECT_EQ(list.lbxGrunts->font().family(), QStringLiteral("Arial"));

    // Italic and underline reach the list; the canvas knows bold and underline.
    QFont serif(QStringLiteral("Liberation Serif"), 10);
    serif.setItalic(true);
    serif.setUnderline(true);
    answer = ChosenFont{serif, QColor(0, 128, 0)};
    list.piFont->trigger();
    EXPECT_TRUE(list.lbxGrunts->font().italic());
    EXPECT_TRUE(list.lbxGrunts->font().underline());
    EXPECT_FALSE(list.lbxGrunts->font().bold());
    ASSERT_EQ(told.size(), 2U);
    EXPECT_EQ(told[1], (FontState{"Liberation Serif", 10, false, true, 0x008000}));
}

TEST(SoilListWindow, EditsTheSelectedEntryInPlace)
{
    TFmList list;
    list.show();
    // Nothing selected: no editor opens.
    list.piRedact->trigger();
    EXPECT_EQ(list.lbxGrunts->findChild<QLineEdit*>(), nullptr);

    list.lbxGrunts->item(2)->setSelected(true);
    list.piRedact->trigger();
    auto* editor = list.lbxGrunts->viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), QStringLiteral("Песок"));
    editor->setText(QStringLiteral("Песок мелкий"));
    QTest::keyClick(editor, Qt::Key_Return);
    // The editor hands its text back once control returns to the event loop.
    QCoreApplication::processEvents();
    EXPECT_EQ(list.lbxGrunts->item(2)->text(), QStringLiteral("Песок мелкий"));
    EXPECT_EQ(list.lbxGrunts->count(), 5);
    EXPECT_EQ(list.selectedSoil(), QStringLiteral("Песок мелкий"));
}

TEST(SoilListWindow, AcceptsWhateverIsDraggedOverItAndADropChangesNothing)
{
    TFmList list;
    list.show();
    QWidget* target = list.lbxGrunts->viewport();
    QMimeData data;
    data.setText(QStringLiteral("Глина"));
    const QPointF at(20, 20);

    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDragMoveEvent move(at.toPoint(), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    move.setAccepted(false);
    QApplication::sendEvent(target, &move);
    EXPECT_TRUE(move.isAccepted());
    QDropEvent drop(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    drop.setAccepted(false);
    QApplication::sendEvent(target, &drop);
    EXPECT_EQ(entries(list), kStartEntries);
}

TEST(SoilListWindow, RealFontDialogReturnsWhatItShowsOrNothing)
{
    QFont initial(QStringLiteral("DejaVu Sans"), 11);
    initial.setBold(true);
    auto answerWith = [](QDialogButtonBox::StandardButton button) {
        QTimer::singleShot(0, [button] {
            QWidget* dialog = QApplication::activeModalWidget();
            ASSERT_NE(dialog, nullptr);
            auto* box = dialog->findChild<QDialogButtonBox*>();
            ASSERT_NE(box, nullptr);
            box->button(button)->click();
        });
    };
    answerWith(QDialogButtonBox::Ok);
    const std::optional<ChosenFont> chosen = RunFontDialog(nullptr, {initial, QColor(0, 0, 255)});
    ASSERT_TRUE(chosen);
    EXPECT_EQ(chosen->font.family(), QStringLiteral("DejaVu Sans"));
    EXPECT_EQ(chosen->font.pointSize(), 11);
    EXPECT_TRUE(chosen->font.bold());
    EXPECT_EQ(chosen->color, QColor(0, 0, 255));

    answerWith(QDialogButtonBox::Cancel);
    EXPECT_FALSE(RunFontDialog(nullptr, {initial, QColor(0, 0, 255)}));
}

} // namespace
} // namespace trassel

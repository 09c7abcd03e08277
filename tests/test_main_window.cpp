// The main window driven through its real widgets offscreen, with the
// dialog seam recording messages and modal windows.

#include "app/desktop.h"
#include "app/main_window.h"
#include "app/recipient_view.h"
#include "app/sender_panel.h"
#include "app/single_instance.h"
#include "app/window_registry.h"
#include "jet_damage.h"
#include "report/fonts.h"
#include "store/data_file.h"
#include "store/jet_database.h"
#include "store/schema.h"
#include "test_support.h"
#include "ui/desktop_behaviour.h"
#include "ui/qt_dialogs.h"
#include "ui/record_grid.h"
#include "ui/recording_dialogs.h"
#include "ui/remembered.h"
#include "ui/screen_fit.h"
#include "ui/widgets.h"
#include "ui/window_keys.h"
#include "waybill/family.h"
#include "waybill/preview_window.h"
#include "waybill/print_window.h"

#include <QAction>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QTreeView>
#include <QtTest>
#include <memory>

using namespace schema;
using Entry = RecordingDialogs::Entry;

namespace {

Entry notice(const QString &text)
{
    return {QStringLiteral("notice"), text};
}
Entry hint(const QString &text)
{
    return {QStringLiteral("hint"), text};
}
// A question whose Yes loses the user's data: No is the default button.
Entry confirmNoDefault(const QString &text)
{
    return {QStringLiteral("confirm (No default)"), text};
}

// A main window over a fresh data.mdb; every other window of the start-up
// order exists as a plain stand-in named after its instance.
struct Fixture {
    explicit Fixture(const QList<QStringList> &recipients = {})
    {
        RawDb raw(dir.dbPath());
        for (const QStringList &row : recipients)
            raw.addRecipient(kRecipientTable, row.value(0), row.value(1), row.value(2, u"地址"_qs));
        for (const QString &windowClass : WindowRegistry::creationOrder()) {
            if (windowClass == QStringLiteral("TForm1"))
                continue;
            registry.registerFactory(windowClass, [windowClass](WindowRegistry &) {
                auto *window = new QWidget;
                window->setObjectName(instanceName(windowClass));
                return window;
            });
        }
        registry.registerFactory(QStringLiteral("TForm1"), [this](WindowRegistry &r) {
            window = new MainWindow(r);
            window->initialise(QDate(2026, 7, 5));
            return window;
        });
        registry.createAll();
    }

    QLineEdit *edit(const char *name) const { return window->findChild<QLineEdit *>(QLatin1String(name)); }
    QPushButton *button(const char *name) const { return window->findChild<QPushButton *>(QLatin1String(name)); }
    QAction *action(const QString &name) const { return window->findChild<QAction *>(name); }
    QPushButton *senderButton(const char *name) const
    {
        return window->senderPanel()->findChild<QPushButton *>(QLatin1String(name));
    }
    void click(const char *name) const { QTest::mouseClick(button(name), Qt::LeftButton); }
    // Types as a user does: select all, delete, then the text committed by
    // the input method (how Chinese text arrives).
    void type(const char *name, const QString &text) const
    {
        QLineEdit *target = edit(name);
        target->setFocus();
        QTest::keyClick(target, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(target, Qt::Key_Delete);
        QInputMethodEvent commit;
        commit.setCommitString(text);
        QApplication::sendEvent(target, &commit);
    }
    QStringList names() const { return RawDb(dir.dbPath()).rows(u"select 收件人姓名 from inrxx"_qs); }
    QStringList sender(const QString &columns) const
    {
        return RawDb(dir.dbPath()).rows(QStringLiteral("select %1 from outrxx").arg(columns));
    }
    Dataset &list() const { return window->data().recipients; }

    TempWorkdir dir;
    RecordingDialogs dialogs;
    WindowRegistry registry;
    MainWindow *window = nullptr;
};

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void oldDataThatDoNotAddUpAreCarriedOnlyWhenAsked();
    void initTestCase();
    void startsWithTodayAndSenderFilled();
    void startFailsWithoutDatabase_data();
    void startFailsWithoutDatabase();
    void damagedDatabaseOpensAndSaysSo();
    void menusHaveEveryEntry();
    void printEntriesOpenTheirWindows_data();
    void printEntriesOpenTheirWindows();
    void printCommandWritesUnsavedDateIntoEmptySender();
    void printCommandFailureOpensNothing();
    void clockTicksInItsFormat();
    void helpLinks_data();
    void helpLinks();
    void senderSaveChecks_data();
    void senderSaveChecks();
    void senderSaveWritesElevenColumnsAndReturnsToList();
    void enterKeyChains_data();
    void enterKeyChains();
    void addChecksAndKeepsSomeEdits_data();
    void addChecksAndKeepsSomeEdits();
    void pastedRecipientFillsTheEditor();
    void eachPasteStartsFromItsOwnText_data();
    void eachPasteStartsFromItsOwnText();
    void modifyWritesChangedEditsIntoCurrentRow();
    void modifyWritesOnlyWhatTheUserChanged();
    void modifyOfRecordGoneWritesNothing();
    void modifyOnEmptyList();
    void unreachableSharedStoreKeepsTheProgramAndTheTypedEdits();
    void deleteAndDeleteAll_data();
    void deleteAndDeleteAll();
    void searchAndRefresh();
    void longListIsReadWhereTheGridShowsIt_data();
    void longListIsReadWhereTheGridShowsIt();
    void recipientEntryResetsListAndChainEdits();
    void viewsSwitch();
    void gridShowsColumnsAndFollowsCurrentRow();
    void exportEntries_data();
    void exportEntries();
    void failedRestoreReopensListsAndClosedListIsNotExported();
    void enterPressesTheFocusedButtonAndDialogsSpeakChinese();
    void keysRunTheirCommands_data();
    void keysRunTheirCommands();
    void editorTakesTheFocusAndTabsInReadingOrder();
    void unopenedHelpSaysWhereItIs_data();
    void unopenedHelpSaysWhereItIs();
    void messageBoxesFitTheirTitle_data();
    void messageBoxesFitTheirTitle();
    void enterAnswersTheDefaultButton_data();
    void enterAnswersTheDefaultButton();
    void windowPlaceKeepsTheFrameOnTheScreen_data();
    void windowPlaceKeepsTheFrameOnTheScreen();
    void mainWindowFitsSmallScreens_data();
    void mainWindowFitsSmallScreens();
    void secondStartBringsTheFirstToTheFront_data();
    void secondStartBringsTheFirstToTheFront();
    void allWindowsCreatedInOrder();
    void startedOutsideADataFolderItUsesTheUsersOwn();
    void desktopStartTakesTheDataFile_data();
    void desktopStartTakesTheDataFile();
    void statusBarNamesTheDataFile_data();
    void statusBarNamesTheDataFile();
    void rememberedPlaceComesBackOntoAScreen_data();
    void rememberedPlaceComesBackOntoAScreen();
    void mainWindowOpensWhereItWasClosed_data();
    void mainWindowOpensWhereItWasClosed();
    void fileDialogWritesDatesInChinese();
};

void TestMainWindow::initTestCase()
{
    installFontSubstitutions();
}

void TestMainWindow::startsWithTodayAndSenderFilled()
{
    TempWorkdir dir;
    RawDb(dir.dbPath())
        .exec(u"insert into outrxx (单位名称, 寄件人姓名, 年, 月, 日) values ('公司', '王', '1999', '01', '02')"_qs);
    RecordingDialogs dialogs;
    WindowRegistry registry;
    MainWindow window(registry);
    window.initialise(QDate(2026, 7, 5));
    QCOMPARE(window.findChild<QLineEdit *>(QStringLiteral("Edit18"))->text(), QStringLiteral("2026"));
    QCOMPARE(window.findChild<QLineEdit *>(QStringLiteral("Edit19"))->text(), QStringLiteral("7"));
    QCOMPARE(window.findChild<QLineEdit *>(QStringLiteral("Edit20"))->text(), QStringLiteral("5"));
    QCOMPARE(window.findChild<QLineEdit *>(QStringLiteral("Edit1"))->text(), u"公司"_qs);
    QCOMPARE(window.findChild<QLineEdit *>(QStringLiteral("Edit2"))->text(), u"王"_qs);
    QCOMPARE(window.windowTitle(), u"Kestrine快递单打印软件 V4.89"_qs);
    QCOMPARE(window.findChild<QWidget *>(QStringLiteral("client"))->size(), QSize(1017, 605));
    QVERIFY(dialogs.entries.isEmpty());
}

void TestMainWindow::startFailsWithoutDatabase_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("exists");
    QTest::newRow("missing") << QByteArray() << false;
    QTest::newRow("random bytes") << QByteArray(4096, '\x11') << true;
    QTest::newRow("empty file") << QByteArray() << true;
}

void TestMainWindow::startFailsWithoutDatabase()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, exists);
    TempWorkdir dir(false);
    if (exists)
        writeAll(dir.dbPath(), content);
    RecordingDialogs dialogs;
    WindowRegistry registry;
    registerWindows(registry);
    QCOMPARE(startDesktop(registry), 1);
    QCOMPARE(dialogs.texts(QStringLiteral("error")).size(), 1);
    QVERIFY(registry.created().isEmpty());
    QCOMPARE(QFile::exists(dir.dbPath()), exists);
    if (exists)
        QCOMPARE(readAll(dir.dbPath()), content);
}

void TestMainWindow::damagedDatabaseOpensAndSaysSo()
{
    // A damaged data.mdb opens the program (so that a backup can be
    // restored), says so once in Chinese and names the backup beside it;
    // the file is not written.
    TempWorkdir dir;
    const QByteArray bytes = damageDatabase(dir.dbPath());
    writeAll(dir.file(QStringLiteral("monday.bak")), "backup");
    RecordingDialogs dialogs;
    WindowRegistry registry;
    registerWindows(registry);
    QCOMPARE(startDesktop(registry), 0);
    QTRY_COMPARE(dialogs.texts(QStringLiteral("error")).size(), 1);
    const QString told = dialogs.texts(QStringLiteral("error")).first();
    QVERIFY2(told.contains(u"已损坏"_qs) && told.contains(QStringLiteral("monday.bak"))
                 && !told.startsWith(QLatin1String("database")),
             qPrintable(told));
    registry.destroyAll();
    QCOMPARE(readAll(dir.dbPath()), bytes);
}

void TestMainWindow::menusHaveEveryEntry()
{
    Fixture f;
    const auto captions = [](QWidget *menu) {
        QStringList result;
        for (QAction *action : menu->actions())
            result << (action->isSeparator() ? QStringLiteral("-")
                                             : action->objectName() + QLatin1Char('=') + action->text());
        return result;
    };
    QCOMPARE(
        captions(f.window->menuBar()),
        (QStringList{u"N1=寄件人信息(&S)"_qs, u"N2=收件人信息(&R)"_qs, u"N16=单张打印(&P)"_qs, u"N17=批量打印(&B)"_qs,
                     u"N18=数据导入(&I)"_qs, u"N19=数据导出(&E)"_qs, u"N20=数据备份与恢复(&K)"_qs,
                     u"N21=帮助主题(&H)"_qs, u"N4=退出软件(&X)"_qs, u"FormDesign=快递单设计(&D)"_qs,
                     u"PrintLog=打印记录(&L)"_qs, u"LabelPrint=标签打印(&T)"_qs}));
    QCOMPARE(captions(f.window->findChild<QMenu *>(QStringLiteral("N21"))),
             (QStringList{u"N23=常见问题(&Q)"_qs, u"N24=技术支持(&T)"_qs, u"N25=软件首页(&W)"_qs}));
    QStringList popup = captions(f.window->findChild<QMenu *>(QStringLiteral("PopupMenu1")));
    QCOMPARE(popup,
             (QStringList{u"N11=新增记录(&N)"_qs, u"N12=修改记录(&M)"_qs, u"N13=删除记录(&D)"_qs, u"-"_qs,
                          u"N15=全部删除(&A)"_qs, u"-"_qs, u"N28=单张打印(&P)"_qs, u"N29=批量打印(&B)"_qs, u"-"_qs,
                          u"N31=数据导入(&I)"_qs, u"N32=数据导出(&E)"_qs}));
    const QStringList courierCaptions{u"顺丰快递单打印（版本一）"_qs,
                                      u"顺丰快递单打印（版本二）"_qs,
                                      u"申通快递单打印"_qs,
                                      u"圆通快递单（详情单）打印"_qs,
                                      u"圆通快递单打印"_qs,
                                      u"韵达快递单打印"_qs,
                                      u"天天快递单打印"_qs,
                                      u"中通快递单打印"_qs,
                                      u"EMS快递单打印"_qs,
                                      u"宅急送快递单打印"_qs,
                                      u"汇通快递单打印"_qs};
    for (const char *menu : {"N16", "N17", "N28", "N29"}) {
        QStringList texts;
        for (QAction *action : f.window->findChild<QMenu *>(QLatin1String(menu))->actions())
            texts << action->text();
        QCOMPARE(texts, courierCaptions);
    }
}

void TestMainWindow::printEntriesOpenTheirWindows_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("window");
    // entry names of the main menu and the context menu, then the window
    const char *table[][5] = {
        {"N26", "N42", "SfForm", "N34", "N47"},      {"N64", "N66", "Sf1Form", "N65", "N67"},
        {"N33", "N43", "StForm", "N35", "N48"},      {"N56", "N58", "Yt1Form", "N57", "N59"},
        {"N36", "N44", "YtForm", "N37", "N49"},      {"N38", "N45", "YdForm", "N39", "N50"},
        {"N40", "N46", "TtForm", "N41", "N51"},      {"N52", "N54", "ZtForm", "N53", "N55"},
        {"EMS1", "EMS3", "EmsForm", "EMS2", "EMS4"}, {"N60", "N62", "ZjsForm", "N61", "N63"},
        {"N5", "N7", "HtForm", "N6", "N8"},
    };
    const char *batchWindows[] = {"PlsfForm", "Plsf1Form", "PlstForm",  "Plyt1Form", "PlytForm", "PlydForm",
                                  "PlttForm", "PlztForm",  "PlemsForm", "plzjsForm", "PlhtForm"};
    int i = 0;
    for (const auto &row : table) {
        for (int menu = 0; menu < 2; ++menu) {
            QTest::newRow(row[menu]) << QString::fromLatin1(row[menu]) << QString::fromLatin1(row[2]);
            QTest::newRow(row[3 + menu]) << QString::fromLatin1(row[3 + menu]) << QString::fromLatin1(batchWindows[i]);
        }
        ++i;
    }
}

void TestMainWindow::printEntriesOpenTheirWindows()
{
    QFETCH(QString, entry);
    QFETCH(QString, window);
    Fixture f;
    f.edit("Edit19")->setText(QStringLiteral("12"));
    QStringList dateWhenShown;
    f.dialogs.onModal = [&](QWidget *) { dateWhenShown = f.sender(u"年, 月, 日"_qs); };
    QAction *action = f.action(entry);
    QVERIFY(action);
    action->trigger();
    QCOMPARE(f.dialogs.entries, QList<Entry>{(Entry{QStringLiteral("modal"), window})});
    QCOMPARE(dateWhenShown, QStringList{QStringLiteral("2026|12|5")});
}

void TestMainWindow::printCommandWritesUnsavedDateIntoEmptySender()
{
    Fixture f;
    f.type("Edit18", QStringLiteral("2027"));
    f.type("Edit20", QStringLiteral(" 09"));
    f.type("Edit2", u"未保存的名字"_qs);
    f.action(QStringLiteral("N26"))->trigger();
    QCOMPARE(f.sender(u"寄件人姓名 is null, 年, 月, 日"_qs), QStringList{QStringLiteral("1|2027|7| 09")});
    f.action(QStringLiteral("N42"))->trigger(); // the same row is written again
    QCOMPARE(f.sender(u"count(*)"_qs), QStringList{QStringLiteral("1")});
}

void TestMainWindow::printCommandFailureOpensNothing()
{
    Fixture f;
    RawDb(f.dir.dbPath()).exec(QStringLiteral("drop table outrxx"));
    f.action(QStringLiteral("N33"))->trigger();
    QCOMPARE(f.dialogs.texts(QStringLiteral("error")).size(), 1);
    QVERIFY(f.dialogs.texts(QStringLiteral("modal")).isEmpty());
    QVERIFY(f.window->isEnabled());
}

void TestMainWindow::clockTicksInItsFormat()
{
    Fixture f;
    auto *clock = f.window->findChild<QLabel *>(QStringLiteral("Panel0"));
    auto *address = f.window->findChild<QLabel *>(QStringLiteral("Panel1Text"));
    QVERIFY(clock->text().isEmpty());
    QVERIFY(address->text().isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(!clock->text().isEmpty(), 2500);
    QVERIFY2(QRegularExpression(u"^ 今天是：\\d{4}年\\d{2}月\\d{2}日  \\d{2}:\\d{2}:\\d{2}$"_qs)
                 .match(clock->text())
                 .hasMatch(),
             qPrintable(clock->text()));
    QCOMPARE(address->text(), u" 使用说明：菜单“帮助主题”"_qs);
    const auto *file = f.window->findChild<ElidedLabel *>(QStringLiteral("Panel2Text"));
    QCOMPARE(file->fullText(), u" 数据文件："_qs + QDir::toNativeSeparators(f.dir.dbPath()));
    QCOMPARE(file->toolTip(), u"数据文件："_qs + QDir::toNativeSeparators(f.dir.dbPath()));
}

void TestMainWindow::helpLinks_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("prefix");
    QTest::newRow("common questions") << "N23"
                                      << "file:";
    QTest::newRow("support mail") << "N24"
                                  << "mailto:";
    QTest::newRow("home page") << "N25"
                               << "file:";
}

void TestMainWindow::helpLinks()
{
    QFETCH(QString, entry);
    QFETCH(QString, prefix);
    Fixture f;
    f.action(entry)->trigger();
    const QStringList urls = f.dialogs.texts(QStringLiteral("url"));
    QCOMPARE(urls.size(), 1);
    QVERIFY(urls[0].startsWith(prefix));
    if (prefix == QStringLiteral("file:"))
        QVERIFY(QFile::exists(QUrl(urls[0]).toLocalFile()));
}

void TestMainWindow::senderSaveChecks_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("mobile");
    QTest::addColumn<QString>("message");
    QTest::newRow("all empty") << ""
                               << ""
                               << "" << u"寄件人姓名不能为空！"_qs;
    QTest::newRow("name and mobile empty") << ""
                                           << "addr"
                                           << "" << u"寄件人姓名不能为空！"_qs;
    QTest::newRow("address empty") << "n"
                                   << ""
                                   << "" << u"寄件地址不能为空！"_qs;
    QTest::newRow("mobile empty") << "n"
                                  << "a"
                                  << "" << u"手机号码不能为空！"_qs;
    QTest::newRow("blanks are content") << " "
                                        << " "
                                        << " " << QString();
}

void TestMainWindow::senderSaveChecks()
{
    QFETCH(QString, name);
    QFETCH(QString, address);
    QFETCH(QString, mobile);
    QFETCH(QString, message);
    Fixture f;
    f.window->N1Click();
    f.edit("Edit2")->setText(name);
    f.edit("Edit3")->setText(address);
    f.edit("Edit6")->setText(mobile);
    f.click("Button1");
    if (message.isEmpty()) {
        QCOMPARE(f.dialogs.entries, QList<Entry>{notice(u"寄件人信息保存成功！"_qs)});
        QCOMPARE(f.sender(u"寄件人姓名, 寄件地址, 手机号码"_qs), QStringList{QStringLiteral(" | | ")});
    } else {
        QCOMPARE(f.dialogs.entries, QList<Entry>{hint(message)});
        QCOMPARE(f.sender(u"count(*)"_qs), QStringList{QStringLiteral("0")});
        QVERIFY(f.window->senderPanel()->isVisibleTo(f.window));
    }
}

void TestMainWindow::senderSaveWritesElevenColumnsAndReturnsToList()
{
    Fixture f({{u"甲"_qs, QStringLiteral("1")}, {u"乙"_qs, QStringLiteral("2")}});
    f.type("Edit15", u"乙"_qs);
    f.click("Button9");
    QCOMPARE(f.list().rowCount(), 1);
    f.window->N1Click();
    const char *edits[] = {"Edit1", "Edit2", "Edit16", "Edit3",  "Edit4", "Edit5",
                           "Edit6", "Edit7", "Edit18", "Edit19", "Edit20"};
    QStringList typed;
    for (const char *name : edits) {
        typed << QString::fromLatin1(name) + u"值"_qs;
        f.edit(name)->setText(typed.last());
    }
    f.click("Button2"); // close keeps the texts
    QVERIFY(!f.window->senderPanel()->isVisible());
    QCOMPARE(f.sender(u"count(*)"_qs), QStringList{QStringLiteral("0")});
    f.window->N1Click();
    f.click("Button1");
    QCOMPARE(f.sender(senderColumns().join(QLatin1Char(','))), QStringList{typed.join(QLatin1Char('|'))});
    QVERIFY(!f.window->senderPanel()->isVisibleTo(f.window));
    QVERIFY(f.window->recipientView()->toolbar()->isVisibleTo(f.window));
    QCOMPARE(f.list().rowCount(), 2); // the save's reopen ended the search
}

void TestMainWindow::enterKeyChains_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to"); // empty: focus stays
    QTest::addColumn<bool>("editor");
    const char *sender[][2] = {{"Edit1", "Edit2"},   {"Edit2", "Edit3"},  {"Edit3", "Edit4"},   {"Edit4", "Edit5"},
                               {"Edit5", "Edit6"},   {"Edit6", "Edit7"},  {"Edit7", "Button1"}, {"Edit16", "Edit16"},
                               {"Edit18", "Edit18"}, {"Edit20", "Edit20"}};
    for (const auto &row : sender)
        QTest::newRow(row[0]) << QString::fromLatin1(row[0]) << QString::fromLatin1(row[1]) << false;
    const char *editor[][2] = {{"Edit8", "Edit9"},   {"Edit9", "Edit10"},  {"Edit10", "Edit11"}, {"Edit11", "Edit12"},
                               {"Edit12", "Edit13"}, {"Edit13", "Edit14"}, {"Edit14", "Edit14"}, {"Edit21", "Edit21"},
                               {"Edit26", "Edit26"}, {"Edit22", "Edit22"}};
    for (const auto &row : editor)
        QTest::newRow(row[0]) << QString::fromLatin1(row[0]) << QString::fromLatin1(row[1]) << true;
}

void TestMainWindow::enterKeyChains()
{
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(bool, editor);
    Fixture f;
    f.window->show();
    QVERIFY(QTest::qWaitForWindowActive(f.window));
    if (editor)
        f.window->recipientView()->Button6Click();
    else
        f.window->N1Click();
    QWidget *start = f.window->findChild<QWidget *>(from);
    start->setFocus();
    QTest::keyClick(start, Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget()->objectName(), to);
}

void TestMainWindow::addChecksAndKeepsSomeEdits_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("mobile");
    QTest::addColumn<QString>("message");
    QTest::newRow("all filled") << u"新人"_qs << "addr"
                                << "139" << u"新增记录成功！"_qs;
    QTest::newRow("name and address empty") << ""
                                            << ""
                                            << "139" << u"收件人姓名不能为空！"_qs;
    QTest::newRow("address empty") << "n"
                                   << ""
                                   << "" << u"收件地址不能为空！"_qs;
    QTest::newRow("mobile empty") << "n"
                                  << "a"
                                  << "" << u"手机号码不能为空！"_qs;
    QTest::newRow("blank name is content") << " "
                                           << "a"
                                           << "1" << u"新增记录成功！"_qs;
    // The name and mobile number of a listed recipient: added only on Yes.
    QTest::newRow("repeated, kept out") << u"旧"_qs << "a"
                                        << "1" << QString();
    QTest::newRow("repeated, added") << u"旧"_qs << "a"
                                     << "1" << u"新增记录成功！"_qs;
}

void TestMainWindow::addChecksAndKeepsSomeEdits()
{
    QFETCH(QString, name);
    QFETCH(QString, address);
    QFETCH(QString, mobile);
    QFETCH(QString, message);
    Fixture f({{u"旧"_qs, QStringLiteral("1")}});
    f.edit("Edit21")->setText(u"保留目的地"_qs);
    f.click("Button6");
    QCOMPARE(f.edit("Edit21")->text(), u"保留目的地"_qs); // open for add keeps the destination
    f.edit("Edit8")->setText(u"公司"_qs);
    f.edit("Edit9")->setText(name);
    f.edit("Edit10")->setText(address);
    f.edit("Edit13")->setText(mobile);
    f.edit("Edit26")->setText(u"样品"_qs);
    f.edit("Edit22")->setText(QStringLiteral("3"));
    f.edit("Edit14")->setText(u"备注"_qs);
    const bool repeated = name == u"旧"_qs;
    f.dialogs.confirmAnswers = {!message.isEmpty()};
    f.click("Button3");
    QList<Entry> expected;
    if (repeated)
        expected << Entry{QStringLiteral("confirm (No default)"),
                          u"名单中已有收件人“旧”（手机号码 1），是否仍要新增？"_qs};
    if (!message.isEmpty())
        expected << notice(message);
    QCOMPARE(f.dialogs.entries, expected);
    const bool added = message == u"新增记录成功！"_qs;
    QCOMPARE(f.names(), (added ? QStringList{u"旧"_qs, name} : QStringList{u"旧"_qs}));
    if (!added)
        return;
    QCOMPARE(f.list().currentRow(), 1);
    QCOMPARE(RawDb(f.dir.dbPath()).rows(u"select 目的地, 内件品名, 数量, 备注 from inrxx where rowid = 2"_qs),
             QStringList{u"保留目的地|样品|3|备注"_qs});
    for (const char *emptied : {"Edit8", "Edit9", "Edit10", "Edit11", "Edit12", "Edit13", "Edit14"})
        QVERIFY2(f.edit(emptied)->text().isEmpty(), emptied);
    QCOMPARE(f.edit("Edit21")->text(), u"保留目的地"_qs);
    QCOMPARE(f.edit("Edit26")->text(), u"样品"_qs);
    QCOMPARE(f.edit("Edit22")->text(), QStringLiteral("3"));
    QVERIFY(f.window->recipientView()->editor()->isVisibleTo(f.window));
}

void TestMainWindow::pastedRecipientFillsTheEditor()
{
    Fixture f({{u"甲"_qs, QStringLiteral("111"), u"甲地址"_qs}});
    // Adding: the pasted chat message fills the fields, the user checks and saves.
    f.click("Button6");
    f.window->findChild<QPlainTextEdit *>(QStringLiteral("PasteEdit"))
        ->setPlainText(u"张三 138-1234-5678\n浙江杭州西湖区文三路90号 邮编310012"_qs);
    f.click("PasteButton");
    QCOMPARE(f.edit("Edit9")->text(), u"张三"_qs);
    QCOMPARE(f.edit("Edit13")->text(), u"13812345678"_qs);
    QCOMPARE(f.edit("Edit10")->text(), u"浙江杭州西湖区文三路90号"_qs);
    QCOMPARE(f.edit("Edit11")->text(), u"310012"_qs);
    QCOMPARE(f.edit("Edit21")->text(), u"杭州市"_qs);
    f.click("Button3");
    QCOMPARE(RawDb(f.dir.dbPath()).rows(u"select 收件人姓名, 手机号码, 目的地, 邮政编码 from inrxx where rowid = 2"_qs),
             QStringList{u"张三|13812345678|杭州市|310012"_qs});
    // Modifying: what was recognised is written like what the user typed; a
    // number pasted alone changes that field only.
    f.list().moveTo(0);
    f.click("Button7");
    f.window->findChild<QPlainTextEdit *>(QStringLiteral("PasteEdit"))->setPlainText(u"电话：021-66668888"_qs);
    f.click("PasteButton");
    f.click("Button5");
    QCOMPARE(
        RawDb(f.dir.dbPath()).rows(u"select 收件人姓名, 联系电话, 收件地址, 手机号码 from inrxx where rowid = 1"_qs),
        QStringList{u"甲|021-66668888|甲地址|111"_qs});
    // A whole recipient pasted while modifying replaces every field, emptied ones too.
    f.list().moveTo(0);
    f.click("Button7");
    f.window->findChild<QPlainTextEdit *>(QStringLiteral("PasteEdit"))->setPlainText(u"乙 13900001111"_qs);
    f.click("PasteButton");
    f.click("Button5");
    QCOMPARE(
        RawDb(f.dir.dbPath()).rows(u"select 收件人姓名, 联系电话, 收件地址, 手机号码 from inrxx where rowid = 1"_qs),
        QStringList{u"乙|||13900001111"_qs});
    // Nothing recognisable: said, nothing changed.
    f.dialogs.clear();
    f.window->findChild<QPlainTextEdit *>(QStringLiteral("PasteEdit"))->setPlainText(u"  ，，"_qs);
    f.edit("Edit9")->setText(u"手填"_qs);
    f.click("PasteButton");
    QCOMPARE(f.dialogs.texts(QStringLiteral("notice")).size(), 1);
    QCOMPARE(f.edit("Edit9")->text(), u"手填"_qs);
}

void TestMainWindow::eachPasteStartsFromItsOwnText_data()
{
    // The second paste, and the six fields it leaves: 收件人姓名, 手机号码,
    // 联系电话, 邮政编码, 收件地址, 目的地.
    QTest::addColumn<QString>("second");
    QTest::addColumn<QStringList>("fields");
    QTest::newRow("another person and city")
        << u"李四 13987654321\n江苏南京鼓楼区中山路1号"_qs
        << QStringList{u"李四"_qs,  u"13987654321"_qs, QString(), QString(), u"江苏南京鼓楼区中山路1号"_qs,
                       u"南京市"_qs};
    QTest::newRow("no city: destination emptied")
        << u"王五 13700001111"_qs
        << QStringList{u"王五"_qs, u"13700001111"_qs, QString(), QString(), QString(), QString()};
    QTest::newRow("a telephone only") << u"电话：0571-88889999"_qs
                                      << QStringList{QString(), QString(), u"0571-88889999"_qs,
                                                     QString(), QString(), QString()};
}

void TestMainWindow::eachPasteStartsFromItsOwnText()
{
    QFETCH(QString, second);
    QFETCH(QStringList, fields);
    const char *edits[] = {"Edit9", "Edit13", "Edit12", "Edit11", "Edit10", "Edit21"};
    Fixture f;
    auto *paste = f.window->findChild<QPlainTextEdit *>(QStringLiteral("PasteEdit"));
    paste->setPlainText(u"上次留下的"_qs);
    f.click("Button6");
    QVERIFY(paste->toPlainText().isEmpty()); // opening for add starts with an empty box
    // A paste lands where the cursor is, as Ctrl+V puts it.
    paste->insertPlainText(u"张三 138-1234-5678 0571-86001234\n浙江杭州西湖区文三路90号 邮编310012"_qs);
    f.click("PasteButton");
    QCOMPARE(f.edit("Edit21")->text(), u"杭州市"_qs);
    QCOMPARE(f.edit("Edit12")->text(), u"0571-86001234"_qs);
    f.click("Button3");
    QCOMPARE(f.names(), QStringList{u"张三"_qs});
    QVERIFY(paste->toPlainText().isEmpty()); // added: the box is ready for the next one

    paste->insertPlainText(second);
    f.click("PasteButton");
    for (int i = 0; i < fields.size(); ++i) {
        QVERIFY2(f.edit(edits[i])->text() == fields[i], edits[i]);
        QVERIFY2(f.edit(edits[i])->isModified(), edits[i]); // emptied or filled: the user's change
    }
    // The box shows three lines of what it holds.
    QVERIFY(paste->height() >= 3 * paste->fontMetrics().lineSpacing());
}

void TestMainWindow::modifyWritesChangedEditsIntoCurrentRow()
{
    Fixture f({{u"甲"_qs, QStringLiteral("111"), u"甲地址"_qs}, {u"乙"_qs, QStringLiteral("222"), u"乙地址"_qs}});
    f.click("Button7"); // filled from row 1
    QCOMPARE(f.edit("Edit9")->text(), u"甲"_qs);
    QVERIFY(f.button("Button5")->isVisibleTo(f.window));
    QVERIFY(!f.button("Button3")->isVisibleTo(f.window));
    f.type("Edit13", QStringLiteral("999"));
    f.type("Edit9", QString()); // emptied by the user: written empty, no required check
    f.list().moveTo(1);         // another row selected while the panel floats
    f.click("Button5");
    QCOMPARE(f.dialogs.entries, QList<Entry>{notice(u"修改记录成功！"_qs)});
    // The changes land in the record the panel was filled from, never in
    // the row selected meanwhile.
    QCOMPARE(RawDb(f.dir.dbPath()).rows(u"select 收件人姓名, 手机号码, 收件地址 from inrxx"_qs),
             (QStringList{u"|999|甲地址"_qs, u"乙|222|乙地址"_qs}));
    QCOMPARE(f.list().currentRow(), 0);
    QVERIFY(!f.window->recipientView()->editor()->isVisibleTo(f.window));

    // Without any change the row is posted unchanged.
    f.dialogs.clear();
    f.list().moveTo(1);
    f.click("Button7");
    f.click("Button5");
    QCOMPARE(f.dialogs.entries, QList<Entry>{notice(u"修改记录成功！"_qs)});
    QCOMPARE(RawDb(f.dir.dbPath()).rows(u"select 收件人姓名, 手机号码 from inrxx"_qs),
             (QStringList{u"|999"_qs, u"乙|222"_qs}));

    // Opening for add afterwards keeps the modified row's destination.
    f.edit("Edit21")->setText(u"杭州"_qs);
    f.click("Button6");
    QCOMPARE(f.edit("Edit21")->text(), u"杭州"_qs);
}

void TestMainWindow::modifyWritesOnlyWhatTheUserChanged()
{
    Fixture f({{u"甲"_qs, QStringLiteral("111"), u"甲地址"_qs}});
    RawDb(f.dir.dbPath()).exec(u"update inrxx set 单位名称 = '甲公司', 备注 = '易碎'"_qs);
    f.action(QStringLiteral("N2"))->trigger(); // the list shows the stored row
    f.click("Button7");
    // 收件人信息 while the panel shows: the program empties Edit8 to Edit14.
    f.action(QStringLiteral("N2"))->trigger();
    QVERIFY(f.edit("Edit9")->text().isEmpty());
    f.type("Edit21", u"上海"_qs);
    f.click("Button5");
    QCOMPARE(f.dialogs.texts(QStringLiteral("notice")), QStringList{u"修改记录成功！"_qs});
    QCOMPARE(RawDb(f.dir.dbPath()).rows(u"select 单位名称, 收件人姓名, 目的地, 收件地址, 手机号码, 备注 from inrxx"_qs),
             QStringList{u"甲公司|甲|上海|甲地址|111|易碎"_qs});
}

void TestMainWindow::modifyOfRecordGoneWritesNothing()
{
    Fixture f({{u"甲"_qs, QStringLiteral("111"), u"甲地址"_qs}, {u"乙"_qs, QStringLiteral("222"), u"乙地址"_qs}});
    f.click("Button7"); // filled from 甲
    f.type("Edit12", QStringLiteral("010-1"));
    f.list().deleteCurrent(); // 甲 is deleted while the panel floats
    f.click("Button5");
    QCOMPARE(f.dialogs.texts(QStringLiteral("notice")),
             QStringList{u"正在修改的收件人已不在列表中（可能已被删除），修改未保存。"_qs});
    QCOMPARE(RawDb(f.dir.dbPath()).rows(u"select 收件人姓名, 联系电话 from inrxx"_qs), QStringList{u"乙|"_qs});
    // What the user typed is still there.
    QVERIFY(f.window->recipientView()->editor()->isVisibleTo(f.window));
    QCOMPARE(f.edit("Edit12")->text(), QStringLiteral("010-1"));
}

void TestMainWindow::unreachableSharedStoreKeepsTheProgramAndTheTypedEdits()
{
    Fixture f({{u"甲"_qs, QStringLiteral("111"), u"甲地址"_qs}});
    f.click("Button7"); // filled from 甲
    f.type("Edit12", QStringLiteral("010-1"));
    // The folder now shares its data with a server that does not answer.
    RawDb(f.dir.dbPath()).exec(QStringLiteral("create table shared_store (url TEXT)"));
    RawDb(f.dir.dbPath())
        .exec(QStringLiteral("insert into shared_store values ('postgresql://office@127.0.0.1:1/kuaidi')"));
    f.click("Button10"); // 刷新 reopens the lists
    QCOMPARE(f.dialogs.texts(QStringLiteral("error")).size(), 1);
    QVERIFY2(f.dialogs.texts(QStringLiteral("error")).first().contains(u"服务器没有响应"_qs),
             qPrintable(f.dialogs.texts(QStringLiteral("error")).first()));
    QVERIFY(f.window->recipientView()->editor()->isVisibleTo(f.window));
    QCOMPARE(f.edit("Edit12")->text(), QStringLiteral("010-1"));
    // The status bar says where the data live.
    auto *store = f.window->findChild<QLabel *>(QStringLiteral("Panel2Text"));
    QTRY_COMPARE_WITH_TIMEOUT(store->text(), u" 共享数据：127.0.0.1/kuaidi"_qs, 2500);
    // The lists could not open: 修改 finds nothing to modify, writes
    // nothing and keeps what was typed.
    f.dialogs.clear();
    f.click("Button5");
    QCOMPARE(f.dialogs.entries, QList<Entry>{notice(u"当前修改信息为空！"_qs)});
    QCOMPARE(f.edit("Edit12")->text(), QStringLiteral("010-1"));
    QCOMPARE(RawDb(f.dir.dbPath()).rows(u"select 联系电话 from inrxx"_qs), QStringList{QString()});
}

void TestMainWindow::modifyOnEmptyList()
{
    Fixture f;
    f.click("Button7");
    for (const char *name : {"Edit8", "Edit9", "Edit21", "Edit22"})
        QVERIFY(f.edit(name)->text().isEmpty());
    f.type("Edit9", u"名"_qs);
    f.click("Button5");
    QCOMPARE(f.dialogs.entries, QList<Entry>{notice(u"当前修改信息为空！"_qs)});
    QVERIFY(f.window->recipientView()->editor()->isVisibleTo(f.window));
    QVERIFY(f.names().isEmpty());
}

void TestMainWindow::deleteAndDeleteAll_data()
{
    QTest::addColumn<QString>("operation"); // "one" or "all"
    QTest::addColumn<QString>("search");    // name search before the operation
    QTest::addColumn<int>("current");
    QTest::addColumn<int>("answer"); // 1 Yes, 0 No, -1 Enter (the default button)
    QTest::addColumn<QStringList>("remaining");
    QTest::addColumn<int>("currentAfter");
    const QStringList all{u"张一"_qs, u"李二"_qs, u"张三"_qs};
    QTest::newRow("delete middle") << "one"
                                   << "" << 1 << 1 << QStringList{u"张一"_qs, u"张三"_qs} << 1;
    QTest::newRow("delete last") << "one"
                                 << "" << 2 << 1 << QStringList{u"张一"_qs, u"李二"_qs} << 1;
    QTest::newRow("delete answered no") << "one"
                                        << "" << 0 << 0 << all << 0;
    QTest::newRow("delete by Enter keeps it") << "one"
                                              << "" << 1 << -1 << all << 1;
    QTest::newRow("delete all") << "all"
                                << "" << 0 << 1 << QStringList{} << -1;
    QTest::newRow("delete all answered no") << "all"
                                            << "" << 0 << 0 << all << 0;
    QTest::newRow("delete all by Enter keeps them") << "all"
                                                    << "" << 0 << -1 << all << 0;
    QTest::newRow("delete all during search") << "all" << u"张"_qs << 0 << 1 << QStringList{u"李二"_qs} << -1;
}

void TestMainWindow::deleteAndDeleteAll()
{
    QFETCH(QString, operation);
    QFETCH(QString, search);
    QFETCH(int, current);
    QFETCH(int, answer);
    QFETCH(QStringList, remaining);
    QFETCH(int, currentAfter);
    Fixture f(
        {{u"张一"_qs, QStringLiteral("1")}, {u"李二"_qs, QStringLiteral("2")}, {u"张三"_qs, QStringLiteral("3")}});
    if (!search.isEmpty()) {
        f.type("Edit15", search);
        f.click("Button9");
    }
    f.list().moveTo(current);
    if (answer >= 0)
        f.dialogs.confirmAnswers = {answer == 1};
    const QString question =
        operation == QStringLiteral("one") ? u"确定要删除选中的记录？"_qs : u"确定要删除全部记录？"_qs;
    if (operation == QStringLiteral("one"))
        f.click("Button8");
    else
        f.action(QStringLiteral("N15"))->trigger();
    QCOMPARE(f.dialogs.entries, QList<Entry>{confirmNoDefault(question)});
    QCOMPARE(f.names(), remaining);
    QCOMPARE(f.list().currentRow(), currentAfter);
    if (!search.isEmpty()) { // a refresh shows the rest
        f.click("Button10");
        QCOMPARE(f.list().rowCount(), int(remaining.size()));
    }

    // On an empty list: a notice for delete, nothing at all for delete all.
    f.list().deleteAll();
    f.dialogs.clear();
    f.click("Button8");
    f.action(QStringLiteral("N15"))->trigger();
    QCOMPARE(f.dialogs.entries,
             (QList<Entry>{notice(u"不能删除空信息！"_qs), confirmNoDefault(u"确定要删除全部记录？"_qs)}));
}

void TestMainWindow::searchAndRefresh()
{
    Fixture f({{u"张三"_qs, QStringLiteral("13800000000")},
               {u"李四"_qs, QStringLiteral("15913000000")},
               {u"王五"_qs, QStringLiteral("15900000013")},
               {u"张'\"%_"_qs, QStringLiteral("1")}});
    const auto listed = [&] {
        QStringList names;
        for (int row = 0; row < f.list().rowCount(); ++row)
            names << f.list().valueAt(row, f.list().columnIndex(col::kRecipientName));
        return names;
    };
    f.click("Button9"); // both empty: nothing happens
    QCOMPARE(listed().size(), 4);
    f.type("Edit15", u"张"_qs);
    f.click("Button9");
    QCOMPARE(listed(), (QStringList{u"张三"_qs, u"张'\"%_"_qs}));
    f.type("Edit25", QStringLiteral("13"));
    QTest::keyClick(f.edit("Edit25"), Qt::Key_Return); // Enter searches, as 查 询 does; the mobile search stands
    QCOMPARE(listed(), (QStringList{u"张三"_qs, u"李四"_qs, u"王五"_qs}));
    f.type("Edit25", QString());
    f.type("Edit15", QStringLiteral("'\"%"));
    f.click("Button9");
    QCOMPARE(listed(), QStringList{u"张'\"%_"_qs});
    QVERIFY(f.dialogs.entries.isEmpty());

    f.type("Edit25", QStringLiteral("13000"));
    f.click("Button10"); // empties the name box only
    QVERIFY(f.edit("Edit15")->text().isEmpty());
    QCOMPARE(f.edit("Edit25")->text(), QStringLiteral("13000"));
    QCOMPARE(listed().size(), 4);
    QCOMPARE(f.list().currentRow(), 0);
    f.click("Button9");
    QCOMPARE(listed(), QStringList{u"李四"_qs});
}

void TestMainWindow::longListIsReadWhereTheGridShowsIt_data()
{
    QTest::addColumn<QString>("reach"); // how the user gets to the last row
    QTest::addColumn<QString>("search");
    QTest::addColumn<int>("rows"); // the rows the list shows
    QTest::newRow("Ctrl+End") << "Ctrl+End"
                              << "" << 1000;
    QTest::newRow("scrolling down") << "scroll"
                                    << "" << 1000;
    QTest::newRow("Ctrl+End in a search") << "Ctrl+End"
                                          << "r9" << 111;
}

void TestMainWindow::longListIsReadWhereTheGridShowsIt()
{
    QFETCH(QString, reach);
    QFETCH(QString, search);
    QFETCH(int, rows);
    Fixture f;
    fillRecipients(f.dir.dbPath(), kRecipientTable, 1000, QStringLiteral("r"));
    f.click("Button10");
    if (!search.isEmpty()) {
        f.type("Edit15", search);
        f.click("Button9");
    }
    RecordGrid *grid = f.window->recipientView()->grid();
    f.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.window));
    // The grid shows the rows it has read, not the whole list.
    QVERIFY(grid->model()->rowCount() < rows || rows < 256);
    if (reach == QStringLiteral("Ctrl+End")) {
        grid->setFocus();
        QTest::keyClick(grid, Qt::Key_End, Qt::ControlModifier);
    } else {
        for (int i = 0; i < 20 && grid->model()->canFetchMore({}); ++i) {
            grid->verticalScrollBar()->setValue(grid->verticalScrollBar()->maximum());
            QApplication::processEvents();
        }
        grid->setCurrentIndex(grid->model()->index(grid->model()->rowCount() - 1, 0));
    }
    QCOMPARE(grid->model()->rowCount(), rows);
    QCOMPARE(f.list().currentRow(), rows - 1);
    const QString last = f.list().value(col::kRecipientName);
    QCOMPARE(last, search.isEmpty() ? QStringLiteral("r1000") : QStringLiteral("r999"));

    // The last row is modified and deleted as any other.
    f.window->recipientView()->Button7Click();
    f.type("Edit9", u"末行"_qs);
    f.click("Button5");
    QCOMPARE(RawDb(f.dir.dbPath()).rows(u"select count(*) from inrxx where 收件人姓名 = '末行'"_qs),
             QStringList{QStringLiteral("1")});
    QStringList shown;
    for (int column = 0; column < grid->model()->columnCount(); ++column)
        shown << grid->model()->index(rows - 1, column).data().toString();
    QVERIFY2(shown.contains(u"末行"_qs), qPrintable(shown.join(QLatin1Char('|'))));
    f.dialogs.confirmAnswers = {true};
    f.click("Button8");
    QCOMPARE(RawDb(f.dir.dbPath()).rows(u"select count(*) from inrxx"_qs), QStringList{QStringLiteral("999")});
    QCOMPARE(grid->model()->rowCount(), rows - 1);
    QCOMPARE(f.list().currentRow(), rows - 2);
}

void TestMainWindow::recipientEntryResetsListAndChainEdits()
{
    Fixture f({{u"甲"_qs, QStringLiteral("1")}, {u"乙"_qs, QStringLiteral("2")}});
    f.type("Edit15", u"乙"_qs);
    f.click("Button9");
    QCOMPARE(f.list().rowCount(), 1);
    f.click("Button6");
    const char *edits[] = {"Edit8",  "Edit9",  "Edit10", "Edit11", "Edit12",
                           "Edit13", "Edit14", "Edit21", "Edit26", "Edit22"};
    for (const char *name : edits)
        f.edit(name)->setText(QStringLiteral("x"));
    f.window->N1Click();
    f.action(QStringLiteral("N2"))->trigger();
    QCOMPARE(f.list().rowCount(), 2);
    QVERIFY(!f.window->senderPanel()->isVisible());
    for (const char *name : edits) {
        const bool kept = QByteArray(name) == "Edit21" || QByteArray(name) == "Edit26" || QByteArray(name) == "Edit22";
        QCOMPARE(f.edit(name)->text(), kept ? QStringLiteral("x") : QString());
    }
}

void TestMainWindow::viewsSwitch()
{
    Fixture f;
    f.window->show();
    RecipientView *view = f.window->recipientView();
    QVERIFY(view->toolbar()->isVisible());
    QVERIFY(!f.window->senderPanel()->isVisible());
    QVERIFY(!view->editor()->isVisible());
    f.click("Button6");
    QVERIFY(view->editor()->isVisible());
    f.action(QStringLiteral("N1"))->trigger();
    QVERIFY(f.window->senderPanel()->isVisible());
    QVERIFY(!view->editor()->isVisible());
    QVERIFY(!view->toolbar()->isVisible());
    f.click("Button2");
    QVERIFY(view->toolbar()->isVisible());
    QVERIFY(!f.window->senderPanel()->isVisible());

    // The editor panel moves with the left button on its background and
    // stays inside the window.
    f.click("Button6");
    QWidget *panel = view->editor();
    const QPoint start = panel->pos();
    QTest::mousePress(panel, Qt::LeftButton, {}, QPoint(5, 5));
    QMouseEvent move(QEvent::MouseMove, QPointF(45, 25), panel->mapToGlobal(QPointF(45, 25)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(panel, &move);
    QTest::mouseRelease(panel, Qt::LeftButton, {}, QPoint(45, 25));
    QCOMPARE(panel->pos(), start + QPoint(40, 20));
    QMouseEvent far(QEvent::MouseMove, QPointF(-3000, -3000), QPointF(), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QTest::mousePress(panel, Qt::LeftButton, {}, QPoint(5, 5));
    QApplication::sendEvent(panel, &far);
    QTest::mouseRelease(panel, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(panel->pos(), QPoint(0, 0));
    QTest::mouseClick(panel->findChild<QWidget *>(QStringLiteral("Image1")), Qt::LeftButton);
    QVERIFY(!panel->isVisible());
}

void TestMainWindow::gridShowsColumnsAndFollowsCurrentRow()
{
    Fixture f({{u"甲"_qs, QStringLiteral("1")}, {u"乙"_qs, QStringLiteral("2")}, {u"丙"_qs, QStringLiteral("3")}});
    f.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.window));
    RecordGrid *grid = f.window->recipientView()->grid();
    QStringList titles;
    QList<int> widths;
    for (int i = 0; i < grid->model()->columnCount(); ++i) {
        titles << grid->model()->headerData(i, Qt::Horizontal).toString();
        widths << grid->columnWidth(i);
    }
    QCOMPARE(titles,
             (QStringList{u"单位名称"_qs, u"姓 名"_qs, u"目的地"_qs, u"收件地址"_qs, u"邮政编码"_qs, u"联系电话"_qs,
                          u"手机号码"_qs, u"内件品名"_qs, u"数 量"_qs, u"备 注"_qs}));
    QCOMPARE(widths, (QList<int>{150, 60, 60, 230, 60, 80, 80, 80, 60, 80}));
    QCOMPARE(grid->toolTip(), u"双击可以修改收件人信息"_qs);
    QCOMPARE(grid->editTriggers(), QAbstractItemView::NoEditTriggers);

    grid->setCurrentIndex(grid->model()->index(2, 1)); // a click on row 3
    QCOMPARE(f.list().currentRow(), 2);
    f.list().moveTo(1);
    QCOMPARE(grid->currentIndex().row(), 1);
    // A double-click opens the editor on the current row.
    const QPoint cell = grid->visualRect(grid->model()->index(1, 1)).center();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell);
    QCOMPARE(f.edit("Edit9")->text(), u"乙"_qs);
    QVERIFY(f.button("Button5")->isVisibleTo(f.window));
}

void TestMainWindow::exportEntries_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QList<Entry>>("messages");
    QTest::newRow("main menu") << "N19"
                               << "list"
                               << "list.xls" << QList<Entry>{{"save", ""}, hint(u"成功导出全部数据!"_qs)};
    QTest::newRow("context menu, name ending in .xls")
        << "N32"
        << "list.XLS"
        << "list.XLS" << QList<Entry>{{"save", ""}, notice(u"成功导出全部数据！"_qs)};
    QTest::newRow("cancelled") << "N19"
                               << ""
                               << "" << QList<Entry>{{"save", ""}};
}

void TestMainWindow::exportEntries()
{
    QFETCH(QString, entry);
    QFETCH(QString, answer);
    QFETCH(QString, file);
    QFETCH(QList<Entry>, messages);
    Fixture f({{u"甲"_qs, QStringLiteral("1")}, {u"乙"_qs, QStringLiteral("2")}, {u"丙"_qs, QStringLiteral("3")}});
    f.list().moveTo(1);
    f.dialogs.fileAnswers = {answer.isEmpty() ? QString() : f.dir.file(answer)};
    f.action(entry)->trigger();
    QCOMPARE(f.dialogs.entries, messages);
    QCOMPARE(QDir(f.dir.path()).entryList({QStringLiteral("*.xls"), QStringLiteral("*.XLS")}),
             file.isEmpty() ? QStringList{} : QStringList{file});
    QCOMPARE(f.list().currentRow(), 1); // the selected recipient stays selected
}

void TestMainWindow::failedRestoreReopensListsAndClosedListIsNotExported()
{
    TempWorkdir dir;
    RawDb(dir.dbPath()).addRecipient(schema::kRecipientTable, u"甲"_qs, QStringLiteral("1"));
    RecordingDialogs dialogs;
    WindowRegistry registry;
    registerWindows(registry);
    registry.createAll();
    auto *main = registry.windowAs<MainWindow>(window_class::kMain);
    writeAll(dir.file(QStringLiteral("junk.bak")), "junk");
    dialogs.fileAnswers = {dir.file(QStringLiteral("junk.bak"))};
    registry.window(QStringLiteral("TSjbfForm"))->findChild<QPushButton *>(QStringLiteral("Button2"))->click();
    QVERIFY(dialogs.texts(QStringLiteral("hint")).value(0).startsWith(u"数据恢复失败，请重试！"_qs));
    // data.mdb is untouched, and the main window's lists show it again.
    QCOMPARE(main->data().recipients.rowCount(), 1);
    QCOMPARE(main->data().sender.isOpen(), true);

    // A list that a failed reopen left closed is never exported as empty.
    main->data().disconnect();
    dialogs.clear();
    dialogs.fileAnswers = {dir.file(QStringLiteral("list"))};
    main->findChild<QAction *>(QStringLiteral("N19"))->trigger();
    QCOMPARE(dialogs.texts(QStringLiteral("error")).size(), 1);
    QCOMPARE(dialogs.texts(QStringLiteral("hint")), QStringList{});
    QVERIFY(!QFileInfo::exists(dir.file(QStringLiteral("list.xls"))));
    registry.destroyAll();
}

void TestMainWindow::enterPressesTheFocusedButtonAndDialogsSpeakChinese()
{
    installButtonEnterKeys(*qApp);
    Fixture f;
    f.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.window));
    f.action(QStringLiteral("N1"))->trigger();
    // The sender chain ends on 保 存: Enter there saves (and checks first).
    f.edit("Edit2")->setText(QString());
    QPushButton *save = f.senderButton("Button1");
    save->setFocus();
    QVERIFY(save->hasFocus());
    QTest::keyClick(save, Qt::Key_Return);
    QTRY_COMPARE(f.dialogs.entries.size(), qsizetype(1));
    QCOMPARE(f.dialogs.entries.first().kind, QStringLiteral("hint")); // the save checked the name

    // Qt's own dialogs and buttons in Chinese.
    QVERIFY(installChineseTranslations(*qApp));
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), u"取消"_qs);
}

void TestMainWindow::keysRunTheirCommands_data()
{
    // The key, the widget with the focus when it is pressed, and what it did.
    QTest::addColumn<QKeySequence>("key");
    QTest::addColumn<QString>("focus");
    QTest::addColumn<QString>("expected");
    QTest::newRow("Ctrl+N") << QKeySequence(Qt::CTRL | Qt::Key_N) << "Edit25"
                            << "editor for add";
    QTest::newRow("Ins in the list") << QKeySequence(Qt::Key_Insert) << "DBGridEh1"
                                     << "editor for add";
    QTest::newRow("F2 in the list") << QKeySequence(Qt::Key_F2) << "DBGridEh1"
                                    << "editor for modify";
    QTest::newRow("Del in the list") << QKeySequence(Qt::Key_Delete) << "DBGridEh1"
                                     << "asked to delete";
    QTest::newRow("Del in a search box deletes text only") << QKeySequence(Qt::Key_Delete) << "Edit25"
                                                           << "nothing";
    QTest::newRow("Ctrl+F") << QKeySequence(Qt::CTRL | Qt::Key_F) << "DBGridEh1"
                            << "name search";
    QTest::newRow("F5") << QKeySequence(Qt::Key_F5) << "DBGridEh1"
                        << "refreshed";
    QTest::newRow("Ctrl+P") << QKeySequence(Qt::CTRL | Qt::Key_P) << "DBGridEh1"
                            << "single print menu";
    QTest::newRow("Alt+S") << QKeySequence(Qt::ALT | Qt::Key_S) << "DBGridEh1"
                           << "sender view";
    QTest::newRow("Alt alone") << QKeySequence(Qt::Key_Alt) << "DBGridEh1"
                               << "menu bar";
    QTest::newRow("F10") << QKeySequence(Qt::Key_F10) << "DBGridEh1"
                         << "menu bar";
    QTest::newRow("Esc in the editor") << QKeySequence(Qt::Key_Escape) << "Edit9"
                                       << "editor closed";
}

void TestMainWindow::keysRunTheirCommands()
{
    QFETCH(QKeySequence, key);
    QFETCH(QString, focus);
    QFETCH(QString, expected);
    installMenuBarKey(*qApp);
    Fixture f({{u"张一"_qs, QStringLiteral("1")}, {u"李二"_qs, QStringLiteral("2")}});
    f.window->show();
    QApplication::setActiveWindow(f.window);
    QVERIFY(QTest::qWaitForWindowActive(f.window));
    f.edit("Edit15")->setText(u"张"_qs);
    if (focus == QStringLiteral("Edit9"))
        f.window->recipientView()->Button7Click();
    auto *target = f.window->findChild<QWidget *>(focus);
    target->setFocus();
    QVERIFY(target->hasFocus());
    f.dialogs.confirmAnswers = {false};
    const QKeyCombination combination = key[0];
    if (combination.key() == Qt::Key_Alt) {
        QTest::keyPress(target, Qt::Key_Alt, Qt::AltModifier);
        QTest::keyRelease(target, Qt::Key_Alt);
    } else {
        QTest::keySequence(target, key);
    }
    QWidget *editor = f.window->recipientView()->editor();
    QString did = QStringLiteral("nothing");
    if (expected == QStringLiteral("editor for add") || expected == QStringLiteral("editor for modify"))
        did = !editor->isVisible()                     ? QStringLiteral("editor closed")
            : f.button("Button3")->isVisibleTo(editor) ? QStringLiteral("editor for add")
                                                       : QStringLiteral("editor for modify");
    else if (expected == QStringLiteral("asked to delete"))
        did = f.dialogs.texts(QStringLiteral("confirm (No default)")) == QStringList{u"确定要删除选中的记录？"_qs}
            ? expected
            : QStringLiteral("not asked");
    else if (expected == QStringLiteral("nothing"))
        did = f.dialogs.entries.isEmpty() && f.list().rowCount() == 2 ? QStringLiteral("nothing")
                                                                      : QStringLiteral("something");
    else if (expected == QStringLiteral("name search"))
        did = f.edit("Edit15")->hasFocus() && f.edit("Edit15")->selectedText() == u"张"_qs
            ? expected
            : QStringLiteral("not there");
    else if (expected == QStringLiteral("refreshed"))
        did = f.edit("Edit15")->text().isEmpty() ? expected : QStringLiteral("not refreshed");
    else if (expected == QStringLiteral("single print menu"))
        did = QApplication::activePopupWidget() == f.window->findChild<QMenu *>(QStringLiteral("N16"))
            ? expected
            : QStringLiteral("no menu");
    else if (expected == QStringLiteral("sender view"))
        did = f.window->senderPanel()->isVisible() ? expected : QStringLiteral("list view");
    else if (expected == QStringLiteral("menu bar"))
        did = f.window->menuBar()->activeAction() == f.action(QStringLiteral("N1")) ? expected
                                                                                    : QStringLiteral("not reached");
    else if (expected == QStringLiteral("editor closed"))
        did = editor->isVisible() ? QStringLiteral("editor open") : expected;
    if (QWidget *popup = QApplication::activePopupWidget())
        popup->close();
    QCOMPARE(did, expected);
    // Every entry of a menu has its own access letter.
    for (const char *menu : {"MainMenu1", "PopupMenu1", "N21"}) {
        QStringList letters;
        for (QAction *action : f.window->findChild<QWidget *>(QLatin1String(menu))->actions())
            if (!action->isSeparator())
                letters << QKeySequence::mnemonic(action->text()).toString();
        QVERIFY2(!letters.contains(QString())
                     && QSet<QString>(letters.cbegin(), letters.cend()).size() == letters.size(),
                 qPrintable(letters.join(QLatin1Char(' '))));
    }
    f.window->hide();
}

void TestMainWindow::editorTakesTheFocusAndTabsInReadingOrder()
{
    Fixture f({{u"张一"_qs, QStringLiteral("1")}});
    f.window->show();
    QApplication::setActiveWindow(f.window);
    QVERIFY(QTest::qWaitForWindowActive(f.window));
    f.click("Button6");
    QWidget *at = QApplication::focusWidget();
    QVERIFY(at);
    QStringList walked{at->objectName()};
    for (int i = 0; i < 13; ++i) {
        QTest::keyClick(at, Qt::Key_Tab);
        at = QApplication::focusWidget();
        walked << at->objectName();
    }
    QCOMPARE(walked,
             (QStringList{u"PasteEdit"_qs, u"PasteButton"_qs, u"Edit8"_qs, u"Edit9"_qs, u"Edit21"_qs, u"Edit10"_qs,
                          u"Edit11"_qs, u"Edit12"_qs, u"Edit13"_qs, u"Edit26"_qs, u"Edit22"_qs, u"Edit14"_qs,
                          u"Button3"_qs, u"Button4"_qs}));
    // After an add the next recipient starts at the paste box again; a
    // modify starts at the first field.
    f.type("Edit9", u"王五"_qs);
    f.type("Edit10", u"北京"_qs);
    f.type("Edit13", QStringLiteral("139"));
    f.click("Button3");
    QCOMPARE(QApplication::focusWidget()->objectName(), u"PasteEdit"_qs);
    f.window->recipientView()->Button7Click();
    QCOMPARE(QApplication::focusWidget()->objectName(), u"Edit8"_qs);
    f.window->hide();
}

void TestMainWindow::unopenedHelpSaysWhereItIs_data()
{
    // The desktop's opener (xdg-open) as it ends, the address, and what the
    // message names (empty: no message).
    QTest::addColumn<int>("openerStatus");
    QTest::addColumn<QUrl>("url");
    QTest::addColumn<QString>("named");
    QTest::newRow("no web browser") << 3 << MainWindow::questionsUrl()
                                    << QDir::toNativeSeparators(MainWindow::questionsUrl().toLocalFile());
    QTest::newRow("no mail program") << 4 << MainWindow::supportMailUrl() << u"support@kestrine-waybill.cn"_qs;
    QTest::newRow("opened") << 0 << MainWindow::homePageUrl() << QString();
}

void TestMainWindow::unopenedHelpSaysWhereItIs()
{
    QFETCH(int, openerStatus);
    QFETCH(QUrl, url);
    QFETCH(QString, named);
    QTemporaryDir bin;
    writeAll(bin.filePath(QStringLiteral("xdg-open")),
             QStringLiteral("#!/bin/sh\nexit %1\n").arg(openerStatus).toUtf8());
    QFile::setPermissions(bin.filePath(QStringLiteral("xdg-open")), QFile::ReadOwner | QFile::ExeOwner);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(bin.path()) + ':' + path);
    QtDialogs real;
    QString shown;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            shown = box->text();
            box->accept();
        }
    });
    poll.start(20);
    real.openUrl(url);
    if (named.isEmpty()) {
        QTest::qWait(1500);
        QCOMPARE(shown, QString());
    } else {
        QTRY_VERIFY(!shown.isEmpty());
        QVERIFY2(shown.contains(named), qPrintable(shown));
    }
    qputenv("PATH", path);
}

void TestMainWindow::messageBoxesFitTheirTitle_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("notice (the application's title)") << "notice";
    QTest::newRow("error") << "error";
    QTest::newRow("question") << "confirm";
}

void TestMainWindow::messageBoxesFitTheirTitle()
{
    QFETCH(QString, kind);
    QtDialogs real;
    int width = 0;
    QString title;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()); box && box->isVisible()) {
            width = box->width();
            title = box->windowTitle();
            box->reject();
        }
    });
    poll.start(20);
    if (kind == QStringLiteral("notice"))
        real.notice(nullptr, u"好"_qs);
    else if (kind == QStringLiteral("error"))
        real.error(nullptr, u"好"_qs);
    else
        real.confirm(nullptr, u"好？"_qs);
    QFont font = QApplication::font("QMdiSubWindowTitleBar");
    font.setBold(true);
    QVERIFY(!title.isEmpty());
    QVERIFY2(width >= QFontMetrics(font).horizontalAdvance(title) + 100, qPrintable(QString::number(width)));
}

void TestMainWindow::enterAnswersTheDefaultButton_data()
{
    QTest::addColumn<bool>("yesIsDefault");
    QTest::newRow("nothing lost: Yes") << true;
    QTest::newRow("the user's data lost: No") << false;
}

void TestMainWindow::enterAnswersTheDefaultButton()
{
    // The real message box: Enter presses its default button.
    QFETCH(bool, yesIsDefault);
    QtDialogs real;
    bool pressed = false;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        if (QWidget *box = QApplication::activeModalWidget(); box && !pressed) {
            pressed = true;
            QTest::keyClick(box, Qt::Key_Return);
        }
    });
    poll.start(10);
    QCOMPARE(real.confirm(nullptr, u"确定要删除全部记录？"_qs, yesIsDefault), yesIsDefault);
    QVERIFY(pressed);
}

void TestMainWindow::windowPlaceKeepsTheFrameOnTheScreen_data()
{
    // The main window (1017 x 653 with its menu bar) with a 4/30/4/4 frame,
    // on screens at a scale: the available area in the program's pixels,
    // a 40-pixel panel below. Sizes worked out by hand.
    QTest::addColumn<QRect>("available");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("centred");
    QTest::addColumn<QPoint>("keepAt");
    const auto row = [](const char *name, int width, int height, double scale, QSize size) {
        QTest::newRow(name) << QRect(0, 0, int(width / scale), int(height / scale) - 40) << size << true << QPoint();
    };
    row("1366x768 at 100%", 1366, 768, 1, QSize(1017, 653));
    row("1366x768 at 125%", 1366, 768, 1.25, QSize(1017, 540));
    row("1366x768 at 150%", 1366, 768, 1.5, QSize(902, 438));
    row("1366x768 at 200%", 1366, 768, 2, QSize(675, 310));
    row("1920x1080 at 100%", 1920, 1080, 1, QSize(1017, 653));
    row("1920x1080 at 125%", 1920, 1080, 1.25, QSize(1017, 653));
    row("1920x1080 at 150%", 1920, 1080, 1.5, QSize(1017, 646));
    row("1920x1080 at 200%", 1920, 1080, 2, QSize(952, 466));
    row("3840x2160 at 150%", 3840, 2160, 1.5, QSize(1017, 653));
    row("3840x2160 at 200%", 3840, 2160, 2, QSize(1017, 653));
    QTest::newRow("second screen to the right") << QRect(1920, 0, 683, 344) << QSize(675, 310) << true << QPoint();
    QTest::newRow("moved above and left of the screen")
        << QRect(0, 0, 960, 500) << QSize(952, 466) << false << QPoint(-57, -94);
    QTest::newRow("moved past the bottom right")
        << QRect(0, 0, 1366, 728) << QSize(1017, 653) << false << QPoint(900, 600);
}

void TestMainWindow::windowPlaceKeepsTheFrameOnTheScreen()
{
    QFETCH(QRect, available);
    QFETCH(QSize, size);
    QFETCH(bool, centred);
    QFETCH(QPoint, keepAt);
    const QMargins frame(4, 30, 4, 4);
    const WindowPlace place =
        fitToArea(QSize(1017, 653), frame, available, centred ? std::nullopt : std::optional<QPoint>(keepAt));
    QCOMPARE(place.size, size);
    const QRect outer(place.framePos, place.size + QSize(8, 34));
    QVERIFY2(
        available.contains(outer),
        qPrintable(QStringLiteral("%1,%2 %3x%4").arg(outer.x()).arg(outer.y()).arg(outer.width()).arg(outer.height())));
    if (centred) {
        QVERIFY(qAbs((outer.left() - available.left()) - (available.right() - outer.right())) <= 1);
        QVERIFY(qAbs((outer.top() - available.top()) - (available.bottom() - outer.bottom())) <= 1);
    }
}

void TestMainWindow::mainWindowFitsSmallScreens_data()
{
    QTest::addColumn<QRect>("available");
    QTest::newRow("1366x768 at 200%") << QRect(0, 0, 683, 344);
    QTest::newRow("1366x768 at 125%") << QRect(0, 0, 1092, 574);
    QTest::newRow("1920x1080 at 200%, second screen") << QRect(1366, 0, 960, 500);
    QTest::newRow("1366x768 at 100%") << QRect(0, 0, 1366, 728);
}

void TestMainWindow::mainWindowFitsSmallScreens()
{
    QFETCH(QRect, available);
    Fixture f;
    f.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.window));
    const QSize natural = f.window->sizeHint();
    placeOnScreen(f.window, available);
    const QSize framing = f.window->frameGeometry().size() - f.window->geometry().size();
    QTRY_COMPARE(f.window->size(), natural.boundedTo(available.size() - framing));
    QVERIFY(available.contains(f.window->frameGeometry()));
    // Menu bar on top, status bar at the bottom, the client area between
    // them scrolls to every corner of the 1017 x 605 client.
    QCOMPARE(f.window->menuBar()->geometry().top(), 0);
    QVERIFY(f.window->menuBar()->isVisible());
    QCOMPARE(f.window->statusBar()->geometry().bottom(), f.window->height() - 1);
    // The clock and the help panels give way: the data file's panel stays in sight.
    const auto *last = f.window->findChild<QLabel *>(QStringLiteral("Panel2Text"));
    QTRY_VERIFY(last->geometry().right() < f.window->statusBar()->width());
    QVERIFY(last->width() >= last->fontMetrics().horizontalAdvance(last->text()));
    if (available.width() >= 1100)
        QCOMPARE(f.window->findChild<QWidget *>(QStringLiteral("Panel0"))->width(), 350);
    auto *scroll = qobject_cast<QScrollArea *>(f.window->centralWidget());
    QVERIFY(scroll);
    const QSize view = scroll->viewport()->size();
    QTRY_COMPARE(scroll->horizontalScrollBar()->maximum(), std::max(0, 1017 - view.width()));
    QTRY_COMPARE(scroll->verticalScrollBar()->maximum(), std::max(0, 605 - view.height()));
    if (natural.width() + framing.width() <= available.width()
        && natural.height() + framing.height() <= available.height())
        QCOMPARE(view, QSize(1017, 605));
    // Shown again on a large screen it has its described size again.
    placeOnScreen(f.window, QRect(0, 0, 1920, 1040));
    QTRY_COMPARE(f.window->size(), natural);
    f.window->hide();
}

void TestMainWindow::secondStartBringsTheFirstToTheFront_data()
{
    QTest::addColumn<bool>("sameFolder");
    QTest::addColumn<bool>("withWorkbook");
    QTest::newRow("same data.mdb") << true << false;
    QTest::newRow("same data.mdb, opened with a list") << true << true;
    QTest::newRow("another data.mdb") << false << false;
}

void TestMainWindow::secondStartBringsTheFirstToTheFront()
{
    // This test is the program already open on a data.mdb; the second
    // start is the real program started in a folder.
    QFETCH(bool, sameFolder);
    QFETCH(bool, withWorkbook);
    TempWorkdir first;
    SingleInstance running(first.dbPath());
    QCOMPARE(running.claim(), SingleInstance::Start::First);
    QStringList asked;
    connect(&running, &SingleInstance::activationRequested, this, [&](const QString &book) { asked << book; });

    QTemporaryDir other;
    const QString folder = sameFolder ? first.path() : other.path();
    if (!sameFolder)
        createEmptyDatabase(QDir(folder).filePath(kDatabaseFileName));
    const QString book = QDir(folder).filePath(u"名单.csv"_qs);
    writeAll(book, u"收件人姓名,收件地址,手机号码\r\n甲,北京,1\r\n"_qs.toUtf8());
    QProcess second;
    second.setWorkingDirectory(folder);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    second.setProcessEnvironment(environment);
    second.start(QStringLiteral(WAYBILL_BINARY), withWorkbook ? QStringList{book} : QStringList{});
    QVERIFY(second.waitForStarted());
    if (sameFolder) {
        // It hands over and ends at once, with no window of its own.
        QTRY_COMPARE_WITH_TIMEOUT(second.state(), QProcess::NotRunning, 30000);
        QCOMPARE(second.exitCode(), 0);
        QCOMPARE(asked, QStringList{withWorkbook ? book : QString()});
    } else {
        // Another data.mdb is another program's: it opens its own window.
        QTest::qWait(3000);
        QCOMPARE(second.state(), QProcess::Running);
        QCOMPARE(asked, QStringList{});
        second.kill();
        second.waitForFinished();
    }
}

void TestMainWindow::allWindowsCreatedInOrder()
{
    TempWorkdir dir;
    RecordingDialogs dialogs;
    WindowRegistry registry;
    registerWindows(registry);
    registry.createAll();
    const QString order = QStringLiteral(
        "TForm1 TSfForm TPlsfForm TDrForm TEsfForm TEPlsfForm TSjbfForm TStForm TPlstForm TEstForm TEplstForm "
        "TYtForm TPlytForm TEytForm TEplytForm TYdForm TPlydForm TEydForm TEplydForm TTtForm TPlttForm TEttForm "
        "TEplttForm TZtForm TPlztForm TEztForm TEplztForm TEmsForm TPlemsForm TEemsForm TEplemsForm TYt1Form "
        "TPlyt1Form TEyt1Form TEplyt1Form TZjsForm TplzjsForm TEzjsForm TEplzjsForm TSf1Form TPlsf1Form TEsf1Form "
        "TEPlsf1Form THtForm TPlhtForm TEhtForm TEplhtForm");
    QCOMPARE(registry.created().join(QLatin1Char(' ')), order);
    for (const QString &windowClass : registry.created()) {
        QWidget *window = registry.window(windowClass);
        QCOMPARE(window->property("windowClass").toString(), windowClass);
        QCOMPARE(window->objectName(), windowClass.mid(1));
    }

    // Every print entry of the main window opens its window, with its caption.
    auto *main = registry.windowAs<MainWindow>(window_class::kMain);
    const char *entries[][3] = {
        {"N26", "TSfForm", "单张打印顺丰快递单"},
        {"N34", "TPlsfForm", "批量打印顺丰快递单"},
        {"N64", "TSf1Form", "单张打印顺丰快递单"},
        {"N65", "TPlsf1Form", "批量打印顺丰快递单"},
        {"N33", "TStForm", "单张打印申通快递单"},
        {"N35", "TPlstForm", "批量打印申通快递单"},
        {"N56", "TYt1Form", "单张打印圆通快递单（详情单）"},
        {"N57", "TPlyt1Form", "批量打印圆通快递单（详情单）"},
        {"N36", "TYtForm", "单张打印圆通快递单"},
        {"N37", "TPlytForm", "批量打印圆通快递单"},
        {"N38", "TYdForm", "单张打印韵达快递单"},
        {"N39", "TPlydForm", "批量打印韵达快递单"},
        {"N40", "TTtForm", "单张打印天天快递单"},
        {"N41", "TPlttForm", "批量打印天天快递单"},
        {"N52", "TZtForm", "单张打印中通快递单"},
        {"N53", "TPlztForm", "批量打印中通快递单"},
        {"EMS1", "TEmsForm", "单张打印EMS快递单"},
        {"EMS2", "TPlemsForm", "批量打印EMS快递单"},
        {"N60", "TZjsForm", "单张打印宅急送快递单"},
        {"N61", "TplzjsForm", "批量打印宅急送快递单"},
        {"N5", "THtForm", "单张打印汇通快递单"},
        {"N6", "TPlhtForm", "批量打印汇通快递单"},
    };
    QStringList opened;
    dialogs.onModal = [&](QWidget *window) {
        opened << window->property("windowClass").toString() + QLatin1Char(' ') + window->windowTitle();
    };
    for (const auto &entry : entries) {
        opened.clear();
        main->findChild<QAction *>(QLatin1String(entry[0]))->trigger();
        QCOMPARE(opened, QStringList{QString::fromLatin1(entry[1]) + QLatin1Char(' ') + QString::fromUtf8(entry[2])});
    }
    QCOMPARE(dialogs.texts(QStringLiteral("error")), QStringList{});

    // TEttForm brings the imported recipients window to the front before its
    // run; the other windows run at once.
    QWidget *imported = registry.window(QStringLiteral("TDrForm"));
    QStringList runs;
    PrintWindow::setRunner([&](PrintWindow &window) {
        runs << window.objectName() + (imported->isVisible() ? QStringLiteral(" after DrForm") : QString());
    });
    for (const char *windowClass : {"TEstForm", "TEttForm"})
        registry.window(QLatin1String(windowClass))->findChild<QAction *>(QStringLiteral("N1"))->trigger();
    installPreviewRunner();
    QCOMPARE(runs, (QStringList{QStringLiteral("EstForm"), QStringLiteral("EttForm after DrForm")}));
    registry.destroyAll();
}

void TestMainWindow::startedOutsideADataFolderItUsesTheUsersOwn()
{
    QTemporaryDir home;
    const QByteArray before = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath(QStringLiteral("share"))));
    const QString previous = QDir::currentPath();
    // A folder with a data.mdb keeps it (a start from the program's folder).
    {
        TempWorkdir dir;
        QCOMPARE(data_file::prepare({}), QDir(dir.path()).absoluteFilePath(u"data.mdb"_qs));
    }
    // A menu's start (the home folder): the user's data folder, made with
    // an empty data.mdb once, and the same file the next time.
    QDir::setCurrent(home.path());
    const QString folder = home.filePath(QStringLiteral("share/waybill"));
    const QString file = QDir(folder).filePath(u"data.mdb"_qs);
    QCOMPARE(data_file::prepare({}), file);
    QCOMPARE(data_file::userFolder(), folder);
    RawDb(file).addRecipient(kRecipientTable, u"留下"_qs, QStringLiteral("1"));
    QCOMPARE(data_file::prepare({}), file);
    QCOMPARE(RawDb(file).rows(u"select 收件人姓名 from inrxx"_qs), QStringList{u"留下"_qs});
    QCOMPARE(QDir::currentPath(), QDir(home.path()).canonicalPath()); // the working directory stays
    // The main window works on it and says which file is open.
    {
        data_file::use(file);
        RecordingDialogs dialogs;
        WindowRegistry registry;
        MainWindow window(registry);
        window.initialise(QDate(2026, 7, 5));
        window.Timer1Timer();
        QCOMPARE(window.data().recipients.rowCount(), 1);
        QCOMPARE(window.findChild<ElidedLabel *>(QStringLiteral("Panel2Text"))->fullText(),
                 u" 数据文件："_qs + QDir::toNativeSeparators(file));
        QCOMPARE(window.findChild<QLabel *>(QStringLiteral("Panel2Text"))->toolTip(), u"数据文件："_qs + file);
        data_file::use({});
    }
    QDir::setCurrent(previous);
    qputenv("XDG_DATA_HOME", before);
}

void TestMainWindow::desktopStartTakesTheDataFile_data()
{
    QTest::addColumn<QStringList>("args"); // DATA: the data file of the program already open
    QTest::newRow("--data FILE") << QStringList{"--data", "DATA"};
    QTest::newRow("--data=FILE") << QStringList{"--data=DATA"};
    QTest::newRow("--data FILE with a workbook") << QStringList{"--data", "DATA", "BOOK"};
}

void TestMainWindow::desktopStartTakesTheDataFile()
{
    // The program is already open on a data file; started from a folder of
    // its own with --data naming that file, the second start hands over to it.
    QFETCH(QStringList, args);
    TempWorkdir first;
    SingleInstance running(first.dbPath());
    QCOMPARE(running.claim(), SingleInstance::Start::First);
    QStringList asked;
    connect(&running, &SingleInstance::activationRequested, this, [&](const QString &book) { asked << book; });
    QTemporaryDir elsewhere;
    const QString book = QDir(elsewhere.path()).filePath(u"名单.csv"_qs);
    writeAll(book, u"收件人姓名,收件地址,手机号码\r\n甲,北京,1\r\n"_qs.toUtf8());
    args.replaceInStrings(u"DATA"_qs, first.dbPath()).replaceInStrings(u"BOOK"_qs, book);
    QProcess second;
    second.setWorkingDirectory(elsewhere.path());
    second.start(QStringLiteral(WAYBILL_BINARY), args);
    QVERIFY(second.waitForStarted());
    QTRY_COMPARE_WITH_TIMEOUT(second.state(), QProcess::NotRunning, 30000);
    QCOMPARE(second.exitCode(), 0);
    QCOMPARE(asked, QStringList{args.contains(book) ? book : QString()});
    QVERIFY(!QFileInfo::exists(QDir(elsewhere.path()).filePath(u"data.mdb"_qs)));
}

void TestMainWindow::statusBarNamesTheDataFile_data()
{
    QTest::addColumn<int>("depth"); // folders between the temporary directory and data.mdb
    QTest::addColumn<bool>("whole");
    QTest::newRow("a short path, whole") << 0 << true;
    QTest::newRow("a long path, elided in the middle") << 12 << false;
}

void TestMainWindow::statusBarNamesTheDataFile()
{
    QFETCH(int, depth);
    QFETCH(bool, whole);
    QTemporaryDir top(QDir::tempPath() + QStringLiteral("/w-XXXXXX")); // short enough to be shown whole
    QString folder = top.path();
    for (int i = 0; i < depth; ++i)
        folder += QStringLiteral(u"/办公室的数据文件夹%1").arg(i);
    QVERIFY(QDir().mkpath(folder));
    const QString file = QDir(folder).filePath(u"office.mdb"_qs);
    createEmptyDatabase(file);
    data_file::use(file);
    RecordingDialogs dialogs;
    WindowRegistry registry;
    MainWindow window(registry);
    window.initialise(QDate(2026, 7, 5));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.Timer1Timer();
    const auto *panel = window.findChild<QLabel *>(QStringLiteral("Panel2Text"));
    const QString full = u" 数据文件："_qs + QDir::toNativeSeparators(file);
    QCOMPARE(panel->toolTip(), u"数据文件："_qs + QDir::toNativeSeparators(file));
    QTRY_VERIFY(panel->fontMetrics().horizontalAdvance(panel->text()) <= panel->contentsRect().width());
    QVERIFY2(panel->geometry().right() < window.statusBar()->width(), "the panel stays in the status bar");
    if (whole) {
        QCOMPARE(panel->text(), full);
    } else {
        // Both ends stay: where the path starts and the file's name.
        const QString shown = panel->text();
        QVERIFY2(shown.contains(QChar(0x2026)) && shown.size() < full.size(), qPrintable(shown));
        QVERIFY2(shown.startsWith(full.left(8)) && shown.endsWith(u"/office.mdb"_qs), qPrintable(shown));
    }
    data_file::use({});
}

void TestMainWindow::rememberedPlaceComesBackOntoAScreen_data()
{
    // Two screens side by side (the primary one first), a 4/30/4/4 frame,
    // the main window 1017 x 653: where a remembered place goes.
    QTest::addColumn<QPoint>("saved");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QPoint>("framePos");
    QTest::addColumn<QSize>("placed");
    const QSize window(1017, 653);
    QTest::newRow("on the primary screen: kept") << QPoint(100, 50) << window << QPoint(100, 50) << window;
    QTest::newRow("on the second screen: kept") << QPoint(2000, 100) << window << QPoint(2000, 100) << window;
    QTest::newRow("half off the right of the second: pulled back")
        << QPoint(3200, 100) << window << QPoint(1920 + 1680 - 1025, 100) << window;
    QTest::newRow("above the top: moved down") << QPoint(100, -400) << window << QPoint(100, 0) << window;
    QTest::newRow("where no screen is now: onto the primary one")
        << QPoint(9000, 5000) << window << QPoint(1920 - 1025, 1040 - 687) << window;
    QTest::newRow("larger than the second screen now: shrunk on it")
        << QPoint(2000, 0) << QSize(1900, 1100) << QPoint(1920, 0) << QSize(1680 - 8, 1010 - 34);
}

void TestMainWindow::rememberedPlaceComesBackOntoAScreen()
{
    QFETCH(QPoint, saved);
    QFETCH(QSize, size);
    QFETCH(QPoint, framePos);
    QFETCH(QSize, placed);
    const QList<QRect> screens{QRect(0, 0, 1920, 1040), QRect(1920, 0, 1680, 1010)};
    const WindowPlace place = rememberedPlace({saved, size}, QMargins(4, 30, 4, 4), screens);
    QCOMPARE(place.framePos, framePos);
    QCOMPARE(place.size, placed);
}

void TestMainWindow::mainWindowOpensWhereItWasClosed_data()
{
    QTest::addColumn<QPoint>("saved");
    QTest::addColumn<bool>("kept");
    QTest::newRow("on the screen: there") << QPoint(20, 10) << true;
    QTest::newRow("off the screen: pulled back onto it") << QPoint(-5000, 9000) << false;
}

void TestMainWindow::mainWindowOpensWhereItWasClosed()
{
    QFETCH(QPoint, saved);
    QFETCH(bool, kept);
    QTemporaryDir config;
    const QByteArray before = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    TempWorkdir dir;
    remembered::setWindowPlace(u"Form1"_qs, {saved, QSize(1017, 653)});
    RecordingDialogs dialogs;
    WindowRegistry registry;
    registerWindows(registry);
    QCOMPARE(startDesktop(registry), 0);
    auto *main = registry.window(window_class::kMain);
    QVERIFY(QTest::qWaitForWindowExposed(main));
    // Placed with the frame known before it is shown (none offscreen; the
    // screen fit looks again once the window system has framed it).
    const QRect available = main->screen()->availableGeometry();
    const QRect placed(main->pos(), main->size());
    QVERIFY2(
        available.contains(placed),
        qPrintable(
            QStringLiteral("%1,%2 %3x%4").arg(placed.x()).arg(placed.y()).arg(placed.width()).arg(placed.height())));
    // The screen is narrower than the window: it is where it was from top to bottom.
    if (kept)
        QCOMPARE(main->pos().y(), saved.y());
    registry.destroyAll();
    qputenv("XDG_CONFIG_HOME", before);
}

void TestMainWindow::fileDialogWritesDatesInChinese()
{
    // The file list's date column, whatever the session's language, and
    // the dialog starts in the folder last used.
    QTemporaryDir config;
    const QByteArray before = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    QTemporaryDir folder;
    writeAll(folder.filePath(u"名单.csv"_qs), "a\r\n");
    remembered::setLastFolder(folder.path());
    QtDialogs real;
    QString date;
    QString shownFolder;
    int polls = 0;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        shownFolder = dialog->directory().absolutePath();
        for (QTreeView *view : dialog->findChildren<QTreeView *>()) {
            QAbstractItemModel *model = view->model();
            const QModelIndex root = view->rootIndex();
            for (int row = 0; row < model->rowCount(root); ++row)
                if (model->index(row, 0, root).data().toString() == u"名单.csv"_qs)
                    date = model->index(row, 3, root).data().toString();
        }
        // Closed once the date is read, or after ten seconds without it.
        if (!date.isEmpty() || ++polls > 200)
            dialog->reject();
    });
    poll.start(50);
    QCOMPARE(real.openFile(nullptr, u"选择"_qs, QString()), QString());
    QCOMPARE(shownFolder, QDir(folder.path()).absolutePath());
    const QDateTime modified = QFileInfo(folder.filePath(u"名单.csv"_qs)).lastModified();
    QCOMPARE(date, QLocale(QLocale::Chinese, QLocale::China).toString(modified, QLocale::ShortFormat));
    QVERIFY2(QRegularExpression(u"^\\d{4}/\\d{1,2}/\\d{1,2} \\d{1,2}:\\d{2}$"_qs).match(date).hasMatch(),
             qPrintable(date));
    qputenv("XDG_CONFIG_HOME", before);
}

void TestMainWindow::oldDataThatDoNotAddUpAreCarriedOnlyWhenAsked()
{
    TempWorkdir dir(false);
    const QByteArray damaged =
        jet_damage::zeroRecipientPage(readAll(QStringLiteral(WAYBILL_SOURCE_DIR "/tests/data/legacy-mdb/data-pw.mdb")));
    writeAll(dir.dbPath(), damaged);
    RecordingDialogs dialogs;
    // Convert: yes; carry what can be read: the default, No. Nothing changes.
    dialogs.confirmAnswers = {true};
    offerJetMigration(dir.dbPath());
    const QStringList asked = dialogs.texts(QStringLiteral("confirm (No default)"));
    QCOMPARE(asked.size(), 1);
    QVERIFY2(asked[0].contains(u"inrxx：表头写有 200 行，只读出"_qs) && asked[0].contains(u"是否只转换能读出的内容"_qs),
             qPrintable(asked[0]));
    QCOMPARE(readAll(dir.dbPath()), damaged);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"data.mdb"_qs});
    QVERIFY(dialogs.texts(QStringLiteral("notice")).isEmpty());
    // Yes to both: carried, and the notice says what was found.
    dialogs.clear();
    dialogs.confirmAnswers = {true, true};
    offerJetMigration(dir.dbPath());
    QVERIFY(!isJetDatabase(dir.dbPath()));
    const QStringList told = dialogs.texts(QStringLiteral("notice"));
    QCOMPARE(told.size(), 1);
    QVERIFY2(told[0].contains(u"能读出的内容"_qs) && told[0].contains(u"只读出"_qs), qPrintable(told[0]));
}

QTEST_MAIN(TestMainWindow)
#include "test_main_window.moc"

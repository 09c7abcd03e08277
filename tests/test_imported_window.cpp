// The imported recipients window offscreen: its 44 print entries, search
// and refresh, and the import panel driven through the dialog seam.

#include "import/import_procedure.h"
#include "import/imported_row_editor.h"
#include "import/imported_window.h"
#include "store/connection.h"
#include "store/db_error.h"
#include "store/print_log.h"
#include "store/schema.h"
#include "test_support.h"
#include "ui/column_mapping_dialog.h"
#include "ui/record_grid.h"
#include "ui/recording_dialogs.h"
#include "ui/remembered.h"
#include "ui/widgets.h"
#include "waybill/family.h"
#include "workbook_support.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

using namespace schema;
using Entry = RecordingDialogs::Entry;

namespace {

struct Fixture {
    Fixture()
    {
        RawDb raw(dir.dbPath());
        raw.addRecipient(kImportedTable, u"张三"_qs, QStringLiteral("13800000001"));
        raw.addRecipient(kImportedTable, u"李四"_qs, QStringLiteral("13900000138"));
        raw.addRecipient(kImportedTable, u"王五"_qs, QStringLiteral("15000000000"));
        window = std::make_unique<ImportedWindow>(
            [this] {
                if (failDateWrite)
                    throw DbError(QStringLiteral("outrxx closed"));
                dialogs.entries.append({QStringLiteral("date"), QString()});
            },
            [this](const QString &windowClass) -> QWidget * {
                auto &window = standIns[windowClass];
                if (!window) {
                    window = std::make_unique<QWidget>();
                    window->setObjectName(instanceName(windowClass));
                }
                return window.get();
            });
        window->FormCreate();
    }
    QLineEdit *edit(const char *name) const { return window->findChild<QLineEdit *>(QLatin1String(name)); }
    void click(const char *name) const
    {
        QTest::mouseClick(window->findChild<QAbstractButton *>(QLatin1String(name)), Qt::LeftButton);
    }
    QStringList listed() const
    {
        QStringList names;
        for (int row = 0; row < window->list().rowCount(); ++row)
            names << window->list().valueAt(row, window->list().columnIndex(col::kRecipientName));
        return names;
    }

    TempWorkdir dir;
    RecordingDialogs dialogs;
    bool failDateWrite = false;
    std::map<QString, std::unique_ptr<QWidget>> standIns;
    std::unique_ptr<ImportedWindow> window;
};

// Order numbers for the imported rows, in a column 订单号 made for them.
bool giveOrderNumbers(const QString &dbPath, const QStringList &orders)
{
    RawDb raw(dbPath);
    if (!orders.isEmpty() && !raw.exec(u"alter table excel add column 订单号 text"_qs))
        return false;
    for (int row = 0; row < orders.size(); ++row)
        if (!raw.exec(u"update excel set 订单号 = ? where rowid = ?"_qs, {orders[row], row + 1}))
            return false;
    return true;
}

// Print record entries, each: variant, name, mobile, address, order number.
void recordPrints(const QList<QStringList> &entries, const QDateTime &printedAt)
{
    QList<PrintLogEntry> written;
    for (const QStringList &entry : entries) {
        PrintLogEntry logged;
        logged.printedAt = printedAt;
        logged.courier = QStringLiteral("sf");
        logged.variant = entry[0];
        logged.recipient = {
            {col::kRecipientName, entry[1]}, {col::kMobile, entry[2]}, {col::kRecipientAddress, entry[3]}};
        if (!entry[4].isEmpty())
            logged.recipient.insert(col::kOrderNumber, entry[4]);
        written << logged;
    }
    Connection log(QStringLiteral("log"));
    PrintLog(log).append(written);
    log.close();
}

} // namespace

class TestImportedWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void printEntriesOpenImportedWindows_data();
    void printEntriesOpenImportedWindows();
    void failedDateWriteOpensNothing();
    void searchAndRefresh();
    void importPanel();
    void importedWorkbooksAreOfferedAgain();
    void unknownHeadingsAreMappedInADialog();
    void fileDialogOffersEveryFormatFirst();
    void replacingUnprintedRowsIsAsked_data();
    void replacingUnprintedRowsIsAsked();
    void printedRowsAreMarked_data();
    void printedRowsAreMarked();
    void rowEditorCompletesAMaskedMobile_data();
    void rowEditorCompletesAMaskedMobile();
    void layout();
    void keysSearchRefreshAndClose_data();
    void keysSearchRefreshAndClose();
};

void TestImportedWindow::printEntriesOpenImportedWindows_data()
{
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("caption");
    // Independent table: main-menu entry, pop-up entry, single window,
    // main-menu batch entry, pop-up batch entry, batch window, caption.
    const char *table[][7] = {
        {"N8", "N18", "EsfForm", "N10", "N23", "EPlsfForm", "顺丰快递单打印（版本一）"},
        {"N40", "N42", "Esf1Form", "N41", "N43", "EPlsf1Form", "顺丰快递单打印（版本二）"},
        {"N9", "N19", "EstForm", "N11", "N24", "EplstForm", "申通快递单打印"},
        {"N32", "N34", "Eyt1Form", "N33", "N35", "Eplyt1Form", "圆通快递单（详情单）打印"},
        {"N12", "N20", "EytForm", "N13", "N25", "EplytForm", "圆通快递单打印"},
        {"N14", "N21", "EydForm", "N15", "N26", "EplydForm", "韵达快递单打印"},
        {"N16", "N22", "EttForm", "N17", "N27", "EplttForm", "天天快递单打印"},
        {"N28", "N29", "EztForm", "N30", "N31", "EplztForm", "中通快递单打印"},
        {"EMS1", "EMS3", "EemsForm", "EMS2", "EMS4", "EplemsForm", "EMS快递单打印"},
        {"N36", "N38", "EzjsForm", "N37", "N39", "EplzjsForm", "宅急送快递单打印"},
        {"N50", "N52", "EhtForm", "N51", "N53", "EplhtForm", "汇通快递单打印"},
    };
    for (const auto &row : table) {
        const QString caption = QString::fromUtf8(row[6]);
        QTest::addRow("main %s", row[0]) << "MainMenu1" << row[0] << row[2] << caption;
        QTest::addRow("popup %s", row[1])
            << "PopupMenu1" << row[1] << row[2] << (QByteArray(row[1]) == "N52" ? u"汇通快递单"_qs : caption);
        QTest::addRow("main %s", row[3]) << "MainMenu1" << row[3] << row[5] << caption;
        QTest::addRow("popup %s", row[4]) << "PopupMenu1" << row[4] << row[5] << caption;
    }
}

void TestImportedWindow::printEntriesOpenImportedWindows()
{
    QFETCH(QString, menu);
    QFETCH(QString, entry);
    QFETCH(QString, window);
    QFETCH(QString, caption);
    Fixture f;
    QObject *owner = menu == QStringLiteral("MainMenu1") ? static_cast<QObject *>(f.window->menuBar())
                                                         : f.window->findChild<QMenu *>(QStringLiteral("PopupMenu1"));
    QAction *action = owner->findChild<QAction *>(entry);
    QVERIFY(action);
    QCOMPARE(action->text(), caption);
    action->trigger();
    QCOMPARE(f.dialogs.entries, (QList<Entry>{{QStringLiteral("date"), QString()}, {QStringLiteral("modal"), window}}));
}

void TestImportedWindow::failedDateWriteOpensNothing()
{
    Fixture f;
    f.failDateWrite = true;
    f.window->findChild<QAction *>(QStringLiteral("N9"))->trigger();
    QCOMPARE(f.dialogs.entries, QList<Entry>{(Entry{QStringLiteral("error"), QStringLiteral("outrxx closed")})});
}

void TestImportedWindow::searchAndRefresh()
{
    Fixture f;
    f.click("Button2"); // both empty: nothing happens
    QCOMPARE(f.listed().size(), 3);
    f.edit("Edit2")->setText(u"张"_qs);
    f.edit("Edit3")->setText(QStringLiteral("138"));
    f.click("Button2"); // the mobile search stands
    QCOMPARE(f.listed(), (QStringList{u"张三"_qs, u"李四"_qs}));
    f.edit("Edit3")->clear();
    f.edit("Edit2")->setText(QStringLiteral("\"'"));
    QTest::keyClick(f.edit("Edit2"), Qt::Key_Return); // Enter searches, as 查 询 does
    QVERIFY(f.listed().isEmpty());
    f.window->hide(); // closing and opening again keeps the list and the texts
    f.window->show();
    QVERIFY(f.listed().isEmpty());
    QCOMPARE(f.edit("Edit2")->text(), QStringLiteral("\"'"));
    f.click("Button3");
    QCOMPARE(f.listed().size(), 3);
    QVERIFY(f.edit("Edit2")->text().isEmpty());
    QVERIFY(f.edit("Edit3")->text().isEmpty());
    f.window->hide();
}

void TestImportedWindow::importPanel()
{
    Fixture f;
    QWidget *panel = f.window->importPanel();
    QVERIFY(panel->isVisibleTo(f.window.get())); // shown at first

    // An empty path is refused; the last good list stays, and the panel.
    const QStringList before = f.listed();
    f.click("Button1");
    QCOMPARE(f.dialogs.texts(QStringLiteral("notice")), QStringList{import_messages::kEmptyPath});
    QCOMPARE(f.listed(), before);
    QVERIFY(RawDb(f.dir.dbPath()).rows(u"select count(*) from excel"_qs) == QStringList{"3"});
    QVERIFY(panel->isVisibleTo(f.window.get()));

    // A failure says the described message, then what is wrong.
    const QString notes = f.dir.file(QStringLiteral("notes.xls"));
    writeAll(notes, "收件人名单");
    f.edit("Edit1")->setText(notes);
    f.dialogs.clear();
    f.dialogs.confirmAnswers = {true};
    f.click("Button1");
    const QStringList failed = f.dialogs.texts(QStringLiteral("notice"));
    QCOMPARE(failed.size(), 1);
    QVERIFY2(failed[0].startsWith(import_messages::kFailed + QStringLiteral("\n\n"))
                 && failed[0].contains(u"不是工作簿"_qs),
             qPrintable(failed[0]));
    QVERIFY(panel->isVisibleTo(f.window.get()));
    QCOMPARE(f.listed(), before);

    // Choosing the workbook fills the path; importing hides the panel.
    const QString book = f.dir.file(QStringLiteral("list.xls"));
    QVERIFY(writeWorkbook(
        book,
        {QStringLiteral("SHEET Sheet1"), recipientHeadings(), u"公司\t赵六\t\t北京\t\t\t#n:13612345678\t\t\t"_qs}));
    f.dialogs.clear();
    f.dialogs.fileAnswers = {book};
    f.click("SpeedButton1");
    QCOMPARE(f.dialogs.texts(QStringLiteral("open")), QStringList{u"请选择相应的Excel文件"_qs});
    QCOMPARE(f.edit("Edit1")->text(), book);
    f.edit("Edit2")->setText(u"不相干"_qs);
    f.click("Button2");
    f.dialogs.confirmAnswers = {true};
    f.click("Button1");
    QCOMPARE(f.dialogs.texts(QStringLiteral("notice")), QStringList{import_messages::kSucceeded + u"共导入 1 行。"_qs});
    QVERIFY(!panel->isVisibleTo(f.window.get()));
    QCOMPARE(f.listed(), QStringList{u"赵六"_qs}); // the search is gone, its text stays
    QCOMPARE(f.edit("Edit2")->text(), u"不相干"_qs);

    // 选择路径 shows the panel with an empty path; the close picture hides it.
    f.window->findChild<QAction *>(QStringLiteral("N4"))->trigger();
    QVERIFY(panel->isVisibleTo(f.window.get()));
    QVERIFY(f.edit("Edit1")->text().isEmpty());
    f.edit("Edit1")->setText(QStringLiteral("kept"));
    QTest::mouseClick(panel->findChild<QWidget *>(QStringLiteral("Image1")), Qt::LeftButton);
    QVERIFY(!panel->isVisibleTo(f.window.get()));
    QCOMPARE(f.edit("Edit1")->text(), QStringLiteral("kept"));
}

void TestImportedWindow::importedWorkbooksAreOfferedAgain()
{
    QTemporaryDir config;
    const QByteArray before = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    Fixture f;
    auto *recent = f.window->findChild<QMenu *>(QStringLiteral("RecentWorkbooks"));
    QVERIFY(recent);
    const auto offered = [&] {
        Q_EMIT recent->aboutToShow();
        QStringList texts;
        for (const QAction *action : recent->actions())
            texts << (action->isEnabled() ? action->text() : QStringLiteral("disabled:") + action->text());
        return texts;
    };
    QCOMPARE(offered(), QStringList{u"disabled:（还没有导入过文件）"_qs});
    const auto import = [&](const QString &path) {
        f.edit("Edit1")->setText(path);
        f.dialogs.confirmAnswers = {true};
        f.click("Button1");
    };
    // One more workbook than are kept, one imported twice, and one that fails.
    QStringList books;
    for (int i = 0; i <= remembered::kRecentWorkbooks; ++i) {
        books << f.dir.file(QStringLiteral(u"名单%1.csv").arg(i));
        writeAll(books.last(), QStringLiteral(u"收件人姓名,收件地址,手机号码\r\n甲%1,北京,1\r\n").arg(i).toUtf8());
        import(books.last());
    }
    import(books[2]);
    const QString broken = f.dir.file(u"坏的.xls"_qs);
    writeAll(broken, "no workbook");
    import(broken);
    QStringList expected{books[2]};
    for (qsizetype i = books.size() - 1; expected.size() < remembered::kRecentWorkbooks; --i)
        if (i != 2)
            expected << books[i];
    QCOMPARE(offered(), expected);
    // A workbook gone since is not offered; choosing one puts it into the import panel.
    QFile::remove(books.last());
    expected.removeAll(books.last());
    QCOMPARE(offered(), expected);
    f.window->importPanel()->hide();
    recent->actions().at(1)->trigger();
    QCOMPARE(f.edit("Edit1")->text(), expected[1]);
    QVERIFY(f.window->importPanel()->isVisibleTo(f.window.get()));
    qputenv("XDG_CONFIG_HOME", before);
}

void TestImportedWindow::fileDialogOffersEveryFormatFirst()
{
    Fixture f;
    f.click("SpeedButton1");
    QCOMPARE(f.dialogs.fileFilters.size(), 1);
    const QStringList entries = f.dialogs.fileFilters[0].split(QStringLiteral(";;"));
    const auto patterns = [](const QString &entry) {
        return entry.section(QLatin1Char('('), 1).chopped(1).split(QLatin1Char(' '));
    };
    // The first entry lists every format read; each further entry one of
    // them (then every file).
    QStringList single;
    for (const QString &entry : entries.mid(1))
        if (patterns(entry) != QStringList{QStringLiteral("*")})
            single << patterns(entry);
    QCOMPARE(single.size(), entries.size() - 2);
    QCOMPARE(patterns(entries[0]), single);
    for (const char *format : {"*.xls", "*.xlsx", "*.csv"})
        QVERIFY2(single.contains(QLatin1String(format)), format);
}

void TestImportedWindow::replacingUnprintedRowsIsAsked_data()
{
    // The fixture's rows 张三, 李四 and 王五 (mobile 1380…1, 1390…138,
    // 1500…0, address 地址); entries of the print record as variant, name,
    // mobile, address and order number; order numbers of the rows (none:
    // no such column).
    QTest::addColumn<QList<QStringList>>("entries");
    QTest::addColumn<QStringList>("orders");
    QTest::addColumn<bool>("emptyTable");
    QTest::addColumn<bool>("answer");
    QTest::addColumn<QString>("question"); // empty: not asked
    QTest::addColumn<bool>("imported");
    const QString all = u"当前导入的 3 行（其中 3 行未打印）将被替换，是否继续？"_qs;
    QTest::newRow("nothing printed, No") << QList<QStringList>() << QStringList() << false << false << all << false;
    QTest::newRow("nothing printed, Yes") << QList<QStringList>() << QStringList() << false << true << all << true;
    QTest::newRow("by name, mobile and address")
        << QList<QStringList>{{"imported-single", u"张三"_qs, "13800000001", u"地址"_qs, ""},
                              {"imported-batch", u"李四"_qs, "13900000138", u"别处"_qs, ""},
                              {"single", u"王五"_qs, "15000000000", u"地址"_qs, ""}}
        << QStringList() << false << false << u"当前导入的 3 行（其中 2 行未打印）将被替换，是否继续？"_qs << false;
    QTest::newRow("by order number")
        << QList<QStringList>{{"imported-batch", u"张三"_qs, "138****0001", u"地址"_qs, "A1"},
                              {"imported-batch", u"李四"_qs, "13900000138", u"地址"_qs, ""}}
        << QStringList{"A1", "B2", ""} << false << true << u"当前导入的 3 行（其中 2 行未打印）将被替换，是否继续？"_qs
        << true;
    QTest::newRow("every row printed")
        << QList<QStringList>{{"imported-batch", u"张三"_qs, "13800000001", u"地址"_qs, ""},
                              {"imported-batch", u"李四"_qs, "13900000138", u"地址"_qs, ""},
                              {"imported-single", u"王五"_qs, "15000000000", u"地址"_qs, ""}}
        << QStringList() << false << false << QString() << true;
    QTest::newRow("empty table") << QList<QStringList>() << QStringList() << true << false << QString() << true;
}

void TestImportedWindow::replacingUnprintedRowsIsAsked()
{
    QFETCH(QList<QStringList>, entries);
    QFETCH(QStringList, orders);
    QFETCH(bool, emptyTable);
    QFETCH(bool, answer);
    QFETCH(QString, question);
    QFETCH(bool, imported);
    Fixture f;
    QVERIFY(giveOrderNumbers(f.dir.dbPath(), orders));
    if (emptyTable)
        QVERIFY(RawDb(f.dir.dbPath()).exec(u"delete from excel"_qs));
    recordPrints(entries, QDateTime(QDate(2026, 7, 5), QTime(10, 0)));
    f.window->Button3Click();
    const QStringList before = f.listed();

    const QString book = f.dir.file(QStringLiteral("next.csv"));
    writeAll(book, u"收件人姓名,收件地址,手机号码\r\n赵六,北京市朝阳区建国路1号,13612345678\r\n"_qs.toUtf8());
    f.edit("Edit1")->setText(book);
    f.dialogs.confirmAnswers = {answer};
    f.click("Button1");
    QCOMPARE(f.dialogs.texts(QStringLiteral("confirm (No default)")),
             question.isEmpty() ? QStringList() : QStringList{question});
    QCOMPARE(f.listed(), imported ? QStringList{u"赵六"_qs} : before);
    QCOMPARE(f.window->importPanel()->isVisibleTo(f.window.get()), !imported); // No: the path stays to import later
    QCOMPARE(f.dialogs.texts(QStringLiteral("notice")),
             imported ? QStringList{import_messages::kSucceeded + u"共导入 1 行。"_qs} : QStringList());
}

void TestImportedWindow::printedRowsAreMarked_data()
{
    // Entries of the record as variant, name, mobile, address and order
    // number; the rows' order numbers (none: no such column); the rows marked.
    QTest::addColumn<QList<QStringList>>("entries");
    QTest::addColumn<QStringList>("orders");
    QTest::addColumn<QList<bool>>("marked");
    QTest::newRow("nothing printed") << QList<QStringList>() << QStringList() << QList<bool>{false, false, false};
    QTest::newRow("by name, mobile and address; the address book's print not")
        << QList<QStringList>{{"imported-batch", u"张三"_qs, "13800000001", u"地址"_qs, ""},
                              {"imported-single", u"李四"_qs, "13900000138", u"别处"_qs, ""},
                              {"single", u"王五"_qs, "15000000000", u"地址"_qs, ""}}
        << QStringList() << QList<bool>{true, false, false};
    QTest::newRow("by order number")
        << QList<QStringList>{{"imported-batch", u"张三"_qs, "138****0001", u"地址"_qs, "A1"},
                              {"imported-batch", u"李四"_qs, "13900000138", u"地址"_qs, "C3"}}
        << QStringList{"A1", "B2", ""} << QList<bool>{true, false, false};
}

void TestImportedWindow::printedRowsAreMarked()
{
    QFETCH(QList<QStringList>, entries);
    QFETCH(QStringList, orders);
    QFETCH(QList<bool>, marked);
    Fixture f;
    QVERIFY(giveOrderNumbers(f.dir.dbPath(), orders));
    recordPrints(entries, QDateTime(QDate(2026, 12, 10), QTime(10, 2)));
    f.window->Button3Click();
    QList<bool> shown;
    for (int row = 0; row < 3; ++row)
        shown << f.window->grid()->model()->index(row, 1).data(Qt::BackgroundRole).isValid();
    QCOMPARE(shown, marked);
    const qsizetype count = marked.count(true);
    QCOMPARE(f.window->findChild<QLabel *>(QStringLiteral("PrintedRows"))->text(),
             count ? u"浅绿色的行已打印过（%1 行，共 3 行）"_qs.arg(count) : QString());
}

void TestImportedWindow::rowEditorCompletesAMaskedMobile_data()
{
    QTest::addColumn<QString>("trigger"); // a menu entry, or a double-click on the row
    QTest::newRow("main menu") << "EditRecord";
    QTest::newRow("pop-up menu") << "EditRecordPopup";
    QTest::newRow("double-click") << "double-click";
}

void TestImportedWindow::rowEditorCompletesAMaskedMobile()
{
    QFETCH(QString, trigger);
    Fixture f;
    RawDb(f.dir.dbPath()).exec(u"update excel set 手机号码 = '139****0138', 目的地 = '上海' where rowid = 2"_qs);
    f.window->Button3Click();
    f.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
    f.window->list().moveTo(1);
    QString note;
    QString shownName;
    f.dialogs.onModal = [&](QWidget *window) {
        auto *editor = qobject_cast<ImportedRowEditor *>(window);
        QVERIFY(editor);
        note = editor->findChild<QLabel *>(QStringLiteral("MobileNote"))->text();
        shownName = editor->edit(col::kRecipientName)->text();
        QLineEdit *mobile = editor->edit(col::kMobile);
        mobile->selectAll();
        QTest::keyClicks(mobile, QStringLiteral("13912340138"));
        QVERIFY(editor->findChild<QLabel *>(QStringLiteral("MobileNote"))->text().isEmpty());
        QTest::mouseClick(editor->findChild<QPushButton *>(QStringLiteral("SaveButton")), Qt::LeftButton);
        QVERIFY(!editor->isVisible());
    };
    if (trigger == QStringLiteral("double-click")) {
        const QRect cell = f.window->grid()->visualRect(f.window->grid()->model()->index(1, 1));
        // As the mouse sends it: a click, then the second press as a double-click.
        QTest::mouseClick(f.window->grid()->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(f.window->grid()->viewport(), Qt::LeftButton, {}, cell.center());
    } else {
        f.window->findChild<QAction *>(trigger)->trigger();
    }
    QCOMPARE(f.dialogs.texts(QStringLiteral("modal")), QStringList{QStringLiteral("ImportedRowEditor")});
    QCOMPARE(shownName, u"李四"_qs);
    QVERIFY2(note.contains(u"不完整"_qs), qPrintable(note));
    // Only the corrected mobile is written; the other rows stay as they were.
    QCOMPARE(
        RawDb(f.dir.dbPath()).rows(u"select 收件人姓名, 手机号码, 目的地, 收件地址 from excel"_qs),
        (QStringList{u"张三|13800000001||地址"_qs, u"李四|13912340138|上海|地址"_qs, u"王五|15000000000||地址"_qs}));
    QCOMPARE(f.window->list().value(col::kMobile), QStringLiteral("13912340138"));

    // An empty list has no row to correct.
    f.dialogs.clear();
    f.dialogs.onModal = nullptr;
    RawDb(f.dir.dbPath()).exec(u"delete from excel"_qs);
    f.window->Button3Click();
    f.window->editRow();
    QCOMPARE(f.dialogs.entries, QList<Entry>{(Entry{QStringLiteral("notice"), u"当前修改信息为空！"_qs})});
    f.window->hide();
}

void TestImportedWindow::keysSearchRefreshAndClose_data()
{
    QTest::addColumn<QKeySequence>("key");
    QTest::addColumn<QString>("expected");
    QTest::newRow("Ctrl+F") << QKeySequence(Qt::CTRL | Qt::Key_F) << "name search";
    QTest::newRow("F5") << QKeySequence(Qt::Key_F5) << "refreshed";
    QTest::newRow("Esc") << QKeySequence(Qt::Key_Escape) << "closed";
}

void TestImportedWindow::keysSearchRefreshAndClose()
{
    QFETCH(QKeySequence, key);
    QFETCH(QString, expected);
    Fixture f;
    f.window->show();
    QApplication::setActiveWindow(f.window.get());
    QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
    f.edit("Edit2")->setText(u"张"_qs);
    f.click("Button2");
    QCOMPARE(f.listed(), QStringList{u"张三"_qs});
    f.window->grid()->setFocus();
    QTest::keySequence(f.window->grid(), key);
    QString did = QStringLiteral("nothing");
    if (expected == QStringLiteral("name search"))
        did = f.edit("Edit2")->hasFocus() && f.edit("Edit2")->selectedText() == u"张"_qs ? expected : did;
    else if (expected == QStringLiteral("refreshed"))
        did = f.listed().size() == 3 && f.edit("Edit2")->text().isEmpty() ? expected : did;
    else if (expected == QStringLiteral("closed"))
        did = f.window->isVisible() ? did : expected;
    QCOMPARE(did, expected);
    f.window->hide();
}

void TestImportedWindow::layout()
{
    Fixture f;
    QCOMPARE(f.window->windowTitle(), u"Excel导入"_qs);
    QCOMPARE(f.window->objectName(), QStringLiteral("DrForm"));
    QCOMPARE(f.window->findChild<QWidget *>(QStringLiteral("client"))->size(), QSize(1017, 605));
    QCOMPARE(f.window->importPanel()->geometry(), QRect(144, 216, 721, 89));
    QCOMPARE(f.window->grid()->palette().color(QPalette::Base), QColor(238, 238, 238));
    QCOMPARE(f.window->grid()->alternatingRowColors(), false);
    QStringList bar;
    for (QAction *action : f.window->menuBar()->actions())
        bar << action->objectName() + QLatin1Char('=') + action->text();
    QCOMPARE(
        bar,
        (QStringList{u"N1=选择路径(&O)"_qs, u"RecentWorkbooks=最近导入的文件(&R)"_qs, u"EditRecord=修改记录(&M)"_qs,
                     u"N2=单张打印(&P)"_qs, u"N3=批量打印(&B)"_qs, u"N49=关闭窗口(&C)"_qs}));
}

void TestImportedWindow::unknownHeadingsAreMappedInADialog()
{
    Fixture f;
    const QString book = f.dir.file(QStringLiteral("customers.csv"));
    writeAll(book, u"名字,住址,手机号,公司名\r\n钱一,南京市中山路1号,13300001111,某厂\r\n"_qs.toUtf8());
    f.edit("Edit1")->setText(book);
    // Cancelled: the described failure, naming the headings; nothing imported.
    f.dialogs.confirmAnswers = {true};
    f.click("Button1");
    QCOMPARE(f.dialogs.texts(QStringLiteral("map")), QStringList{u"名字、住址、手机号、公司名"_qs});
    QVERIFY(
        f.dialogs.texts(QStringLiteral("notice")).value(0).contains(u"第一行的标题有：名字、住址、手机号、公司名"_qs));
    QVERIFY(!f.listed().contains(u"钱一"_qs));

    // Chosen: the recognised 手机号 is filled in, 导入 waits for the name and the address.
    f.dialogs.clear();
    QString guessedMobile;
    f.dialogs.mappingAnswer = [&](ColumnMappingDialog &dialog) {
        guessedMobile = dialog.choiceOf(col::kMobile)->currentText();
        if (dialog.importButton()->isEnabled())
            return false;
        dialog.choiceOf(col::kRecipientName)
            ->setCurrentIndex(dialog.choiceOf(col::kRecipientName)->findText(u"名字"_qs));
        if (dialog.importButton()->isEnabled())
            return false;
        dialog.choiceOf(col::kRecipientAddress)
            ->setCurrentIndex(dialog.choiceOf(col::kRecipientAddress)->findText(u"住址"_qs));
        dialog.choiceOf(col::kCompany)->setCurrentIndex(dialog.choiceOf(col::kCompany)->findText(u"公司名"_qs));
        return dialog.importButton()->isEnabled();
    };
    f.dialogs.confirmAnswers = {true};
    f.click("Button1");
    QCOMPARE(guessedMobile, u"手机号"_qs);
    QCOMPARE(f.dialogs.texts(QStringLiteral("notice")), QStringList{import_messages::kSucceeded + u"共导入 1 行。"_qs});
    QCOMPARE(RawDb(f.dir.dbPath()).rows(u"select 单位名称, 收件人姓名, 目的地, 收件地址, 手机号码 from excel"_qs),
             QStringList{u"某厂|钱一|南京市|南京市中山路1号|13300001111"_qs});
    // The same headings again: imported without asking.
    f.dialogs.clear();
    f.dialogs.mappingAnswer = nullptr;
    f.window->importPanel()->show();
    f.dialogs.confirmAnswers = {true};
    f.click("Button1");
    QCOMPARE(f.dialogs.texts(QStringLiteral("map")), QStringList());
    QCOMPARE(f.dialogs.texts(QStringLiteral("notice")), QStringList{import_messages::kSucceeded + u"共导入 1 行。"_qs});
}

QTEST_MAIN(TestImportedWindow)
#include "test_imported_window.moc"

// The imported recipients window offscreen: its 44 print entries, search
// and refresh, and the import panel driven through the dialog seam.

#include "import/import_procedure.h"
#include "import/imported_window.h"
#include "store/db_error.h"
#include "store/schema.h"
#include "test_support.h"
#include "ui/column_mapping_dialog.h"
#include "ui/record_grid.h"
#include "ui/recording_dialogs.h"
#include "ui/widgets.h"
#include "waybill/family.h"
#include "workbook_support.h"

#include <QAction>
#include <QComboBox>
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

} // namespace

class TestImportedWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void printEntriesOpenImportedWindows_data();
    void printEntriesOpenImportedWindows();
    void failedDateWriteOpensNothing();
    void searchAndRefresh();
    void importPanel();
    void unknownHeadingsAreMappedInADialog();
    void layout();
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
    f.click("Button1");
    QCOMPARE(f.dialogs.texts(QStringLiteral("notice")), QStringList{import_messages::kSucceeded});
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

void TestImportedWindow::layout()
{
    Fixture f;
    QCOMPARE(f.window->windowTitle(), u"Excel导入"_qs);
    QCOMPARE(f.window->objectName(), QStringLiteral("DrForm"));
    QCOMPARE(f.window->centralWidget()->width(), 1017);
    QCOMPARE(f.window->importPanel()->geometry(), QRect(144, 216, 721, 89));
    QCOMPARE(f.window->grid()->palette().color(QPalette::Base), QColor(238, 238, 238));
    QCOMPARE(f.window->grid()->alternatingRowColors(), false);
    QStringList bar;
    for (QAction *action : f.window->menuBar()->actions())
        bar << action->objectName() + QLatin1Char('=') + action->text();
    QCOMPARE(bar, (QStringList{u"N1=选择路径"_qs, u"N2=单张打印"_qs, u"N3=批量打印"_qs, u"N49=关闭窗口"_qs}));
}

void TestImportedWindow::unknownHeadingsAreMappedInADialog()
{
    Fixture f;
    const QString book = f.dir.file(QStringLiteral("customers.csv"));
    writeAll(book, u"名字,住址,手机号,公司名\r\n钱一,南京市中山路1号,13300001111,某厂\r\n"_qs.toUtf8());
    f.edit("Edit1")->setText(book);
    // Cancelled: the described failure, naming the headings; nothing imported.
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
    f.click("Button1");
    QCOMPARE(guessedMobile, u"手机号"_qs);
    QCOMPARE(f.dialogs.texts(QStringLiteral("notice")), QStringList{import_messages::kSucceeded});
    QCOMPARE(RawDb(f.dir.dbPath()).rows(u"select 单位名称, 收件人姓名, 目的地, 收件地址, 手机号码 from excel"_qs),
             QStringList{u"某厂|钱一|南京市|南京市中山路1号|13300001111"_qs});
    // The same headings again: imported without asking.
    f.dialogs.clear();
    f.dialogs.mappingAnswer = nullptr;
    f.window->importPanel()->show();
    f.click("Button1");
    QCOMPARE(f.dialogs.texts(QStringLiteral("map")), QStringList());
    QCOMPARE(f.dialogs.texts(QStringLiteral("notice")), QStringList{import_messages::kSucceeded});
}

QTEST_MAIN(TestImportedWindow)
#include "test_imported_window.moc"

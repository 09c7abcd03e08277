// The windows that read and write the store, driven as a user drives them,
// once on the local data.mdb and once on a shared PostgreSQL database: the
// print window's saved position, 运单号 and the print record of a print,
// the record window, and the form designer's list of stored forms.

#include "app/desktop.h"
#include "app/main_window.h"
#include "app/window_registry.h"
#include "store/calibration.h"
#include "store/connection.h"
#include "store/form_store.h"
#include "store/print_log.h"
#include "store/statements.h"
#include "store_backends.h"
#include "ui/recording_dialogs.h"
#include "waybill/form_designer.h"
#include "waybill/print_log_window.h"
#include "waybill/print_window.h"
#include "waybill/run_printing.h"
#include "waybill/user_form.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPrinter>
#include <QPushButton>

using namespace schema;

namespace {

// A working folder on one store with a sender and a recipient, the
// desktop's windows created over it and an office's own form stored.
struct Office {
    explicit Office(const QString &backend) : store(backend)
    {
        Connection connection(QStringLiteral("office"));
        connection.exec(statements::insertRow(kSenderTable, {col::kSenderName}), {u"寄件人甲"_qs});
        connection.exec(statements::insertRow(kRecipientTable, {col::kRecipientName, col::kMobile}),
                        {u"收件人一"_qs, u"13800000001"_qs});
        UserForm form = blankUserForm({100, 150});
        form.code = QStringLiteral("form1");
        form.name = u"德邦快递单"_qs;
        UserFormItem item;
        item.column = col::kRecipientName;
        item.mm = QRectF(10, 20, 40, 8);
        form.items << item;
        FormStore(connection).add({form.code, form.name, userFormJson(form)});
        registerWindows(registry);
        registry.createAll();
    }
    ~Office() { installPreviewRunner(); }

    // Every error and notice the windows showed, one a line.
    QString told() const
    {
        return (dialogs.texts(QStringLiteral("error")) + dialogs.texts(QStringLiteral("notice")))
            .join(QLatin1Char('\n'));
    }
    // Prints the window's current page through the printer setup into a PDF.
    void print(PrintWindow &window)
    {
        PrintWindow::setRunner([](PrintWindow &shown) { shown.showPrinted(printThroughSetup(shown.run(), &shown)); });
        dialogs.printAnswer = [this](QPrinter &printer, int, int) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(store.dir.file(QStringLiteral("printed.pdf")));
            return true;
        };
        window.findChild<QAction *>(QStringLiteral("N1"))->trigger();
    }

    Store store;
    RecordingDialogs dialogs;
    WindowRegistry registry;
};

QString statusOf(const PrintWindow &window)
{
    return window.findChild<QLabel *>(QStringLiteral("CalibrationLabel"))->text();
}

} // namespace

class TestSharedWindows : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { TestServer::usePasswordFile(); }
    void savedPositionIsUsedAndForgotten_data() { addBackends(); }
    void savedPositionIsUsedAndForgotten();
    void ownFormPrintsAreNumberedAndRecorded_data() { addBackends(); }
    void ownFormPrintsAreNumberedAndRecorded();
    void designerListsTheStoredForms_data() { addBackends(); }
    void designerListsTheStoredForms();
    void unreadableSavedPositionIsSaid();
};

void TestSharedWindows::savedPositionIsUsedAndForgotten()
{
    QFETCH(QString, backend);
    REQUIRE_BACKEND(backend);
    Office office(backend);
    auto *single = office.registry.windowAs<PrintWindow>(QStringLiteral("TYdForm"));
    single->show();
    single->findChild<QLineEdit *>(QStringLiteral("Edit1"))->setText(QStringLiteral("12"));
    QTest::mouseClick(single->findChild<QPushButton *>(QStringLiteral("Button2")), Qt::LeftButton);
    single->findChild<QAction *>(QStringLiteral("SaveCalibration"))->trigger();
    single->hide();
    QVERIFY2(office.told().startsWith(u"已保存位置：右移 12"_qs), qPrintable(office.told()));

    // The batch window of the courier opens with it and says so.
    auto batch = PrintWindow::makeBatch(*courierByCode(QStringLiteral("yd")), Variant::Batch);
    batch->show();
    QCOMPARE(batch->run().totalShift().x(), 12);
    QVERIFY2(statusOf(*batch).startsWith(u"已用保存的位置"_qs), qPrintable(statusOf(*batch)));
    // 恢复默认位置, Yes: forgotten in the store.
    office.dialogs.clear();
    office.dialogs.confirmAnswers = {true};
    batch->findChild<QAction *>(QStringLiteral("RestoreDefaults"))->trigger();
    QCOMPARE(office.dialogs.texts(QStringLiteral("confirm (No default)")).size(), 1);
    QCOMPARE(office.told(), QString());
    Connection check(QStringLiteral("check"));
    QCOMPARE(CalibrationStore(check).list().size(), 0);
    batch->hide();
}

void TestSharedWindows::ownFormPrintsAreNumberedAndRecorded()
{
    QFETCH(QString, backend);
    REQUIRE_BACKEND(backend);
    Office office(backend);
    auto *main = office.registry.windowAs<MainWindow>(window_class::kMain);
    auto *menu = main->findChild<QMenu *>(QStringLiteral("N16"));
    Q_EMIT menu->aboutToShow();
    QAction *entry = menu->findChild<QAction *>(QStringLiteral("Kd_form1_Form_Menu"));
    QVERIFY(entry);
    QString printed;
    QString offered;
    office.dialogs.onModal = [&](QWidget *shown) {
        auto *window = qobject_cast<PrintWindow *>(shown);
        QVERIFY(window);
        office.dialogs.textAnswers = {u"DB0041"_qs};
        window->findChild<QAction *>(QStringLiteral("FirstNumber"))->trigger();
        office.print(*window);
        printed = window->findChild<QLabel *>(QStringLiteral("PrintedLabel"))->text();
        // The next time, 运单号 offers the number after the last one printed.
        window->run().setFirstNumber(QString());
        office.dialogs.textAnswers = {std::nullopt};
        window->findChild<QAction *>(QStringLiteral("FirstNumber"))->trigger();
        offered = office.dialogs.texts(QStringLiteral("text")).last().section(QLatin1Char('|'), 1);
    };
    entry->trigger();
    QCOMPARE(office.told(), QString());
    QCOMPARE(printed, u"已打印 1 张（运单号 DB0041）"_qs);
    QCOMPARE(offered, u"DB0042"_qs);

    // The record window lists it under the form's name and renumbers it.
    PrintLogWindow record;
    QCOMPARE(record.shown().size(), 1);
    QCOMPARE(record.shown()[0].formName, u"德邦快递单"_qs);
    QCOMPARE(record.shown()[0].recipientName(), u"收件人一"_qs);
    record.selectRows({0});
    office.dialogs.textAnswers = {u"DB0050"_qs};
    record.renumberSelected();
    QCOMPARE(office.told(), QString());
    Connection check(QStringLiteral("check"));
    QCOMPARE(PrintLog(check).list().value(0).number, u"DB0050"_qs);
}

void TestSharedWindows::designerListsTheStoredForms()
{
    QFETCH(QString, backend);
    REQUIRE_BACKEND(backend);
    Office office(backend);
    FormDesignWindow designer(blankUserForm({230, 127}));
    auto *start = designer.findChild<QComboBox *>(QStringLiteral("StartFrom"));
    QVERIFY(start->findText(u"修改 德邦快递单"_qs) >= 0);
    QCOMPARE(office.told(), QString());
}

void TestSharedWindows::unreadableSavedPositionIsSaid()
{
    TempWorkdir dir;
    RawDb(dir.dbPath()).exec(QStringLiteral("create table calibration (note text)"));
    RecordingDialogs dialogs;
    auto batch = PrintWindow::makeBatch(*courierByCode(QStringLiteral("yd")), Variant::Batch);
    batch->show();
    // The layout's positions, and the status line says why.
    QVERIFY2(statusOf(*batch).startsWith(u"未能读取保存的位置（"_qs) && statusOf(*batch).contains(u"现用默认位置"_qs),
             qPrintable(statusOf(*batch)));
    QCOMPARE(batch->run().totalShift(), QPoint(0, 0));
    batch->hide();
}

QTEST_MAIN(TestSharedWindows)
#include "test_shared_windows.moc"

// The print window driven offscreen: shifting, the font choice, its
// geometry and printing the current recipient through the print setup.

#include "app/desktop.h"
#include "composed_golden.h"
#include "report/fonts.h"
#include "report/page.h"
#include "store/connection.h"
#include "store/dataset.h"
#include "store/print_log.h"
#include "store/reopen.h"
#include "store/schema.h"
#include "test_support.h"
#include "ui/qt_dialogs.h"
#include "ui/recording_dialogs.h"
#include "ui/screen_fit.h"
#include "waybill/page_composer.h"
#include "waybill/page_view.h"
#include "waybill/preview_window.h"
#include "waybill/print_log_window.h"
#include "waybill/print_source.h"
#include "waybill/print_window.h"
#include "waybill/run_printing.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenuBar>
#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolTip>
#include <QtTest>

using namespace schema;

namespace {

struct Fixture {
    explicit Fixture(const char *code = "sf", Variant variant = Variant::Single)
        : connection(QStringLiteral("test")), sender(connection, QStringLiteral("ADOQuery1")),
          recipients(connection, QStringLiteral("ADOQuery2"))
    {
        RawDb raw(dir.dbPath());
        raw.exec(u"insert into outrxx (寄件人姓名, 月, 日) values ('寄件人甲', '7', '5')"_qs);
        raw.addRecipient(kRecipientTable, u"收件人一"_qs, QStringLiteral("1"));
        raw.addRecipient(kRecipientTable, u"收件人二"_qs, QStringLiteral("2"));
        reopen(connection, {{&sender, kSenderTable}, {&recipients, kRecipientTable}});
        window = std::make_unique<PrintWindow>(*courierByCode(QString::fromLatin1(code)), variant,
                                               std::make_unique<CurrentRowSource>(sender, recipients));
    }
    QLineEdit *edit(const char *name) const { return window->findChild<QLineEdit *>(QLatin1String(name)); }
    void press(const char *name) const
    {
        QTest::mouseClick(window->findChild<QPushButton *>(QLatin1String(name)), Qt::LeftButton);
    }
    // Triggers a menu entry whose printer setup the user answers with a PDF
    // file; checks it asked for page 1 only and returns the PDF's text.
    QString printedText(const char *entry)
    {
        const QString pdf = dir.file(QStringLiteral("printed.pdf"));
        dialogs.printAnswer = [&](QPrinter &printer, int, int) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
            return true;
        };
        window->findChild<QAction *>(QLatin1String(entry))->trigger();
        if (dialogs.texts(QStringLiteral("print")) != QStringList{QStringLiteral("1-1")})
            return QStringLiteral("(print setup asked %1)")
                .arg(dialogs.texts(QStringLiteral("print")).join(QLatin1Char(',')));
        QProcess text;
        text.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
        text.waitForFinished();
        return QString::fromUtf8(text.readAllStandardOutput());
    }
    QList<QPoint> positions() const
    {
        QList<QPoint> result;
        for (const LayoutItem &item : window->run().items())
            result << QPoint(item.left, item.top);
        return result;
    }

    TempWorkdir dir;
    RecordingDialogs dialogs;
    Connection connection;
    Dataset sender;
    Dataset recipients;
    std::unique_ptr<PrintWindow> window;
};

// Prints a batch of every recipient of the fixture on st from number 100
// into a PDF, through the printer setup.
void printBatch(Fixture &f, Variant variant = Variant::Batch, Dataset *recipients = nullptr,
                const QString &number = QStringLiteral("100"))
{
    PrintWindow batch(*courierByCode(u"st"_qs), variant,
                      std::make_unique<AllRowsSource>(f.sender, recipients ? *recipients : f.recipients));
    f.dialogs.textAnswers = {number};
    batch.findChild<QAction *>(QStringLiteral("FirstNumber"))->trigger();
    PrintWindow::setRunner([](PrintWindow &window) { window.showPrinted(printThroughSetup(window.run(), &window)); });
    f.dialogs.printAnswer = [&](QPrinter &printer, int, int) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(f.dir.file(u"batch.pdf"_qs));
        return true;
    };
    batch.findChild<QAction *>(QStringLiteral("N1"))->trigger();
    installPreviewRunner();
}

int recordSize()
{
    Connection connection(u"check.size"_qs);
    return int(PrintLog(connection).list().size());
}

QList<PrintLogEntry> recordEntries()
{
    Connection connection(u"check.entries"_qs);
    return PrintLog(connection).list();
}

QList<QPoint> moved(QList<QPoint> points, QPoint by)
{
    for (QPoint &point : points)
        point += by;
    return points;
}

} // namespace

class TestPrintWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { installFontSubstitutions(); }
    void shift_data();
    void shift();
    void fontChoiceAppliesToEveryItemAndIsRemembered();
    void geometry_data();
    void geometry();
    void ctrlPPrintsAndEscCloses();
    void itemsShowTheRecipientsValuesOrTheColumnNames();
    void fitsTheScreen_data();
    void fitsTheScreen();
    void printsCurrentRecipientThroughSetup();
    void numbersGoOnFromPrintToPrintAndIntoTheRecord();
    void interruptedPrintsAreShownAndFailedOnesLeaveNothing();
    void recordWindowRenumbersReprintsAndExports();
    void recordWindowRefusesATakenNumber();
    void recordWindowKeepsItsColumnsWhenNothingMatches();
    void exportWritesTheListedEntriesAsTheChosenType_data();
    void exportWritesTheListedEntriesAsTheChosenType();
    void exportAsksBeforeReplacing_data();
    void exportAsksBeforeReplacing();
    void importedRowsPrintedBeforeAreAsked_data();
    void importedRowsPrintedBeforeAreAsked();
    void numberedFormWithoutANumberIsReminded_data();
    void numberedFormWithoutANumberIsReminded();
    void printerSetupReachesThePrinter();
    void printerQueueIsAskedForTheMeasuredPaper_data();
    void printerQueueIsAskedForTheMeasuredPaper();
    void opensCentredOnTheDesktop();
    void savedPositionLastsAndDefaultsComeBack();
    void calibrationPageThroughThePrinterSetup();
    void scaleRefusesBadInput_data();
    void scaleRefusesBadInput();
    void pictureDecodedOnlyWhenShown();
    void redFramesAreExplained();
    void incompleteMobileIsFramedAndTold_data();
    void incompleteMobileIsFramedAndTold();
    void fontDialogOffersSong();
    void pdfIsOfferedInDocumentsUnderTheFormsName();
    void printerPropertiesShowTheCouriersPaper();
};

namespace {

QString notInteger(const QString &typed)
{
    return u"移动量必须是整数，例如 10 或 -5（1 个单位约 0.26 毫米）。（%1 is not a valid integer value）"_qs.arg(
        typed);
}

} // namespace

void TestPrintWindow::shift_data()
{
    QTest::addColumn<QStringList>("presses"); // "x:text" or "y:text", in order
    QTest::addColumn<QPoint>("moved");
    QTest::addColumn<QString>("error");
    QTest::newRow("zero") << QStringList{"x:0"} << QPoint(0, 0) << "";
    QTest::newRow("10 twice then -20") << QStringList{"x:10", "x:10", "x:-20"} << QPoint(0, 0) << "";
    QTest::newRow("10 twice") << QStringList{"x:10", "x:10"} << QPoint(20, 0) << "";
    QTest::newRow("up 5") << QStringList{"y:-5"} << QPoint(0, -5) << "";
    QTest::newRow("plus sign") << QStringList{"y:+7", "x:3"} << QPoint(3, 7) << "";
    QTest::newRow("empty") << QStringList{"x:"} << QPoint(0, 0) << "";
    QTest::newRow("Enter in the edits") << QStringList{"x:4\n", "y:-2\n"} << QPoint(4, -2) << "";
    QTest::newRow("letters") << QStringList{"x:abc"} << QPoint(0, 0) << notInteger(QStringLiteral("'abc'"));
    QTest::newRow("decimal point") << QStringList{"y:1.5"} << QPoint(0, 0) << notInteger(QStringLiteral("'1.5'"));
    QTest::newRow("out of range") << QStringList{"x:2147483648"} << QPoint(0, 0)
                                  << notInteger(QStringLiteral("'2147483648'"));
    QTest::newRow("trailing characters") << QStringList{"x:12px"} << QPoint(0, 0)
                                         << notInteger(QStringLiteral("'12px'"));
}

void TestPrintWindow::shift()
{
    QFETCH(QStringList, presses);
    QFETCH(QPoint, moved);
    QFETCH(QString, error);
    Fixture f;
    const QList<QPoint> start = f.positions();
    for (const QString &press : presses) {
        const bool horizontal = press.startsWith(QLatin1Char('x'));
        QLineEdit *edit = f.edit(horizontal ? "Edit1" : "Edit2");
        if (press.endsWith(QLatin1Char('\n'))) { // typed, then Enter
            edit->setText(press.mid(2).chopped(1));
            QTest::keyClick(edit, Qt::Key_Return);
        } else {
            edit->setText(press.mid(2));
            f.press(horizontal ? "Button2" : "Button3");
        }
    }
    QCOMPARE(f.positions(), ::moved(start, moved));
    QCOMPARE(f.dialogs.texts(QStringLiteral("error")), error.isEmpty() ? QStringList{} : QStringList{error});
}

void TestPrintWindow::fontChoiceAppliesToEveryItemAndIsRemembered()
{
    Fixture f;
    QFont chosen(QStringLiteral(u"黑体"), 14);
    chosen.setBold(true);
    const QColor blue(0, 0, 200);
    f.dialogs.fontAnswers = {FontChoice{chosen, blue}, std::nullopt};
    f.window->Image1Click();
    for (const LayoutItem &item : f.window->run().items()) {
        QCOMPARE(item.font, chosen);
        QCOMPARE(item.color, blue); // the items copy the colour too
    }
    for (const ComposedItem &item : f.window->run().page(0).items)
        QCOMPARE(item.color, blue);
    // The menu entry 字体 opens the same dialog; cancelled: nothing changes.
    f.window->findChild<QAction *>(QStringLiteral("ChooseFont"))->trigger();
    for (const LayoutItem &item : f.window->run().items())
        QCOMPARE(item.font, chosen);
    // The dialog starts from the items' font: 宋体 12 at first, then the choice.
    QCOMPARE(f.dialogs.texts(QStringLiteral("font")), (QStringList{u"宋体"_qs, u"黑体"_qs}));
    QCOMPARE(f.window->run().items().size(), 16);
}

void TestPrintWindow::geometry_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<int>("variant");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("stripLeft");
    QTest::addColumn<QRect>("page");
    QTest::newRow("sf") << "sf" << 0 << "SfForm" << u"单张打印顺丰快递单"_qs << 416 << QRect(5, 30, 816, 529);
    QTest::newRow("st") << "st" << 0 << "StForm" << u"单张打印申通快递单"_qs << 464 << QRect(5, 30, 869, 476);
    QTest::newRow("zjs") << "zjs" << 0 << "ZjsForm" << u"单张打印宅急送快递单"_qs << 416 << QRect(5, 30, 869, 529);
    QTest::newRow("yt1") << "yt1" << 0 << "Yt1Form" << u"单张打印圆通快递单（详情单）"_qs << 464
                         << QRect(5, 30, 869, 476);
    QTest::newRow("ems batch") << "ems" << 1 << "PlemsForm" << u"批量打印EMS快递单"_qs << 472 << QRect(5, 30, 869, 476);
    QTest::newRow("zjs batch") << "zjs" << 1 << "plzjsForm" << u"批量打印宅急送快递单"_qs << 472
                               << QRect(0, 30, 869, 529);
}

void TestPrintWindow::geometry()
{
    QFETCH(QString, code);
    QFETCH(int, variant);
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(int, stripLeft);
    QFETCH(QRect, page);
    Fixture f(qPrintable(code), Variant(variant));
    QCOMPARE(f.window->objectName(), name);
    QCOMPARE(f.window->windowTitle(), caption);
    QCOMPARE(f.window->findChild<QAction *>(QStringLiteral("N1"))->text(),
             variant == 0 ? u"单张打印(&P)"_qs : u"批量打印(&P)"_qs);
    const int offsets[] = {0, 52, 128, 208, 260, 336};
    const char *names[] = {"Label2", "Edit1", "Button2", "Label3", "Edit2", "Button3"};
    for (int i = 0; i < 6; ++i)
        QCOMPARE(f.window->findChild<QWidget *>(QLatin1String(names[i]))->x(), stripLeft + offsets[i]);
    QCOMPARE(f.window->findChild<QWidget *>(QStringLiteral("QuickRep1"))->geometry(), page);
}

void TestPrintWindow::itemsShowTheRecipientsValuesOrTheColumnNames()
{
    Fixture f("sf");
    f.recipients.moveTo(1);
    f.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
    const auto shown = [&](const char *item) {
        const ComposedPage &page = f.window->findChild<PageView *>(QStringLiteral("QuickRep1"))->page();
        for (const ComposedItem &composed : page.items)
            if (composed.name == QLatin1String(item))
                return composed.lines.value(0); // the first line (a split adds an empty one)
        return QStringLiteral("(none)");
    };
    // The current recipient's and the sender's values; an empty one shows its column's name.
    QCOMPARE(shown("QRDBText8"), u"收件人二"_qs);
    QCOMPARE(shown("QRDBText1"), u"寄件人甲"_qs);
    QCOMPARE(shown("QRDBText6"), u"备注"_qs);
    auto *names = f.window->findChild<QCheckBox *>(QStringLiteral("ShowColumnNames"));
    QVERIFY(names && names->isVisible());
    names->click();
    QCOMPARE(shown("QRDBText8"), u"收件人姓名"_qs);
    QCOMPARE(shown("QRDBText1"), u"寄件人姓名"_qs);
    names->click();
    QCOMPARE(shown("QRDBText8"), u"收件人二"_qs);
    f.window->hide();
}

void TestPrintWindow::ctrlPPrintsAndEscCloses()
{
    Fixture f("st");
    int runs = 0;
    PrintWindow::setRunner([&runs](PrintWindow &) { ++runs; });
    f.window->show();
    QApplication::setActiveWindow(f.window.get());
    QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
    f.edit("Edit1")->setFocus();
    QTest::keySequence(f.edit("Edit1"), QKeySequence(Qt::CTRL | Qt::Key_P));
    QCOMPARE(runs, 1);
    // Alt+F is the font entry's letter.
    QTest::keySequence(f.edit("Edit1"), QKeySequence(Qt::ALT | Qt::Key_F));
    QCOMPARE(f.dialogs.texts(QStringLiteral("font")).size(), 1);
    QTest::keyClick(f.edit("Edit1"), Qt::Key_Escape);
    QVERIFY(!f.window->isVisible());
    installPreviewRunner();
}

void TestPrintWindow::fitsTheScreen_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QRect>("available");
    for (const Courier &courier : couriersInMenuOrder())
        QTest::newRow(qPrintable(courier.code + QStringLiteral(" at 200% on 1366x768")))
            << courier.code << QRect(0, 0, 683, 344);
    QTest::newRow("yt1 at 150% on 1366x768") << "yt1" << QRect(0, 0, 910, 472);
    QTest::newRow("sf at 100% on 1920x1080") << "sf" << QRect(0, 0, 1920, 1040);
}

void TestPrintWindow::fitsTheScreen()
{
    QFETCH(QString, code);
    QFETCH(QRect, available);
    Fixture f(qPrintable(code));
    f.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
    const QSize natural = f.window->sizeHint();
    placeOnScreen(f.window.get(), available);
    const QSize framing = f.window->frameGeometry().size() - f.window->geometry().size();
    QTRY_COMPARE(f.window->size(), natural.boundedTo(available.size() - framing));
    QVERIFY(available.contains(f.window->frameGeometry()));
    QCOMPARE(f.window->menuBar()->geometry().top(), 0);
    // The panel keeps its size and scrolls: the page's far corner is reachable.
    auto *scroll = qobject_cast<QScrollArea *>(f.window->centralWidget());
    QVERIFY(scroll);
    const QSize panel = scroll->widget()->size();
    const QWidget *page = f.window->findChild<QWidget *>(QStringLiteral("QuickRep1"));
    QVERIFY(page->geometry().right() < panel.width() && page->geometry().bottom() < panel.height());
    QTRY_COMPARE(scroll->horizontalScrollBar()->maximum(), std::max(0, panel.width() - scroll->viewport()->width()));
    QTRY_COMPARE(scroll->verticalScrollBar()->maximum(), std::max(0, panel.height() - scroll->viewport()->height()));
    if (f.window->size() == natural) // no scroll bar where the window has its described size
        QTRY_COMPARE(scroll->viewport()->size(), panel);
    f.window->hide();
}

void TestPrintWindow::printsCurrentRecipientThroughSetup()
{
    Fixture f("st");
    PrintWindow::setRunner([](PrintWindow &window) { printThroughSetup(window.run(), &window); });
    f.recipients.moveTo(1);
    const QString printed = f.printedText("N1");
    QVERIFY2(printed.contains(u"收件人二"_qs) && printed.contains(u"寄件人甲"_qs), qPrintable(printed));
    QVERIFY(!printed.contains(u"收件人一"_qs));
    installPreviewRunner();
}

void TestPrintWindow::interruptedPrintsAreShownAndFailedOnesLeaveNothing()
{
    Fixture f("st");
    printBatch(f);
    // The program ended while the second form was going out.
    QVERIFY(RawDb(f.dir.dbPath()).exec(u"update print_log set state = 'pending' where entry = '2'"_qs));
    PrintLogWindow window;
    const QAbstractItemModel *model = window.findChild<QTableView *>()->model();
    const int notes = model->columnCount() - 1;
    QVERIFY(!model->index(0, notes).data().toString().contains(u"可能已打印"_qs));
    QVERIFY2(model->index(1, notes).data().toString().contains(u"可能已打印"_qs),
             qPrintable(model->index(1, notes).data().toString()));
    // A print that fails takes its pending entries away again.
    PrintWindow batch(*courierByCode(u"st"_qs), Variant::Batch,
                      std::make_unique<AllRowsSource>(f.sender, f.recipients));
    f.dialogs.textAnswers = {u"200"_qs};
    batch.findChild<QAction *>(QStringLiteral("FirstNumber"))->trigger();
    f.dialogs.printAnswer = [&](QPrinter &printer, int, int) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(f.dir.file(u"gone/batch.pdf"_qs));
        return true;
    };
    PrintWindow::setRunner([](PrintWindow &window) { window.showPrinted(printThroughSetup(window.run(), &window)); });
    batch.findChild<QAction *>(QStringLiteral("N1"))->trigger();
    installPreviewRunner();
    QCOMPARE(f.dialogs.texts(QStringLiteral("error")).size(), 1);
    Connection connection(u"check"_qs);
    QCOMPARE(PrintLog(connection).list().size(), 2);
}

void TestPrintWindow::recordWindowKeepsItsColumnsWhenNothingMatches()
{
    Fixture f("st");
    printBatch(f);
    PrintLogWindow window;
    auto *table = window.findChild<QTableView *>();
    QList<int> widths;
    for (int column = 0; column < table->model()->columnCount(); ++column)
        widths << table->columnWidth(column);
    window.findChild<QLineEdit *>(QStringLiteral("Find"))->setText(u"没有这个人"_qs);
    QCoreApplication::processEvents();
    QCOMPARE(table->model()->rowCount(), 0);
    for (int column = 0; column < widths.size(); ++column)
        QCOMPARE(table->columnWidth(column), widths[column]);
}

void TestPrintWindow::numbersGoOnFromPrintToPrintAndIntoTheRecord()
{
    Fixture f("st");
    PrintWindow::setRunner([](PrintWindow &window) { window.showPrinted(printThroughSetup(window.run(), &window)); });
    // No number yet: nothing is offered; a typed one is shown.
    f.dialogs.textAnswers = {u"ST0099"_qs};
    f.window->findChild<QAction *>(QStringLiteral("FirstNumber"))->trigger();
    QCOMPARE(f.dialogs.texts(QStringLiteral("text")).last().section(QLatin1Char('|'), 1), QString());
    auto *label = f.window->findChild<QLabel *>(QStringLiteral("PrintedLabel"));
    QCOMPARE(label->text(), u"首张运单号：ST0099"_qs);
    QVERIFY(f.printedText("N1").contains(u"收件人一"_qs));
    QCOMPARE(label->text(), u"已打印 1 张（运单号 ST0099）"_qs);
    // The next print goes on from the form after it.
    f.recipients.moveTo(1);
    f.dialogs.clear();
    QVERIFY(f.printedText("N1").contains(u"收件人二"_qs));
    QCOMPARE(label->text(), u"已打印 1 张（运单号 ST0100）"_qs);
    // A new window offers the number after the last one printed on this form.
    PrintWindow other(*courierByCode(u"st"_qs), Variant::Single,
                      std::make_unique<CurrentRowSource>(f.sender, f.recipients));
    f.dialogs.textAnswers = {std::nullopt};
    other.findChild<QAction *>(QStringLiteral("FirstNumber"))->trigger();
    QCOMPARE(f.dialogs.texts(QStringLiteral("text")).last().section(QLatin1Char('|'), 1), u"ST0101"_qs);
    Connection connection(u"check"_qs);
    const QList<PrintLogEntry> entries = PrintLog(connection).list();
    QCOMPARE(entries.size(), 2);
    QCOMPARE(entries[1].recipientName(), u"收件人二"_qs);
    QCOMPARE(entries[1].number, u"ST0100"_qs);
    // A typed number the next ones cannot follow from is refused, the old kept.
    f.dialogs.textAnswers = {u"无号"_qs};
    f.window->findChild<QAction *>(QStringLiteral("FirstNumber"))->trigger();
    QCOMPARE(f.dialogs.texts(QStringLiteral("error")).size(), 1);
    QCOMPARE(f.window->run().firstNumber(), u"ST0101"_qs);
    installPreviewRunner();
}

void TestPrintWindow::recordWindowRenumbersReprintsAndExports()
{
    Fixture f("st");
    PrintWindow batch(*courierByCode(u"st"_qs), Variant::Batch,
                      std::make_unique<AllRowsSource>(f.sender, f.recipients));
    f.dialogs.textAnswers = {u"100"_qs};
    batch.findChild<QAction *>(QStringLiteral("FirstNumber"))->trigger();
    PrintWindow::setRunner([](PrintWindow &window) { window.showPrinted(printThroughSetup(window.run(), &window)); });
    f.dialogs.printAnswer = [&](QPrinter &printer, int, int) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(f.dir.file(u"batch.pdf"_qs));
        return true;
    };
    batch.findChild<QAction *>(QStringLiteral("N1"))->trigger();
    installPreviewRunner();
    // A PDF printed through the printer setup has pages of st's paper to
    // 0.01 mm (230 x 126; Qt alone writes 357 points, 125.94 mm).
    QProcess info;
    info.start(u"pdfinfo"_qs, {f.dir.file(u"batch.pdf"_qs)});
    info.waitForFinished();
    const QRegularExpressionMatch size = QRegularExpression(u"Page size:\\s+([\\d.]+) x ([\\d.]+) pts"_qs)
                                             .match(QString::fromUtf8(info.readAllStandardOutput()));
    QVERIFY(size.hasMatch());
    QVERIFY2(qAbs(size.captured(1).toDouble() * 25.4 / 72 - 230) < 0.01
                 && qAbs(size.captured(2).toDouble() * 25.4 / 72 - 126) < 0.01,
             qPrintable(size.captured(0)));

    PrintLogWindow window;
    QCOMPARE(window.shown().size(), 2);
    QCOMPARE(window.shown()[1].number, u"101"_qs);
    // The filter by text finds the second only.
    window.setFilter({QDate::currentDate(), QDate::currentDate(), QString(), u"收件人二"_qs});
    QCOMPARE(window.shown().size(), 1);
    window.setFilter({QDate::currentDate(), QDate::currentDate(), QString(), QString()});
    // Both numbers were wrong: renumbered from 200 in the order shown.
    window.selectRows({0, 1});
    f.dialogs.textAnswers = {u"0200"_qs};
    window.renumberSelected();
    QCOMPARE(window.shown()[0].number, u"0200"_qs);
    QCOMPARE(window.shown()[1].number, u"0201"_qs);
    // The second is reprinted on the next form, 0202.
    window.selectRows({1});
    f.dialogs.textAnswers = {u"0202"_qs};
    f.dialogs.printAnswer = [&](QPrinter &printer, int, int) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(f.dir.file(u"again.pdf"_qs));
        return true;
    };
    window.reprintSelected();
    QCOMPARE(window.shown().size(), 3);
    QCOMPARE(window.shown()[2].reprintOf, window.shown()[1].entry);
    QCOMPARE(window.shown()[2].number, u"0202"_qs);
    QProcess text;
    text.start(u"pdftotext"_qs, {f.dir.file(u"again.pdf"_qs), u"-"_qs});
    text.waitForFinished();
    QVERIFY(QString::fromUtf8(text.readAllStandardOutput()).contains(u"收件人二"_qs));
    // Nothing selected: everything shown is exported, the spoiled form left out.
    window.selectRows({});
    f.dialogs.fileAnswers = {f.dir.file(u"单号"_qs)};
    window.exportSelected();
    QVERIFY2(f.dialogs.texts(QStringLiteral("notice")).last().startsWith(u"已导出 2 条到"_qs),
             qPrintable(f.dialogs.texts(QStringLiteral("notice")).join('\n')));
    QVERIFY(QFileInfo::exists(f.dir.file(u"单号.xlsx"_qs)));
}

void TestPrintWindow::recordWindowRefusesATakenNumber()
{
    Fixture f("st");
    printBatch(f);
    PrintLogWindow window;
    window.selectRows({1});
    f.dialogs.textAnswers = {u"100"_qs};
    window.renumberSelected();
    const QStringList errors = f.dialogs.texts(QStringLiteral("error"));
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors.first().startsWith(
                 u"运单号 100 已用于第 1 条（收件人一，%1）"_qs.arg(shortTimeText(window.shown()[0].printedAt))),
             qPrintable(errors.first()));
    QCOMPARE(window.shown()[1].number, u"101"_qs);
    // Both renumbered together: the first gives its number up.
    window.selectRows({0, 1});
    f.dialogs.textAnswers = {u"101"_qs};
    window.renumberSelected();
    QCOMPARE(f.dialogs.texts(QStringLiteral("error")).size(), 1);
    QCOMPARE(window.shown()[0].number, u"101"_qs);
    QCOMPARE(window.shown()[1].number, u"102"_qs);
}

void TestPrintWindow::exportWritesTheListedEntriesAsTheChosenType_data()
{
    QTest::addColumn<bool>("selectedOnly");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("filter"); // the file type chosen; empty: the first
    QTest::addColumn<QString>("written");
    QTest::addColumn<QString>("message");
    QTest::newRow("a row clicked, every listed, csv chosen")
        << false << u"单号"_qs << u"CSV 文件 (*.csv)"_qs << u"单号.csv"_qs << u"已导出 2 条到 %1：列出的全部 2 条（"_qs;
    QTest::newRow("first type") << false << u"单号"_qs << QString() << u"单号.xlsx"_qs
                                << u"已导出 2 条到 %1：列出的全部 2 条（"_qs;
    QTest::newRow("a typed suffix is kept")
        << false << u"单号.CSV"_qs << QString() << u"单号.CSV"_qs << u"已导出 2 条到 %1"_qs;
    QTest::newRow("only the selected") << true << u"单号"_qs << u"CSV 文件 (*.csv)"_qs << u"单号.csv"_qs
                                       << u"已导出 1 条到 %1：所选的 1 条。"_qs;
}

void TestPrintWindow::exportWritesTheListedEntriesAsTheChosenType()
{
    QFETCH(bool, selectedOnly);
    QFETCH(QString, typed);
    QFETCH(QString, filter);
    QFETCH(QString, written);
    QFETCH(QString, message);
    Fixture f("st");
    printBatch(f);
    PrintLogWindow window;
    window.selectRows({1}); // looked at
    window.findChild<QCheckBox *>(QStringLiteral("SelectedOnly"))->setChecked(selectedOnly);
    f.dialogs.fileAnswers = {f.dir.file(typed)};
    if (!filter.isEmpty())
        f.dialogs.filterAnswers = {filter};
    window.exportSelected();
    const QString target = QDir::toNativeSeparators(f.dir.file(written));
    QVERIFY2(f.dialogs.texts(QStringLiteral("notice")).value(0).startsWith(message.arg(target)),
             qPrintable(f.dialogs.texts(QStringLiteral("notice")).join('\n')));
    QCOMPARE(QDir(f.dir.path()).entryList({u"单号*"_qs}), QStringList{written});
    if (written.endsWith(u".csv"_qs)) {
        const QStringList lines = QString::fromUtf8(readAll(f.dir.file(written))).split(u"\r\n"_qs, Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), selectedOnly ? 2 : 3);
        QVERIFY2(lines.last().startsWith(u"101,"_qs), qPrintable(lines.last()));
    }
}

void TestPrintWindow::exportAsksBeforeReplacing_data()
{
    QTest::addColumn<bool>("answer");
    QTest::newRow("No keeps the file") << false;
    QTest::newRow("Yes replaces it") << true;
}

void TestPrintWindow::exportAsksBeforeReplacing()
{
    QFETCH(bool, answer);
    Fixture f("st");
    printBatch(f);
    writeAll(f.dir.file(u"单号.csv"_qs), "earlier");
    PrintLogWindow window;
    f.dialogs.fileAnswers = {f.dir.file(u"单号"_qs)};
    f.dialogs.filterAnswers = {u"CSV 文件 (*.csv)"_qs};
    f.dialogs.confirmAnswers = {answer};
    window.exportSelected();
    QCOMPARE(f.dialogs.texts(QStringLiteral("confirm (No default)")),
             QStringList{u"%1 已经存在，要替换它吗？"_qs.arg(QDir::toNativeSeparators(f.dir.file(u"单号.csv"_qs)))});
    QCOMPARE(readAll(f.dir.file(u"单号.csv"_qs)) == "earlier", !answer);
    QCOMPARE(f.dialogs.texts(QStringLiteral("notice")).size(), answer ? 1 : 0);
}

void TestPrintWindow::importedRowsPrintedBeforeAreAsked_data()
{
    QTest::addColumn<bool>("answer");
    QTest::newRow("No prints nothing") << false;
    QTest::newRow("Yes prints them again") << true;
}

void TestPrintWindow::importedRowsPrintedBeforeAreAsked()
{
    QFETCH(bool, answer);
    Fixture f("st");
    RawDb(f.dir.dbPath()).addRecipient(kImportedTable, u"林晓丽"_qs, u"13800001111"_qs);
    RawDb(f.dir.dbPath()).addRecipient(kImportedTable, u"王芳"_qs, u"13800002222"_qs);
    Dataset imported(f.connection, u"ADOQuery3"_qs);
    reopen(f.connection, {{&imported, kImportedTable}});
    printBatch(f, Variant::ImportedBatch, &imported, u"DPK000123450"_qs);
    QCOMPARE(f.dialogs.texts(QStringLiteral("confirm (No default)")), QStringList());
    const QString when = shortTimeText(recordEntries().first().printedAt);
    f.dialogs.confirmAnswers = {answer};
    printBatch(f, Variant::ImportedBatch, &imported, u"DPK000123460"_qs);
    const QStringList asked = f.dialogs.texts(QStringLiteral("confirm (No default)"));
    QCOMPARE(asked.size(), 1);
    QVERIFY2(asked.first().startsWith(
                 u"这 2 张已于 %1 打印过（运单号 DPK000123450–DPK000123451），是否再打印？"_qs.arg(when)),
             qPrintable(asked.first()));
    QVERIFY2(asked.first().contains(u"第 2 张 王芳 13800002222 地址：%1 打印，运单号 DPK000123451"_qs.arg(when)),
             qPrintable(asked.first()));
    QCOMPARE(recordSize(), answer ? 4 : 2);
}

void TestPrintWindow::numberedFormWithoutANumberIsReminded_data()
{
    QTest::addColumn<QString>("before"); // the number of the print before; empty: none
    QTest::addColumn<bool>("answer");
    QTest::addColumn<int>("recorded");
    QTest::newRow("numbered before, No") << u"100"_qs << false << 2;
    QTest::newRow("numbered before, Yes") << u"100"_qs << true << 4;
    QTest::newRow("never numbered") << QString() << false << 4;
}

void TestPrintWindow::numberedFormWithoutANumberIsReminded()
{
    QFETCH(QString, before);
    QFETCH(bool, answer);
    QFETCH(int, recorded);
    Fixture f("st");
    printBatch(f, Variant::Batch, nullptr, before);
    f.dialogs.clear();
    f.dialogs.confirmAnswers = {answer};
    printBatch(f, Variant::Batch, nullptr, QString());
    const QStringList asked = f.dialogs.texts(QStringLiteral("confirm (No default)"));
    // Once for the print of both pages.
    QCOMPARE(asked.size(), before.isEmpty() ? 0 : 1);
    if (!before.isEmpty())
        QVERIFY2(asked.first().startsWith(u"上次用这种快递单打印时填了运单号，这次不填吗？"_qs),
                 qPrintable(asked.first()));
    QCOMPARE(recordSize(), recorded);
}

void TestPrintWindow::printerSetupReachesThePrinter()
{
    // What the user sets up (landscape, two copies) is what the run prints with.
    Fixture f("st");
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    const QString pdf = f.dir.file(QStringLiteral("landscape.pdf"));
    printer.setOutputFileName(pdf);
    setUpPaper(printer, f.window->run().paperMm());
    printer.setPageOrientation(QPageLayout::Landscape);
    printer.setCopyCount(2);
    printRun(f.window->run(), printer, f.window.get());
    QCOMPARE(printer.pageLayout().orientation(), QPageLayout::Landscape);
    QCOMPARE(printer.copyCount(), 2);
    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {pdf});
    info.waitForFinished();
    const QRegularExpressionMatch size = QRegularExpression(QStringLiteral("Page size:\\s+([\\d.]+) x ([\\d.]+) pts"))
                                             .match(QString::fromUtf8(info.readAllStandardOutput()));
    QVERIFY(size.hasMatch());
    // st's paper is 230 x 126 mm: turned, the page is 126 mm wide.
    QVERIFY2(qAbs(size.captured(1).toDouble() * 25.4 / 72 - f.window->run().paperMm().height()) < 0.5,
             qPrintable(size.captured(0)));
}

void TestPrintWindow::printerQueueIsAskedForTheMeasuredPaper_data()
{
    QTest::addColumn<QSizeF>("paper");
    QTest::addColumn<QString>("media");
    QTest::newRow("230 x 127.3") << QSizeF(230, 127.3) << u"Custom.230x127.3mm"_qs;
    QTest::newRow("216 x 140") << QSizeF(216, 140) << u"Custom.216x140mm"_qs;
    QTest::newRow("229.8 x 101.6") << QSizeF(229.8, 101.6) << u"Custom.229.8x101.6mm"_qs;
}

void TestPrintWindow::printerQueueIsAskedForTheMeasuredPaper()
{
    // Qt's CUPS engine sends the page size's key as the job's media: set up
    // in millimetres, it names the paper to 0.1 mm (a whole-point size would
    // be 0.35 mm off on every form of a tractor feed).
    QFETCH(QSizeF, paper);
    QFETCH(QString, media);
    QPrinter printer(QPrinter::HighResolution);
    setUpPaper(printer, paper);
    QCOMPARE(printer.pageLayout().pageSize().key(), media);
    QCOMPARE(printer.pageLayout().pageSize().size(QPageSize::Millimeter), paper);
}

void TestPrintWindow::opensCentredOnTheDesktop()
{
    Fixture f("yt");
    f.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
    const QRect desktop = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY2(qAbs(f.window->frameGeometry().center().x() - desktop.center().x()) <= 4
                 && qAbs(f.window->frameGeometry().center().y() - desktop.center().y()) <= 4,
             qPrintable(QStringLiteral("%1,%2 %3x%4 in %5x%6")
                            .arg(f.window->x())
                            .arg(f.window->y())
                            .arg(f.window->frameGeometry().width())
                            .arg(f.window->frameGeometry().height())
                            .arg(desktop.width())
                            .arg(desktop.height())));
    f.window->hide();
}

void TestPrintWindow::savedPositionLastsAndDefaultsComeBack()
{
    auto f = std::make_unique<Fixture>("zt");
    f->window->show();
    f->edit("Edit1")->setText(QStringLiteral("12"));
    f->press("Button2");
    f->edit("Edit2")->setText(QStringLiteral("-3"));
    f->press("Button3");
    f->edit("Edit3")->setText(QStringLiteral("1.02"));
    f->edit("Edit4")->setText(QStringLiteral("0.98"));
    f->press("Button4");
    QFont chosen(QStringLiteral("AR PL UMing CN"));
    chosen.setPointSize(14);
    chosen.setBold(true);
    f->dialogs.fontAnswers = {FontChoice{chosen, QColor(Qt::blue)}};
    f->window->Image1Click();
    QCOMPARE(f->window->calibrationText(), u"右移 12、下移 -3（3.2、-0.8 毫米），缩放 1.020 × 0.980"_qs);
    f->window->findChild<QAction *>(QStringLiteral("SaveCalibration"))->trigger();
    QVERIFY(
        f->dialogs.texts(QStringLiteral("notice"))
            .value(0)
            .startsWith(
                u"已保存位置：右移 12、下移 -3（3.2、-0.8 毫米），缩放 1.020 × 0.980，字体 AR PL UMing CN,14,bold"_qs));
    const ComposedPage before = f->window->run().page(0);

    // Another window of the courier, as after a new start: it opens with the
    // saved position, scale and font, composes the same page, and says so.
    PrintWindow again(*courierByCode(QStringLiteral("zt")), Variant::Single,
                      std::make_unique<CurrentRowSource>(f->sender, f->recipients));
    again.show();
    const ComposedPage after = again.run().page(0);
    QCOMPARE(golden::describe(after), golden::describe(before));
    QCOMPARE(after.items.first().color, QColor(Qt::blue));
    QCOMPARE(again.findChild<QLineEdit *>(QStringLiteral("Edit3"))->text(), QStringLiteral("1.020"));
    // Saved for the printer of the last printer setup, else the default one
    // (none, or PDF output: the courier's own).
    const QString printer = calibrationPrinter();
    QCOMPARE(again.findChild<QLabel *>(QStringLiteral("CalibrationLabel"))->text(),
             (printer.isEmpty() ? u"已用保存的位置（所有打印机）"_qs : u"已用保存的位置（打印机 %1）"_qs.arg(printer))
                 + u"：右移 12、下移 -3（3.2、-0.8 毫米），缩放 1.020 × 0.980"_qs);
    again.hide();
    const QString folder = f->dir.path();
    f->window->hide();

    auto batch = PrintWindow::makeBatch(*courierByCode(QStringLiteral("zt")), Variant::Batch);
    batch->show();
    QCOMPARE(batch->run().totalShift(), QPoint(12, -3));
    // 恢复默认位置 asks first, saying what would be forgotten; No (the
    // default) puts the layout back for this run and keeps the saved one.
    const auto savedCount = [&] {
        return RawDb(QDir(folder).filePath(QStringLiteral("data.mdb")))
            .rows(QStringLiteral("select count(*) from calibration"));
    };
    f->dialogs.clear();
    batch->findChild<QAction *>(QStringLiteral("RestoreDefaults"))->trigger();
    const QStringList asked = f->dialogs.texts(QStringLiteral("confirm (No default)"));
    QCOMPARE(asked.size(), 1);
    QVERIFY2(asked[0].contains(u"右移 12、下移 -3"_qs) && asked[0].contains(u"缩放 1.020 × 0.980"_qs)
                 && asked[0].contains(u"字体 AR PL UMing CN,14,bold"_qs)
                 && asked[0].contains(printer.isEmpty() ? u"所有打印机"_qs : printer),
             qPrintable(asked[0]));
    QCOMPARE(batch->run().totalShift(), QPoint(0, 0));
    QCOMPARE(batch->run().scaleX(), 1.0);
    QCOMPARE(batch->run().font(), batch->layout().items.first().font);
    QCOMPARE(savedCount(), QStringList{QStringLiteral("1")});
    // Yes forgets it.
    f->dialogs.confirmAnswers = {true};
    batch->findChild<QAction *>(QStringLiteral("RestoreDefaults"))->trigger();
    QCOMPARE(savedCount(), QStringList{QStringLiteral("0")});
    // Nothing saved any more: the layout comes back without a question.
    f->dialogs.clear();
    batch->findChild<QAction *>(QStringLiteral("RestoreDefaults"))->trigger();
    QVERIFY(f->dialogs.entries.isEmpty());
    batch->hide();
}

void TestPrintWindow::calibrationPageThroughThePrinterSetup()
{
    Fixture f("ems");
    f.edit("Edit1")->setText(QStringLiteral("8"));
    f.press("Button2");
    const QString printed = f.printedText("PrintCalibrationPage");
    QVERIFY2(printed.contains(u"校准页"_qs) && printed.contains(u"右移 8、下移 0"_qs), qPrintable(printed.left(400)));
    QVERIFY(printed.contains(itemLabel(f.window->layout().items.first())));
    // PDF output: what is saved now is the courier's own calibration.
    QCOMPARE(calibrationPrinter(), QString());
}

void TestPrintWindow::scaleRefusesBadInput_data()
{
    QTest::addColumn<QString>("across");
    QTest::addColumn<QString>("down");
    QTest::newRow("not a number") << QStringLiteral("abc") << QStringLiteral("1");
    QTest::newRow("too large") << QStringLiteral("1.2") << QStringLiteral("1");
    QTest::newRow("down too small") << QStringLiteral("1.01") << QStringLiteral("0.5");
    QTest::newRow("empty") << QString() << QStringLiteral("1");
}

void TestPrintWindow::scaleRefusesBadInput()
{
    QFETCH(QString, across);
    QFETCH(QString, down);
    Fixture f("yt");
    f.window->show();
    f.edit("Edit3")->setText(across);
    f.edit("Edit4")->setText(down);
    f.press("Button4");
    QCOMPARE(f.dialogs.texts(QStringLiteral("error")).size(), 1);
    QCOMPARE(f.window->run().scaleX(), 1.0);
    QCOMPARE(f.window->run().scaleY(), 1.0);
    QCOMPARE(f.edit("Edit3")->text(), across); // what the user typed stays
    // A shift that moves every field off the paper is refused where it is
    // typed (a blank waybill would print), in either direction; nothing moves.
    const struct {
        const char *edit;
        const char *button;
        const char *amount;
    } offPaper[] = {{"Edit1", "Button2", "100000"}, {"Edit1", "Button2", "-5000"}, {"Edit2", "Button3", "2147483647"}};
    for (const auto &typed : offPaper) {
        f.dialogs.clear();
        f.edit(typed.edit)->setText(QString::fromLatin1(typed.amount));
        f.press(typed.button);
        QCOMPARE(f.dialogs.texts(QStringLiteral("error")).size(), 1);
        QVERIFY(f.dialogs.texts(QStringLiteral("error")).last().contains(u"移出了纸张"_qs));
        QCOMPARE(f.window->run().totalShift(), QPoint(0, 0));
    }
    f.edit("Edit1")->setText(QStringLiteral("-10"));
    f.press("Button2"); // some fields leave the paper, not all: allowed
    QCOMPARE(f.window->run().totalShift(), QPoint(-10, 0));
    f.window->hide();
}

void TestPrintWindow::pictureDecodedOnlyWhenShown()
{
    Fixture f("zjs");
    auto *page = f.window->findChild<PageView *>(QStringLiteral("QuickRep1"));
    QVERIFY(!page->pictureDecoded());
    f.window->grab();
    QVERIFY(page->pictureDecoded());
}

void TestPrintWindow::redFramesAreExplained()
{
    Fixture f("yd");
    f.window->show();
    auto *line = f.window->findChild<QLabel *>(QStringLiteral("FrameLabel"));
    QVERIFY(line->text().isEmpty()); // short texts: no frame, nothing to explain
    f.recipients.edit();
    f.recipients.setValue(col::kRecipientAddress, QString(120, QChar(0x957F)));
    f.recipients.post();
    f.window->hide();
    f.window->show(); // composed again with the data as they are now
    QVERIFY2(line->text().startsWith(u"红框："_qs) && line->text().contains(u"收件地址"_qs), qPrintable(line->text()));
    // The frame itself says what it means when the mouse rests on it.
    auto *page = f.window->findChild<PageView *>(QStringLiteral("QuickRep1"));
    QRectF frame;
    for (const LayoutItem &item : f.window->run().items())
        if (item.column == col::kRecipientAddress && item.row == RowSide::Recipient)
            frame = QRectF(item.left, item.top, 4, 4);
    QHelpEvent hover(QEvent::ToolTip, frame.center().toPoint(), page->mapToGlobal(frame.center().toPoint()));
    QApplication::sendEvent(page, &hover);
    QCOMPARE(QToolTip::text(), PageView::frameExplanation());
    f.window->hide();
}

void TestPrintWindow::incompleteMobileIsFramedAndTold_data()
{
    QTest::addColumn<QString>("mobile");
    QTest::addColumn<QString>("warning"); // empty: none
    QTest::newRow("masked") << "138****5678" << u"收件人手机号码 不完整"_qs;
    QTest::newRow("missing") << "" << u"收件人手机号码 为空"_qs;
    QTest::newRow("complete") << "13812345678" << QString();
}

void TestPrintWindow::incompleteMobileIsFramedAndTold()
{
    QFETCH(QString, mobile);
    QFETCH(QString, warning);
    Fixture f("yd");
    f.recipients.edit();
    f.recipients.setValue(col::kMobile, mobile);
    f.recipients.post();
    QString itemName;
    for (const LayoutItem &item : f.window->run().items())
        if (item.column == col::kMobile && item.row == RowSide::Recipient)
            itemName = item.name;
    QVERIFY(!itemName.isEmpty());

    // The composed page: the number prints as it is, framed and told.
    const ComposedPage page = f.window->run().page(0);
    QCOMPARE(page.warnings, warning.isEmpty() ? QStringList() : QStringList{warning});
    const auto mobileItem = std::find_if(page.items.cbegin(), page.items.cend(),
                                         [&](const ComposedItem &item) { return item.name == itemName; });
    QCOMPARE(mobileItem != page.items.cend(), !warning.isEmpty() || !mobile.isEmpty());
    if (mobileItem != page.items.cend()) {
        QCOMPARE(mobileItem->flagged, !warning.isEmpty());
        QCOMPARE(mobileItem->lines, mobile.isEmpty() ? QStringList() : QStringList{mobile});
    }

    // The window frames the field on the form and names the problem.
    f.window->show();
    auto *line = f.window->findChild<QLabel *>(QStringLiteral("FrameLabel"));
    QCOMPARE(line->text().contains(warning), true);
    QCOMPARE(line->text().isEmpty(), warning.isEmpty());
    auto *form = f.window->findChild<PageView *>(QStringLiteral("QuickRep1"));
    QPoint at;
    for (const LayoutItem &item : f.window->run().items())
        if (item.name == itemName)
            at = QPoint(item.left + 2, item.top + 2);
    if (!warning.isEmpty()) { // the frame on the form explains itself
        QHelpEvent hover(QEvent::ToolTip, at, form->mapToGlobal(at));
        QApplication::sendEvent(form, &hover);
        QCOMPARE(QToolTip::text(), PageView::frameExplanation());
    }
    QImage framed(f.window->run().paperUnits(), QImage::Format_RGB32);
    framed.fill(Qt::white);
    {
        QPainter painter(&framed);
        paintPage(painter, page, 1.0, PaintTarget::Screen);
    }
    bool red = false;
    for (int y = 0; y < framed.height() && !red; ++y)
        for (int x = 0; x < framed.width() && !red; ++x)
            red = framed.pixelColor(x, y) == QColor(220, 0, 0);
    QCOMPARE(red, !warning.isEmpty());
    f.window->hide();
}

void TestPrintWindow::fontDialogOffersSong()
{
    // The real font dialog: 宋体, which no installed font is named, heads the
    // family list, is selected for the layouts' font, and comes back as 宋体.
    QtDialogs real;
    QString selected;
    QTimer::singleShot(0, [&] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        const QList<QListView *> lists = dialog->findChildren<QListView *>();
        QCOMPARE(lists.size(), 3);
        selected = lists[0]->currentIndex().data().toString();
        QVERIFY(lists[1]->model()->rowCount() > 0); // styles of the face that prints
        const QModelIndexList fourteen =
            lists[2]->model()->match(lists[2]->model()->index(0, 0), Qt::DisplayRole, QStringLiteral("14"));
        QCOMPARE(fourteen.size(), 1);
        lists[2]->setCurrentIndex(fourteen.first());
        dialog->accept();
    });
    const std::optional<FontChoice> choice =
        real.chooseFont(nullptr, {QFont(QStringLiteral(u"宋体"), 12), QColor(Qt::black)});
    QCOMPARE(selected, u"宋体"_qs);
    QVERIFY(choice);
    QCOMPARE(choice->font.family(), u"宋体"_qs);
    QCOMPARE(choice->font.pointSize(), 14);
}

void TestPrintWindow::pdfIsOfferedInDocumentsUnderTheFormsName()
{
    // The program runs in its data folder, hidden in the home folder: the
    // real print setup offers the PDF in Documents, named after the form
    // and the date, and then in the folder the user chose.
    Fixture f("sf");
    QTemporaryDir home;
    const QByteArray previousHome = qgetenv("HOME");
    qputenv("HOME", QFile::encodeName(home.path()));
    // No folder chosen before: the folder of the last file is kept between starts.
    const QByteArray previousConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral(".config"))));
    QDir(home.path()).mkpath(QStringLiteral(".local/share/waybill"));
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    QVERIFY(documents.startsWith(home.path()));
    QDir().mkpath(documents);
    const QString previousFolder = QDir::currentPath();
    QDir::setCurrent(home.filePath(QStringLiteral(".local/share/waybill")));
    const QString chosen = home.filePath(QStringLiteral("发货"));
    QDir().mkpath(chosen);

    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(documentName(f.window->run(), QDate(2026, 12, 10)));
    QtDialogs real;
    QStringList offered;
    const auto answer = [&](bool choosePdf) {
        QTimer::singleShot(0, [&, choosePdf] {
            QWidget *setup = QApplication::activeModalWidget();
            QVERIFY(setup);
            auto *file = setup->findChild<QLineEdit *>(QStringLiteral("filename"));
            QVERIFY(file);
            offered << file->text();
            if (!choosePdf) {
                static_cast<QDialog *>(setup)->reject();
                return;
            }
            auto *printers = setup->findChild<QComboBox *>(QStringLiteral("printers"));
            printers->setCurrentIndex(printers->count() - 1); // the PDF entry
            file->setText(QDir(chosen).filePath(QStringLiteral("today.pdf")));
            static_cast<QDialog *>(setup)->accept();
        });
    };
    answer(true);
    QVERIFY(real.printSetup(nullptr, printer, 1, 1));
    QCOMPARE(printer.outputFileName(), QDir(chosen).filePath(QStringLiteral("today.pdf")));
    QPrinter next(QPrinter::HighResolution);
    next.setDocName(printer.docName());
    answer(false);
    QVERIFY(!real.printSetup(nullptr, next, 1, 1));
    QCOMPARE(offered,
             (QStringList{QDir(documents).filePath(u"顺丰快递单-2026-12-10.pdf"_qs),
                          QDir(chosen).filePath(u"顺丰快递单-2026-12-10.pdf"_qs)}));
    QDir::setCurrent(previousFolder);
    qputenv("HOME", previousHome);
    qputenv("XDG_CONFIG_HOME", previousConfig);
}

void TestPrintWindow::printerPropertiesShowTheCouriersPaper()
{
    // The real print setup: its printer properties page shows the courier's
    // paper (a custom size), not the printer's default A4.
    QtDialogs real;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QDir::temp().filePath(QStringLiteral("properties.pdf")));
    setUpPaper(printer, QSizeF(230, 126));
    QString size;
    double width = 0, height = 0;
    QTimer::singleShot(0, [&] {
        QWidget *setup = QApplication::activeModalWidget();
        QVERIFY(setup);
        QPushButton *properties = nullptr;
        for (QPushButton *button : setup->findChildren<QPushButton *>())
            if (button->objectName() == QLatin1String("properties"))
                properties = button;
        QVERIFY(properties);
        properties->setEnabled(true);
        QTimer::singleShot(0, [&, setup] {
            QWidget *page = QApplication::activeModalWidget();
            size = page->findChild<QComboBox *>(QStringLiteral("pageSizeCombo"))->currentText();
            width = page->findChild<QDoubleSpinBox *>(QStringLiteral("pageWidth"))->value();
            height = page->findChild<QDoubleSpinBox *>(QStringLiteral("pageHeight"))->value();
            static_cast<QDialog *>(page)->reject();
            QTimer::singleShot(0, setup, [setup] { static_cast<QDialog *>(setup)->reject(); });
        });
        properties->click();
    });
    real.printSetup(nullptr, printer, 1, 1);
    QVERIFY2(size != QLatin1String("A4"), qPrintable(size));
    QCOMPARE(qRound(width), 230);
    QCOMPARE(qRound(height), 126);
}

QTEST_MAIN(TestPrintWindow)
#include "test_print_window.moc"

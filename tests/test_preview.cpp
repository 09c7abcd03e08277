// The preview over batch runs, and the batch windows themselves: paging,
// keys, zoom, progress, printer setup and printing a page range to PDF,
// one page per recipient row read through the window's own connection.

#include "app/desktop.h"
#include "report/fonts.h"
#include "store/connection.h"
#include "store/dataset.h"
#include "store/reopen.h"
#include "store/schema.h"
#include "test_support.h"
#include "ui/recording_dialogs.h"
#include "ui/screen_fit.h"
#include "waybill/page_canvas.h"
#include "waybill/preview_window.h"
#include "waybill/print_data.h"
#include "waybill/print_source.h"
#include "waybill/print_window.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPrinterInfo>
#include <QProcess>
#include <QPushButton>
#include <QScrollArea>
#include <QTableView>
#include <QToolButton>
#include <QtTest>

using namespace schema;

namespace {

struct Fixture {
    explicit Fixture(int recipients, const char *code = "sf")
    {
        RawDb raw(dir.dbPath());
        raw.exec(u"insert into outrxx (寄件人姓名, 寄件地址, 月, 日) values ('寄件人甲', '杭州', '7', '5')"_qs);
        raw.exec(QStringLiteral("begin"));
        for (int i = 1; i <= recipients; ++i)
            raw.addRecipient(kRecipientTable, QStringLiteral("R%1").arg(i), QString::number(i));
        raw.exec(QStringLiteral("commit"));
        window = PrintWindow::makeBatch(*courierByCode(QString::fromLatin1(code)), Variant::Batch);
        window->FormActivate();
    }
    QLabel *panel(TQRStandardPreview &preview, const char *name) const
    {
        return preview.findChild<QLabel *>(QLatin1String(name));
    }
    QToolButton *button(TQRStandardPreview &preview, int number) const
    {
        return preview.findChild<QToolButton *>(QStringLiteral("RzBitBtn%1").arg(number));
    }
    QStringList recipientNames(const ComposedPage &page) const
    {
        QStringList names;
        for (const ComposedItem &item : page.items)
            if (item.lines.value(0).startsWith(QLatin1Char('R')))
                names << item.lines.value(0);
        return names;
    }

    TempWorkdir dir;
    RecordingDialogs dialogs;
    std::unique_ptr<PrintWindow> window;
};

// PageCanvas has no meta-object of its own: found by name.
PageCanvas *canvasOf(TQRStandardPreview &preview)
{
    return static_cast<PageCanvas *>(preview.findChild<QWidget *>(QStringLiteral("PageView")));
}

QString pdfText(const QString &pdf)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    process.waitForFinished();
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace

class TestPreview : public QObject {
    Q_OBJECT
    QTemporaryDir m_config;

private Q_SLOTS:
    void initTestCase()
    {
        // The user's settings of these tests live in a folder of their own.
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
        installFontSubstitutions();
        installPreviewRunner();
    }
    void paging_data();
    void paging();
    void pagesAppearAsProduced();
    void progressRule_data();
    void progressRule();
    void opensFittingTheWholePage_data();
    void opensFittingTheWholePage();
    void zoomModes();
    void setupKeepsZoomAndPrintsRange();
    void printAfterFailureUsesSetupAsItIsNow();
    void resizesListsWarningsAndShowsThePicture();
    void smallScreenKeepsTheWindowOnIt();
    void incompleteMobilesAreWarnedPerPage();
    void batchRunsOnePagePerRow_data();
    void batchRunsOnePagePerRow();
    void batchSeesRowsAddedBeforeActivation();
    void batchShiftIsItsOwn();
    void activationFailureIsShownAndWindowStays();
    void printEntryOpensPreviewModally();
};

void TestPreview::paging_data()
{
    QTest::addColumn<int>("pages");
    QTest::addColumn<QStringList>("actions"); // button numbers "b4".."b7" or keys
    QTest::addColumn<QStringList>("panels");  // page panel after each action
    QTest::addColumn<int>("selected");        // thumbnail row at the end
    QTest::newRow("single page") << 1 << QStringList{"b4", "b5", "b6", "b7"}
                                 << QStringList{u"第 1/1 页"_qs, u"第 1/1 页"_qs, u"第 1/1 页"_qs, u"第 1/1 页"_qs}
                                 << 0;
    QTest::newRow("five pages, ends") << 5 << QStringList{"b5", "PgUp", "End", "b6", "PgDown"}
                                      << QStringList{u"第 1/5 页"_qs, u"第 1/5 页"_qs, u"第 5/5 页"_qs, u"第 5/5 页"_qs,
                                                     u"第 5/5 页"_qs}
                                      << 4;
    QTest::newRow("ctrl alone jumps") << 5 << QStringList{"b6", "b6", "Ctrl+PgDown", "Ctrl+PgUp"}
                                      << QStringList{u"第 2/5 页"_qs, u"第 3/5 页"_qs, u"第 5/5 页"_qs, u"第 1/5 页"_qs}
                                      << 0;
    QTest::newRow("ctrl shift steps") << 5 << QStringList{"b7", "Ctrl+Shift+PgUp", "Home", "Ctrl+Shift+PgDown"}
                                      << QStringList{u"第 5/5 页"_qs, u"第 4/5 页"_qs, u"第 1/5 页"_qs, u"第 2/5 页"_qs}
                                      << 1;
}

void TestPreview::paging()
{
    QFETCH(int, pages);
    QFETCH(QStringList, actions);
    QFETCH(QStringList, panels);
    QFETCH(int, selected);
    Fixture f(pages);
    TQRStandardPreview preview(f.window->run(), f.window.get());
    preview.produceAllPages();
    QCOMPARE(f.panel(preview, "Panel1")->text(), QStringLiteral(u"第 1/%1 页").arg(pages));
    QWidget *focus = preview.findChild<QScrollArea *>(QStringLiteral("QRPreview1"));
    for (int i = 0; i < actions.size(); ++i) {
        const QString action = actions[i];
        if (action.startsWith(QLatin1Char('b'))) {
            QTest::mouseClick(f.button(preview, action.mid(1).toInt()), Qt::LeftButton);
        } else {
            Qt::KeyboardModifiers modifiers;
            if (action.contains(QStringLiteral("Ctrl")))
                modifiers |= Qt::ControlModifier;
            if (action.contains(QStringLiteral("Shift")))
                modifiers |= Qt::ShiftModifier;
            const Qt::Key key = action.endsWith(QStringLiteral("PgUp")) ? Qt::Key_PageUp
                : action.endsWith(QStringLiteral("PgDown"))             ? Qt::Key_PageDown
                : action == QStringLiteral("Home")                      ? Qt::Key_Home
                                                                        : Qt::Key_End;
            QTest::keyClick(focus, key, modifiers); // the window sees it before the page view
        }
        QCOMPARE(f.panel(preview, "Panel1")->text(), panels[i]);
    }
    QCOMPARE(preview.findChild<QTableView *>(QStringLiteral("ThumbnailList"))->currentIndex().row(), selected);
    QCOMPARE(preview.windowTitle(), u"打印预览"_qs);
}

void TestPreview::pagesAppearAsProduced()
{
    Fixture f(3000);
    TQRStandardPreview preview(f.window->run(), f.window.get());
    QCOMPARE(preview.pageCount(), 1); // the first page at once
    QCOMPARE(f.panel(preview, "Panel1")->text(), u"第 1/1 页"_qs);
    QTRY_COMPARE_WITH_TIMEOUT(preview.pageCount(), 3000, 10000);
    QCOMPARE(f.panel(preview, "Panel1")->text(), u"第 1/3000 页"_qs);
    QCOMPARE(f.recipientNames(preview.page(2999)), QStringList{QStringLiteral("R3000")});
    QCOMPARE(f.panel(preview, "Panel0")->text(), QString()); // 100 % empties the progress panel
}

void TestPreview::progressRule_data()
{
    QTest::addColumn<QList<int>>("reports");
    QTest::addColumn<QStringList>("texts");
    QTest::newRow("small steps") << QList<int>{1, 3, 4, 5} << QStringList{"0%", "0%", "0%", "5%"};
    QTest::newRow("steps of five") << QList<int>{5, 9, 10, 12, 15} << QStringList{"5%", "5%", "10%", "10%", "15%"};
    QTest::newRow("zero and hundred empty") << QList<int>{0, 50, 100} << QStringList{"", "50%", ""};
}

void TestPreview::progressRule()
{
    QFETCH(QList<int>, reports);
    QFETCH(QStringList, texts);
    Fixture f(3000);
    TQRStandardPreview preview(f.window->run(), f.window.get()); // production has not run yet
    QCOMPARE(f.panel(preview, "Panel0")->text(), QStringLiteral("0%"));
    for (int i = 0; i < reports.size(); ++i) {
        preview.reportProgress(reports[i]);
        QCOMPARE(f.panel(preview, "Panel0")->text(), texts[i]);
    }
}

void TestPreview::opensFittingTheWholePage_data()
{
    QTest::addColumn<QString>("code");
    for (const Courier &courier : couriersInMenuOrder())
        QTest::newRow(qPrintable(courier.code)) << courier.code;
}

void TestPreview::opensFittingTheWholePage()
{
    QFETCH(QString, code);
    Fixture f(1, qPrintable(code));
    TQRStandardPreview preview(f.window->run(), f.window.get());
    preview.show();
    QVERIFY(QTest::qWaitForWindowExposed(&preview));
    // As it opens, before any button: the whole page fits the laid-out view.
    const QSize view = preview.findChild<QScrollArea *>(QStringLiteral("QRPreview1"))->viewport()->size();
    const QSize paper = f.window->layout().paperUnits();
    QVERIFY2(view.width() > 200 && view.height() > 200,
             qPrintable(QStringLiteral("%1 x %2").arg(view.width()).arg(view.height())));
    QCOMPARE(preview.zoomMode(), TQRStandardPreview::ZoomMode::FitPage);
    QCOMPARE(preview.zoom(),
             qRound(std::min(95.0 * view.width() / paper.width(), 95.0 * view.height() / paper.height())));
    QVERIFY(preview.zoom() > 30);
}

void TestPreview::zoomModes()
{
    Fixture f(2);
    TQRStandardPreview preview(f.window->run(), f.window.get());
    preview.show();
    QVERIFY(QTest::qWaitForWindowExposed(&preview));
    const QSize view = preview.findChild<QScrollArea *>(QStringLiteral("QRPreview1"))->viewport()->size();
    const QSize paper = f.window->layout().paperUnits();
    QTest::mouseClick(f.button(preview, 1), Qt::LeftButton);
    QCOMPARE(preview.zoom(),
             qRound(std::min(95.0 * view.width() / paper.width(), 95.0 * view.height() / paper.height())));
    QTest::mouseClick(f.button(preview, 2), Qt::LeftButton);
    QCOMPARE(preview.zoom(), qRound(90.0 * view.width() / paper.width()));
    QTest::mouseClick(f.button(preview, 3), Qt::LeftButton);
    QCOMPARE(preview.zoom(), 100);
    QWidget *canvas = preview.findChild<QWidget *>(QStringLiteral("PageView"));
    QCOMPARE(canvas->size(), paper);
    preview.setZoom(TQRStandardPreview::ZoomMode::Percent, 1);
    preview.setZoom(TQRStandardPreview::ZoomMode::Percent, 2001);
    QCOMPARE(preview.zoom(), 100);
    preview.setZoom(TQRStandardPreview::ZoomMode::Percent, 2000);
    QCOMPARE(preview.zoom(), 2000);
    QCOMPARE(f.button(preview, 3)->text(), QStringLiteral(u"缩放100%"));
    QCOMPARE(f.button(preview, 8)->toolTip(), QStringLiteral(u"打印机设置"));
    QCOMPARE(f.button(preview, 1)->size(), QSize(58, 58));
}

void TestPreview::setupKeepsZoomAndPrintsRange()
{
    Fixture f(5, "st");
    TQRStandardPreview preview(f.window->run(), f.window.get());
    preview.produceAllPages();
    const QString pdf = f.dir.file(QStringLiteral("range.pdf"));
    f.dialogs.printAnswer = [&](QPrinter &printer, int from, int to) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        printer.setPrintRange(QPrinter::PageRange);
        printer.setFromTo(2, 3);
        return from == 1 && to == 5;
    };
    QTest::mouseClick(f.button(preview, 8), Qt::LeftButton);
    QCOMPARE(f.dialogs.texts(QStringLiteral("print")), QStringList{QStringLiteral("1-5")});
    // Zoom and paging still work after the setup.
    for (int i = 1; i <= 3; ++i)
        QVERIFY(f.button(preview, i)->isEnabled());
    QTest::mouseClick(f.button(preview, 3), Qt::LeftButton);
    QCOMPARE(preview.zoom(), 100);
    QTest::mouseClick(f.button(preview, 6), Qt::LeftButton);
    QCOMPARE(preview.pageNumber(), 2);
    QTest::mouseClick(f.button(preview, 9), Qt::LeftButton);
    QVERIFY(f.dialogs.texts(QStringLiteral("error")).isEmpty());

    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {pdf});
    info.waitForFinished();
    QVERIFY(
        QString::fromUtf8(info.readAllStandardOutput()).contains(QRegularExpression(QStringLiteral("Pages:\\s+2\\n"))));
    const QString text = pdfText(pdf);
    QVERIFY2(text.contains(QStringLiteral("R2")) && text.contains(QStringLiteral("R3")), qPrintable(text));
    QVERIFY(!text.contains(QStringLiteral("R1 ")) && !text.contains(QStringLiteral("R4")));
    QVERIFY(preview.isEnabled());
}

void TestPreview::printAfterFailureUsesSetupAsItIsNow()
{
    // A print that fails (no printer here, or a file that cannot be
    // written) must not spoil the later prints of the same preview.
    Fixture f(2, "st");
    TQRStandardPreview preview(f.window->run(), f.window.get());
    preview.produceAllPages();
    const QString pdf = f.dir.file(QStringLiteral("after.pdf"));
    if (!QPrinterInfo::availablePrinters().isEmpty())
        QSKIP("a printer is installed here: the first print would reach it instead of failing");
    QTest::mouseClick(f.button(preview, 9), Qt::LeftButton);
    QCOMPARE(f.dialogs.texts(QStringLiteral("error")).size(), 1);
    f.dialogs.printAnswer = [&](QPrinter &printer, int, int) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        return true;
    };
    QTest::mouseClick(f.button(preview, 8), Qt::LeftButton);
    QTest::mouseClick(f.button(preview, 9), Qt::LeftButton);
    QCOMPARE(f.dialogs.texts(QStringLiteral("error")).size(), 1);
    const QString text = pdfText(pdf);
    QVERIFY2(text.contains(QStringLiteral("R1")) && text.contains(QStringLiteral("R2")), qPrintable(text));
    // The status line says what went where.
    QCOMPARE(f.panel(preview, "Panel4")->text(), u"已送出 2 张到文件 %1"_qs.arg(QDir::toNativeSeparators(pdf)));
}

void TestPreview::resizesListsWarningsAndShowsThePicture()
{
    Fixture f(3, "sf");
    RawDb(f.dir.dbPath()).exec(u"update inrxx set 收件地址 = ?"_qs, {QString(200, QChar(0x957F))});
    f.window->FormActivate();
    TQRStandardPreview preview(f.window->run(), f.window.get());
    preview.produceAllPages();
    preview.show();
    QVERIFY(QTest::qWaitForWindowExposed(&preview));
    // Opens 500 high and wide enough for every button of its tool bar; the
    // user may make it larger and maximise it, not smaller than 500 x 500.
    QCOMPARE(preview.height(), 500);
    QVERIFY(preview.width() >= 500);
    QCOMPARE(preview.minimumSize(), QSize(500, 500));
    const QWidget *bar = preview.findChild<QWidget *>(QStringLiteral("ToolBarArea"));
    for (int i = 1; i <= 10; ++i) {
        const QRect button(f.button(preview, i)->mapTo(&preview, QPoint()), f.button(preview, i)->size());
        QVERIFY2(QRect(bar->mapTo(&preview, QPoint()), bar->size()).contains(button), qPrintable(QString::number(i)));
    }
    QVERIFY(preview.windowFlags() & Qt::WindowMaximizeButtonHint);
    // A fitted page follows the window; a chosen percentage stays.
    const int fitted = preview.zoom();
    preview.resize(900, 700);
    QCOMPARE(preview.size(), QSize(900, 700));
    QCOMPARE(preview.zoomMode(), TQRStandardPreview::ZoomMode::FitPage);
    const QSize paper = f.window->layout().paperUnits();
    const QSize view = preview.findChild<QScrollArea *>(QStringLiteral("QRPreview1"))->viewport()->size();
    QTRY_COMPARE(preview.zoom(),
                 qRound(std::min(95.0 * view.width() / paper.width(), 95.0 * view.height() / paper.height())));
    QVERIFY(preview.zoom() > fitted);
    preview.setZoom(TQRStandardPreview::ZoomMode::Percent, 150);
    preview.resize(700, 600);
    QCOMPARE(preview.zoom(), 150);

    // A click on the red line lists every warning, to read and copy.
    QCOMPARE(preview.warnings().size(), 3);
    QString listed;
    f.dialogs.onModal = [&](QWidget *window) {
        listed = window->findChild<QPlainTextEdit *>(QStringLiteral("WarningText"))->toPlainText();
    };
    QTest::mouseClick(f.panel(preview, "Panel3"), Qt::LeftButton);
    QCOMPARE(f.dialogs.texts(QStringLiteral("modal")), QStringList{QStringLiteral("WarningList")});
    QCOMPARE(listed, preview.warnings().join(QLatin1Char('\n')));
    QVERIFY(listed.contains(u"第 3 页"_qs));

    // 显示底图: off at first, on screen only, remembered for the next preview.
    auto *canvas = canvasOf(preview);
    const QImage plain = canvas->grab().toImage();
    QVERIFY(!canvas->showsPicture());
    auto *showPicture = preview.findChild<QCheckBox *>(QStringLiteral("ShowPicture"));
    QVERIFY(showPicture->isVisible());
    QTest::mouseClick(showPicture, Qt::LeftButton, {}, QPoint(5, showPicture->height() / 2));
    QVERIFY(canvas->showsPicture());
    QVERIFY(canvas->grab().toImage() != plain);
    QCOMPARE(preview.page(0).items.size(), f.window->run().page(0).items.size()); // the pages are as they were
    {
        // Kept in the settings file, so the next start shows it too.
        const QString file = m_config.filePath(QStringLiteral("waybill/waybill.conf"));
        QTRY_VERIFY(QString::fromUtf8(readAll(file)).contains(QStringLiteral("showPicture=true")));
        TQRStandardPreview next(f.window->run(), f.window.get());
        QVERIFY(canvasOf(next)->showsPicture());
        next.showPicture(false);
    }
    TQRStandardPreview after(f.window->run(), f.window.get());
    QVERIFY(!canvasOf(after)->showsPicture());
}

void TestPreview::smallScreenKeepsTheWindowOnIt()
{
    // At 200 % on 1366 x 768 the screen is smaller than the least size: the
    // window fits it all the same, its title bar on the screen.
    Fixture f(1, "sf");
    TQRStandardPreview preview(f.window->run(), f.window.get());
    preview.show();
    QVERIFY(QTest::qWaitForWindowExposed(&preview));
    const QRect available(0, 0, 683, 344);
    placeOnScreen(&preview, available, QSize(700, 500));
    QTRY_VERIFY(available.contains(preview.frameGeometry()));
    QVERIFY(preview.height() < 500);
}

void TestPreview::incompleteMobilesAreWarnedPerPage()
{
    Fixture f(3, "zt");
    RawDb raw(f.dir.dbPath());
    raw.exec(u"update inrxx set 手机号码 = '138****5678' where rowid = 2"_qs);
    raw.exec(u"update inrxx set 手机号码 = '' where rowid = 3"_qs);
    f.window->FormActivate();
    TQRStandardPreview preview(f.window->run(), f.window.get());
    preview.produceAllPages();
    QCOMPARE(preview.warnings(),
             (QStringList{u"第 2 页：收件人手机号码 不完整"_qs, u"第 3 页：收件人手机号码 为空"_qs}));
    const auto flagged = [&](int page) {
        QStringList texts;
        for (const ComposedItem &item : preview.page(page).items)
            if (item.flagged)
                texts << item.lines.join(QLatin1Char('/'));
        return texts;
    };
    QCOMPARE(flagged(0), QStringList());
    QCOMPARE(flagged(1), QStringList{QStringLiteral("138****5678")}); // printed as it is
    QCOMPARE(flagged(2), QStringList{QString()});                     // an empty box, framed
    QVERIFY(f.panel(preview, "Panel3")->text().contains(u"第 2 页：收件人手机号码 不完整"_qs));
}

void TestPreview::batchRunsOnePagePerRow_data()
{
    QTest::addColumn<int>("rows");
    QTest::newRow("three rows") << 3;
    QTest::newRow("no rows") << 0;
}

void TestPreview::batchRunsOnePagePerRow()
{
    QFETCH(int, rows);
    Fixture f(rows);
    TQRStandardPreview preview(f.window->run(), f.window.get());
    preview.produceAllPages();
    QCOMPARE(preview.pageCount(), std::max(rows, 1));
    for (int k = 0; k < preview.pageCount(); ++k) {
        QCOMPARE(f.recipientNames(preview.page(k)),
                 rows ? QStringList{QStringLiteral("R%1").arg(k + 1)} : QStringList{});
        QStringList sender;
        for (const ComposedItem &item : preview.page(k).items)
            if (item.name == QStringLiteral("QRDBText1") || item.name == QStringLiteral("QRDBText17"))
                sender << item.lines.value(0);
        QCOMPARE(sender, (QStringList{u"寄件人甲"_qs, QStringLiteral("7")}));
    }
}

void TestPreview::batchSeesRowsAddedBeforeActivation()
{
    Fixture f(1);
    RawDb(f.dir.dbPath()).addRecipient(kRecipientTable, QStringLiteral("R2"), QStringLiteral("2"));
    QCOMPARE(f.window->run().pageCount(), 1); // the snapshot of the last activation
    f.window->show();                         // becoming active takes a fresh one
    QCOMPARE(f.window->run().pageCount(), 2);
    f.window->hide();
}

void TestPreview::batchShiftIsItsOwn()
{
    Fixture f(2);
    Connection connection(QStringLiteral("main"));
    Dataset sender(connection, QStringLiteral("ADOQuery1"));
    Dataset recipients(connection, QStringLiteral("ADOQuery2"));
    reopen(connection, {{&sender, kSenderTable}, {&recipients, kRecipientTable}});
    PrintWindow single(*courierByCode(QStringLiteral("sf")), Variant::Single,
                       std::make_unique<CurrentRowSource>(sender, recipients));
    const int singleLeft = single.run().items().first().left;
    const int batchLeft = f.window->run().items().first().left;
    f.window->findChild<QLineEdit *>(QStringLiteral("Edit1"))->setText(QStringLiteral("10"));
    QTest::mouseClick(f.window->findChild<QPushButton *>(QStringLiteral("Button2")), Qt::LeftButton);
    TQRStandardPreview preview(f.window->run(), f.window.get());
    preview.produceAllPages();
    for (int k = 0; k < 2; ++k)
        QCOMPARE(preview.page(k).items.first().box.left(), double(batchLeft + 10));
    QCOMPARE(single.run().items().first().left, singleLeft);
}

void TestPreview::activationFailureIsShownAndWindowStays()
{
    Fixture f(1);
    QFile::remove(f.dir.dbPath());
    f.window->show();
    QCOMPARE(f.dialogs.texts(QStringLiteral("error")).size(), 1);
    QVERIFY(f.dialogs.texts(QStringLiteral("error")).first().contains(QStringLiteral("data.mdb")));
    QVERIFY(f.window->isVisible());
    QVERIFY(!QFile::exists(f.dir.dbPath()));
    f.window->hide();
}

void TestPreview::printEntryOpensPreviewModally()
{
    Fixture f(4);
    int pagesShown = 0;
    f.dialogs.onModal = [&](QWidget *window) {
        auto *preview = qobject_cast<TQRStandardPreview *>(window);
        QVERIFY(preview);
        preview->produceAllPages();
        pagesShown = preview->pageCount();
    };
    f.window->findChild<QAction *>(QStringLiteral("N1"))->trigger();
    QCOMPARE(f.dialogs.texts(QStringLiteral("modal")), QStringList{QStringLiteral("QRStandardPreview")});
    QCOMPARE(pagesShown, 4);
}

QTEST_MAIN(TestPreview)
#include "test_preview.moc"

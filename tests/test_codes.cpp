// Code items (Code 128 and QR) from the office's own forms, read back from
// the printed PDF by an independent decoder; fitting text to its box; the
// form file's kinds and options.

#include "report/fonts.h"
#include "report/page.h"
#include "report/print_job.h"
#include "store/schema.h"
#include "waybill/barcode.h"
#include "waybill/page_composer.h"
#include "waybill/split_lines.h"
#include "waybill/user_form.h"
#include "waybill/waybill_number.h"
#include "waybill/waybill_run.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <QtTest>
#include <poppler-qt6.h>

// Results as UTF-8 text.
#define ZX_USE_UTF8
#include <ReadBarcode.h>

namespace {

const QSizeF kPaper(100, 150);
const QString &kOrder = schema::col::kOrderNumber;

// Pages whose order number (and any other column) are given; every other
// column is empty.
class Values : public PrintSource {
public:
    explicit Values(QList<QHash<QString, QString>> pages) : m_pages(std::move(pages)) {}
    int pageCount() const override { return int(m_pages.size()); }
    QString value(int page, RowSide, const QString &column) const override { return m_pages[page].value(column); }

private:
    QList<QHash<QString, QString>> m_pages;
};

// A form of one item printing a column of the recipient side in a box at
// (10, 20) mm.
UserForm oneItemForm(ItemKind kind, const QString &column, const QSizeF &boxMm, bool readable = false)
{
    UserForm form;
    form.code = QStringLiteral("codes");
    form.name = QStringLiteral(u"条码单");
    form.paperMm = kPaper;
    UserFormItem item;
    item.column = column;
    item.kind = kind;
    item.readableLine = readable;
    item.mm = QRectF(QPointF(10, 20), boxMm);
    form.items << item;
    return form;
}

WaybillRun runOf(const UserForm &form, const QList<QHash<QString, QString>> &pages)
{
    return WaybillRun(layoutOfUserForm(form, Variant::Single), std::make_unique<Values>(pages));
}

// Prints the run's pages into a PDF of the device resolution given (0: as
// printing to a PDF file does it).
QString printed(const WaybillRun &run, const QString &path, int dpi = 0, PageRange range = {})
{
    const auto compose = [&](int page, int deviceDpi) { return run.page(page, {deviceDpi, firstPage(range) - 1}); };
    if (dpi == 0) {
        printToPdf(path, run.pageCount(), compose, range);
        return path;
    }
    QPdfWriter writer(path);
    writer.setResolution(dpi);
    printPages(writer, dpi, run.pageCount(), compose, range);
    return path;
}

QImage rendered(const QString &pdf, int page, int dpi)
{
    const std::unique_ptr<Poppler::Document> document = Poppler::Document::load(pdf);
    if (!document)
        return {};
    document->setRenderHint(Poppler::Document::Antialiasing, true);
    const std::unique_ptr<Poppler::Page> sheet = document->page(page);
    return sheet ? sheet->renderToImage(dpi, dpi).convertToFormat(QImage::Format_Grayscale8) : QImage();
}

QString decoded(const QImage &grey, ItemKind kind)
{
    const ZXing::ImageView view(grey.constBits(), grey.width(), grey.height(), ZXing::ImageFormat::Lum,
                                int(grey.bytesPerLine()));
    ZXing::DecodeHints hints;
    hints.setFormats(kind == ItemKind::Qr ? ZXing::BarcodeFormat::QRCode : ZXing::BarcodeFormat::Code128);
    hints.setTryHarder(true);
    const ZXing::Result result = ZXing::ReadBarcode(view, hints);
    return result.isValid() ? QString::fromStdString(result.text()) : QString();
}

// The item's box in dots of a raster of dpi.
QRect boxDots(const LayoutItem &item, int dpi)
{
    const double dots = dpi / kUnitsPerInch;
    const int left = int(std::ceil(item.left * dots - 1e-6));
    const int top = int(std::ceil(item.top * dots - 1e-6));
    return QRect(QPoint(left, top),
                 QPoint(int(std::floor((item.left + item.width) * dots + 1e-6)) - 1,
                        int(std::floor((item.top + item.height) * dots + 1e-6)) - 1));
}

// Where a code's bars print in dots of a raster of dpi.
QRect barsDots(const ComposedItem &code, int dpi)
{
    QRectF united;
    for (const QRectF &bar : code.bars)
        united = united.united(bar);
    const double dots = dpi / kUnitsPerInch;
    return QRect(QPoint(qRound(united.left() * dots), qRound(united.top() * dots)),
                 QPoint(qRound(united.right() * dots) - 1, qRound(united.bottom() * dots) - 1));
}

// The runs of dark pixels along a row: their starts and lengths.
QList<QPair<int, int>> darkRuns(const QImage &grey, int y, int from, int to)
{
    QList<QPair<int, int>> runs;
    const uchar *line = grey.constScanLine(y);
    for (int x = from; x <= to;) {
        if (line[x] >= 128) {
            ++x;
            continue;
        }
        int end = x;
        while (end <= to && line[end] < 128)
            ++end;
        runs.append({x, end - x});
        x = end;
    }
    return runs;
}

// How many pixels of the rectangle are neither black nor white.
int greyPixels(const QImage &grey, const QRect &rect)
{
    int count = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            if (const uchar value = grey.constScanLine(y)[x]; value != 0 && value != 255)
                ++count;
    return count;
}

} // namespace

class TestCodes : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        installFontSubstitutions();
        QVERIFY(m_dir.isValid());
    }
    void codesDecodeFromThePdf_data();
    void codesDecodeFromThePdf();
    void codesSnapToAThermalPrintersDots_data();
    void codesSnapToAThermalPrintersDots();
    void codesTooSmallForTheirBoxAreFlagged_data();
    void codesTooSmallForTheirBoxAreFlagged();
    void eachPageCodesItsWaybillNumber();
    void fittedTextShrinksUntilItFits_data();
    void fittedTextShrinksUntilItFits();
    void formFilesKeepKindsAndOptions_data();
    void formFilesKeepKindsAndOptions();
    void filesOfVersionOneReadAsText();
    void faultyCodeItemsAreRefused_data();
    void faultyCodeItemsAreRefused();

private:
    QTemporaryDir m_dir;
};

void TestCodes::codesDecodeFromThePdf_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QSizeF>("boxMm");
    QTest::addColumn<bool>("readable");
    const int code128 = int(ItemKind::Code128);
    const int qr = int(ItemKind::Qr);
    QTest::newRow("12 digits, code set C") << code128 << u"123456789012"_qs << QSizeF(50, 12) << true;
    QTest::newRow("20 digits in a narrow box") << code128 << u"98765432109876543210"_qs << QSizeF(36, 10) << false;
    QTest::newRow("letters around digits") << code128 << u"SF1234567890ab-X"_qs << QSizeF(70, 14) << true;
    QTest::newRow("an S10 number, odd digits") << code128 << u"EA123456785CN"_qs << QSizeF(60, 10) << false;
    QTest::newRow("odd run of digits mid-text") << code128 << u"JD0012345678901Z"_qs << QSizeF(64, 11) << false;
    QTest::newRow("QR of a number") << qr << u"123456789012"_qs << QSizeF(20, 20) << false;
    QTest::newRow("QR of Chinese text") << qr << u"收件人：林晓丽 上海市浦东新区张江高科技园区碧波路690号"_qs
                                        << QSizeF(30, 30) << false;
    QTest::newRow("QR in a wide, low box")
        << qr << u"https://example.com/t?n=DPK000123450"_qs << QSizeF(70, 24) << false;
}

void TestCodes::codesDecodeFromThePdf()
{
    QFETCH(int, kind);
    QFETCH(QString, value);
    QFETCH(QSizeF, boxMm);
    QFETCH(bool, readable);
    const WaybillRun run = runOf(oneItemForm(ItemKind(kind), kOrder, boxMm, readable), {{{kOrder, value}}});
    QVERIFY2(run.page(0).warnings.isEmpty(), qPrintable(run.page(0).warnings.join(u'，')));
    const QString pdf = printed(run, m_dir.filePath(QStringLiteral("%1.pdf").arg(QTest::currentDataTag())));
    for (const int dpi : {600, 203}) {
        const QImage image = rendered(pdf, 0, dpi);
        QVERIFY(!image.isNull());
        QCOMPARE(decoded(image, ItemKind(kind)), value);
    }
    // At the PDF's 600 dpi each module is whole dots: no edge is grey; the
    // modules are as wide as the box allows, the code centred in it with its
    // quiet zones.
    const QImage image = rendered(pdf, 0, 600);
    const QRect box = boxDots(run.items().first(), 600);
    const QRect bars = barsDots(run.page(0).items.first(), 600);
    QVERIFY(box.contains(bars));
    QCOMPARE(greyPixels(image, bars), 0);
    const std::optional<CodeSymbol> symbol = ItemKind(kind) == ItemKind::Qr ? qrSymbol(value) : code128Symbol(value);
    QVERIFY(symbol);
    const int across = ItemKind(kind) == ItemKind::Qr ? std::min(box.width(), box.height()) : box.width();
    const int quiet = ItemKind(kind) == ItemKind::Qr ? qr::kQuietModules : code128::kQuietModules;
    int module = std::numeric_limits<int>::max();
    int first = box.right();
    int last = box.left();
    for (int y = bars.top(); y <= bars.bottom(); ++y)
        for (const auto &[start, length] : darkRuns(image, y, box.left(), box.right())) {
            module = std::min(module, length);
            first = std::min(first, start);
            last = std::max(last, start + length - 1);
        }
    QVERIFY2(module * symbol->columns <= across && (module + 1) * symbol->columns > across,
             qPrintable(
                 QStringLiteral("module %1 dots, %2 modules in %3 dots").arg(module).arg(symbol->columns).arg(across)));
    const int leftGap = first - box.left();
    const int rightGap = box.right() - last;
    QVERIFY2(leftGap >= quiet * module && rightGap >= quiet * module && std::abs(leftGap - rightGap) <= 1,
             qPrintable(QStringLiteral("%1 %2").arg(leftGap).arg(rightGap)));
}

void TestCodes::codesSnapToAThermalPrintersDots_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QSizeF>("boxMm");
    QTest::newRow("waybill number") << int(ItemKind::Code128) << u"773012345678901"_qs << QSizeF(60, 15);
    QTest::newRow("QR of an address") << int(ItemKind::Qr) << u"浙江省杭州市西湖区文三路478号"_qs << QSizeF(25, 25);
}

void TestCodes::codesSnapToAThermalPrintersDots()
{
    // Printed for a 203 dpi printer, the modules are whole dots of it.
    QFETCH(int, kind);
    QFETCH(QString, value);
    QFETCH(QSizeF, boxMm);
    const WaybillRun run = runOf(oneItemForm(ItemKind(kind), kOrder, boxMm), {{{kOrder, value}}});
    const QString pdf = printed(run, m_dir.filePath(QStringLiteral("203-%1.pdf").arg(QTest::currentDataTag())), 203);
    const QImage image = rendered(pdf, 0, 203);
    QCOMPARE(decoded(image, ItemKind(kind)), value);
    QCOMPARE(greyPixels(image, barsDots(run.page(0, {203}).items.first(), 203)), 0);
}

void TestCodes::codesTooSmallForTheirBoxAreFlagged_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QSizeF>("boxMm");
    QTest::addColumn<bool>("readable");
    QTest::addColumn<int>("dpi");
    QTest::addColumn<QString>("problem"); // empty: it prints
    const int code128 = int(ItemKind::Code128);
    const int qr = int(ItemKind::Qr);
    const QString small = u"框太小，放不下条码"_qs;
    const QString digits = u"1234567890123"_qs;
    QTest::newRow("narrower than a dot a module") << code128 << digits << QSizeF(4, 12) << false << 600 << small;
    QTest::newRow("a dot a module at 600 dpi") << code128 << digits << QSizeF(10, 12) << false << 600 << QString();
    QTest::newRow("the same box at 203 dpi") << code128 << digits << QSizeF(10, 12) << false << 203 << small;
    QTest::newRow("bars lower than 4 mm") << code128 << digits << QSizeF(40, 3) << false << 600 << small;
    QTest::newRow("5 mm of bars") << code128 << digits << QSizeF(40, 5) << false << 600 << QString();
    QTest::newRow("5 mm with a readable line") << code128 << digits << QSizeF(40, 5) << true << 600 << small;
    QTest::newRow("12 mm with a readable line") << code128 << digits << QSizeF(40, 12) << true << 600 << QString();
    QTest::newRow("Chinese in a Code 128")
        << code128 << u"林晓丽"_qs << QSizeF(60, 15) << false << 600 << u"条码 Code 128 只能印数字、字母和英文符号"_qs;
    QTest::newRow("QR of 1 mm") << qr << digits << QSizeF(1, 1) << false << 600 << small;
    QTest::newRow("QR in a low box") << qr << QString(300, u'码') << QSizeF(60, 3) << false << 203 << small;
    QTest::newRow("QR past its capacity")
        << qr << QString(1000, u'码') << QSizeF(90, 90) << false << 600 << u"内容太长，二维码放不下"_qs;
}

void TestCodes::codesTooSmallForTheirBoxAreFlagged()
{
    QFETCH(int, kind);
    QFETCH(QString, value);
    QFETCH(QSizeF, boxMm);
    QFETCH(bool, readable);
    QFETCH(int, dpi);
    QFETCH(QString, problem);
    const WaybillRun run = runOf(oneItemForm(ItemKind(kind), kOrder, boxMm, readable), {{{kOrder, value}}});
    const ComposedPage page = run.page(0, {dpi});
    QVERIFY(!page.items.isEmpty());
    const ComposedItem &code = page.items.first();
    if (problem.isEmpty()) {
        QVERIFY2(page.warnings.isEmpty(), qPrintable(page.warnings.join(u'，')));
        QVERIFY(!code.flagged);
        QVERIFY(!code.bars.isEmpty());
        for (const QRectF &bar : code.bars)
            QVERIFY(code.box.adjusted(-1e-6, -1e-6, 1e-6, 1e-6).contains(bar));
        return;
    }
    // Framed on screen, nothing printed, told as text that does not print whole.
    QVERIFY(code.flagged);
    QVERIFY(code.bars.isEmpty());
    QCOMPARE(page.items.size(), 1);
    QCOMPARE(pageWarning(page, 1), u"第 1 页：订单号 未打全（%1）"_qs.arg(problem));
}

void TestCodes::eachPageCodesItsWaybillNumber()
{
    // Printed from the second page on, the first number lands on it.
    const UserForm form = oneItemForm(ItemKind::Code128, kWaybillNumberColumn, QSizeF(60, 12), true);
    WaybillRun run = runOf(form, {{}, {}, {}});
    run.setFirstNumber(QStringLiteral("DPK000123459"));
    const QString pdf = printed(run, m_dir.filePath(QStringLiteral("numbers.pdf")), 0, {2, 3});
    const QStringList numbers = waybillNumbers(run.firstNumber(), 2);
    for (int page = 0; page < 2; ++page)
        QCOMPARE(decoded(rendered(pdf, page, 203), ItemKind::Code128), numbers[page]);
    // The readable line under the bars says the same.
    const ComposedPage composed = run.page(2, {600, 1});
    QCOMPARE(composed.items.size(), 2);
    QCOMPARE(composed.items[1].lines, QStringList{numbers[1]});
    QVERIFY(composed.items[1].box.top() >= composed.items[0].bars.first().bottom() - 1e-6);
    // Without a first number a page has none, and its code prints nothing.
    run.setFirstNumber({});
    QVERIFY(run.page(0).items.isEmpty());
}

void TestCodes::fittedTextShrinksUntilItFits_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QSizeF>("boxMm");
    QTest::addColumn<int>("points");
    QTest::addColumn<int>("minPoints");
    QTest::addColumn<int>("split");
    QTest::addColumn<bool>("fits");
    const QString address = u"上海市浦东新区张江高科技园区碧波路690号3号楼东座1501室"_qs;
    QTest::newRow("a long company name") << u"杭州明远贸易有限公司华东分公司"_qs << QSizeF(40, 6) << 12 << 6 << 0
                                         << true;
    QTest::newRow("split lines, to the box's height") << address << QSizeF(60, 10) << 12 << 6 << 24 << true;
    QTest::newRow("fits as it is") << u"刘洋"_qs << QSizeF(30, 6) << 12 << 6 << 0 << true;
    QTest::newRow("too long even at 6 pt") << address + address + address << QSizeF(30, 5) << 12 << 6 << 0 << false;
    QTest::newRow("split lines too many at 8 pt") << address + address << QSizeF(50, 6) << 14 << 8 << 20 << false;
}

void TestCodes::fittedTextShrinksUntilItFits()
{
    QFETCH(QString, text);
    QFETCH(QSizeF, boxMm);
    QFETCH(int, points);
    QFETCH(int, minPoints);
    QFETCH(int, split);
    QFETCH(bool, fits);
    UserForm form = oneItemForm(ItemKind::Text, schema::col::kRemarks, boxMm);
    UserFormItem &item = form.items.first();
    item.points = points;
    item.minPoints = minPoints;
    item.split = split;
    item.fitText = true;
    const auto compose = [&](const UserForm &of) { return runOf(of, {{{schema::col::kRemarks, text}}}).page(0); };
    const ComposedPage page = compose(form);
    QCOMPARE(page.items.size(), 1);
    const ComposedItem &composed = page.items.first();
    const int chosen = qRound(page.fonts[composed.font].font.pixelSize() / kUnitsPerPoint);
    const LayoutItem placed = layoutOfUserForm(form, Variant::Single).items.first();
    QStringList lines = textLines(split > 0 ? splitLines(text, split) : text);
    while (lines.last().isEmpty()) // a split text may end its last line
        lines.removeLast();
    if (!fits) {
        QCOMPARE(chosen, minPoints);
        QVERIFY(composed.flagged);
        QCOMPARE(page.warnings, QStringList{u"备注 未打全"_qs});
        return;
    }
    QVERIFY2(page.warnings.isEmpty(), qPrintable(page.warnings.join(u'，')));
    QVERIFY(!composed.flagged);
    QCOMPARE(composed.lines.mid(0, lines.size()), lines);
    for (const LaidOutLine &line : composed.laidOut)
        QVERIFY2(line.width <= placed.width + 0.5, qPrintable(QString::number(line.width)));
    QVERIFY(chosen <= points && chosen >= minPoints);
    // The largest size it fits at: a point more, without fitting, does not.
    if (chosen < points) {
        UserForm larger = form;
        larger.items.first().fitText = false;
        larger.items.first().points = chosen + 1;
        const ComposedPage bigger = compose(larger);
        const bool wider = std::any_of(bigger.items.first().laidOut.cbegin(), bigger.items.first().laidOut.cend(),
                                       [&](const LaidOutLine &line) { return line.width > placed.width + 0.5; });
        QVERIFY(wider || !bigger.warnings.isEmpty());
    }
}

void TestCodes::formFilesKeepKindsAndOptions_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("readable");
    QTest::addColumn<bool>("fit");
    QTest::addColumn<int>("minPoints");
    QTest::newRow("text") << int(ItemKind::Text) << false << false << 6;
    QTest::newRow("text fitted down to 5 pt") << int(ItemKind::Text) << false << true << 5;
    QTest::newRow("Code 128") << int(ItemKind::Code128) << false << false << 6;
    QTest::newRow("Code 128 with its line") << int(ItemKind::Code128) << true << false << 9;
    QTest::newRow("QR") << int(ItemKind::Qr) << false << false << 6;
}

void TestCodes::formFilesKeepKindsAndOptions()
{
    QFETCH(int, kind);
    QFETCH(bool, readable);
    QFETCH(bool, fit);
    QFETCH(int, minPoints);
    UserForm form = oneItemForm(ItemKind(kind), kWaybillNumberColumn, QSizeF(50, 12), readable);
    form.items.first().fitText = fit;
    form.items.first().minPoints = minPoints;
    const QByteArray json = userFormJson(form);
    QCOMPARE(QJsonDocument::fromJson(json).object().value(u"version"_qs).toInt(), user_form::kFileVersion);
    const UserFormItem back = readUserForm(QStringLiteral("codes.kdform"), json).items.first();
    QCOMPARE(int(back.kind), kind);
    QCOMPARE(back.readableLine, readable);
    QCOMPARE(back.fitText, fit);
    QCOMPARE(back.minPoints, minPoints);
    QCOMPARE(back.column, kWaybillNumberColumn);
    // And on to the print run's items.
    const LayoutItem printed =
        layoutOfUserForm(readUserForm(QStringLiteral("codes.kdform"), json), Variant::Batch).items.first();
    QCOMPARE(int(printed.kind), kind);
    QCOMPARE(printed.readableLine, readable);
    QCOMPARE(printed.fitText, fit);
    QCOMPARE(printed.minPoints, minPoints);
}

void TestCodes::filesOfVersionOneReadAsText()
{
    // A file as version 1 wrote it: no kinds nor options.
    UserForm form = userFormFromLayout(layoutFor(QStringLiteral("st"), Variant::Single), u"old"_qs, u"旧快递单"_qs);
    QJsonObject document = QJsonDocument::fromJson(userFormJson(form)).object();
    document.insert(u"version"_qs, 1);
    QJsonArray items;
    for (const QJsonValue &value : document.value(u"items"_qs).toArray()) {
        QJsonObject item = value.toObject();
        for (const QString &key : {u"kind"_qs, u"readable"_qs, u"fit"_qs, u"minPoints"_qs})
            item.remove(key);
        items.append(item);
    }
    document.insert(u"items"_qs, items);
    const UserForm old = readUserForm(QStringLiteral("old.kdform"), QJsonDocument(document).toJson());
    QCOMPARE(old.items.size(), form.items.size());
    for (const UserFormItem &item : old.items) {
        QCOMPARE(item.kind, ItemKind::Text);
        QVERIFY(!item.fitText);
        QVERIFY(!item.readableLine);
    }
}

void TestCodes::faultyCodeItemsAreRefused_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QJsonValue>("value");
    QTest::addColumn<QString>("says");
    QTest::newRow("an unknown kind") << u"kind"_qs << QJsonValue(u"ean13"_qs)
                                     << u"items[0].kind：应为 text、code128 或 qr（现为 ean13）"_qs;
    QTest::newRow("Chinese fixed text in a Code 128")
        << u"text"_qs << QJsonValue(u"运单"_qs) << u"items[0].text：条码 Code 128 只能印数字、字母和英文符号"_qs;
    QTest::newRow("least size of 2 pt") << u"minPoints"_qs << QJsonValue(2)
                                        << u"items[0].minPoints 应在 4 到 72 之间"_qs;
    QTest::newRow("readable as a word") << u"readable"_qs << QJsonValue(u"yes"_qs)
                                        << u"items[0].readable 应为 true 或 false"_qs;
}

void TestCodes::faultyCodeItemsAreRefused()
{
    QFETCH(QString, key);
    QFETCH(QJsonValue, value);
    QFETCH(QString, says);
    UserForm form = oneItemForm(ItemKind::Code128, QString(), QSizeF(50, 12));
    form.items.first().fixedText = QStringLiteral("SF123");
    QJsonObject document = QJsonDocument::fromJson(userFormJson(form)).object();
    QJsonArray items = document.value(u"items"_qs).toArray();
    QJsonObject item = items.at(0).toObject();
    item.insert(key, value);
    items.replace(0, item);
    document.insert(u"items"_qs, items);
    try {
        readUserForm(QStringLiteral("codes.kdform"), QJsonDocument(document).toJson());
        QFAIL("a faulty item was read");
    } catch (const AppError &error) {
        QVERIFY2(error.text().contains(says), qPrintable(error.text()));
    }
}

QTEST_MAIN(TestCodes)
#include "test_codes.moc"

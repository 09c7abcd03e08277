// SplitLines, the layouts of all 44 windows, and composing pages.

#include "composed_golden.h"
#include "report/fonts.h"
#include "report/page.h"
#include "waybill/family.h"
#include "waybill/layout.h"
#include "waybill/page_composer.h"
#include "waybill/split_lines.h"
#include "waybill/user_form.h"
#include "waybill/waybill_run.h"

#include <QElapsedTimer>
#include <QFontMetricsF>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QtTest>
#include <limits>

namespace {

struct ExpectedWindow {
    const char *code;
    Variant variant;
    QStringList items;
};

const QList<ExpectedWindow> &expectedWindows()
{
    static const QList<ExpectedWindow> windows{
#include "layout_expectations.inc"
    };
    return windows;
}

QString describe(const LayoutItem &item)
{
    return QStringLiteral("%1 %2 %3 %4,%5,%6,%7 %8 %9 %10")
        .arg(item.name, item.row == RowSide::Sender ? QStringLiteral("sender") : QStringLiteral("recipient"),
             item.column)
        .arg(item.left)
        .arg(item.top)
        .arg(item.width)
        .arg(item.height)
        .arg(item.font.family())
        .arg(item.font.pointSize())
        .arg(item.splitWidth);
}

QString a(int n)
{
    return QString(n, QLatin1Char('a'));
}

} // namespace

namespace {

// The items of a page that print text (an empty mobile number leaves an
// empty framed box besides them).
QList<ComposedItem> printingItems(const ComposedPage &page)
{
    QList<ComposedItem> items;
    for (const ComposedItem &item : page.items)
        if (!item.lines.isEmpty())
            items << item;
    return items;
}

} // namespace

class TestWaybill : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { installFontSubstitutions(); }
    void textPastThePaperIsFlagged_data();
    void textPastThePaperIsFlagged();
    void splitLinesExamples_data();
    void splitLinesExamples();
    void splitLinesNeverCutsACharacter();
    void splitLinesKeepsTheRuleAtEveryWidth();
    void splitLinesTakesTimeInProportionToTheText_data();
    void splitLinesTakesTimeInProportionToTheText();
    void everyWindowHasItsItems_data();
    void everyWindowHasItsItems();
    void paperAndPicture_data();
    void paperAndPicture();
    void faultyFormFilesAreRefusedNamingTheKey_data();
    void faultyFormFilesAreRefusedNamingTheKey();
    void copiesOfTheBuiltInFormsPrintAlike();
    void faultyUserFormsAreRefused_data();
    void faultyUserFormsAreRefused();
    void familyNamesAndCaptions();
    void boxHeightsHoldLines_data();
    void boxHeightsHoldLines();
    void composeSplitsAndFits_data();
    void composeSplitsAndFits();
    void composeSkipsEmptyValuesAndWidensBox();
    void composedPagesAsStored();
    void warnsOfTextThatDoesNotPrintWhole_data();
    void warnsOfTextThatDoesNotPrintWhole();
    void condensesALineThatRunsIntoTheNextField_data();
    void condensesALineThatRunsIntoTheNextField();
    void formPicturesLeaveEveryLabelClear();
    void firstLineAlwaysPrints();
    void runShiftsWithinBoundsAndSetsFonts();
};

void TestWaybill::splitLinesExamples_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("expected");
    const QString zhong = QStringLiteral(u"中");
    const QString six = QStringLiteral(u"中文地址测试");
    QTest::newRow("abc") << "abc" << 30 << "abc\r\n";
    QTest::newRow("a x 28") << a(28) << 30 << a(28) + "\r\n";
    QTest::newRow("a x 29") << a(29) << 30 << a(28) + "\r\na";
    QTest::newRow("a x 60") << a(60) << 30 << a(28) + "\r\n" + a(28) + "\r\n" + a(4) + "\r\n";
    QTest::newRow("20 x zhong") << zhong.repeated(20) << 30 << zhong.repeated(14) + "\r\n" + zhong.repeated(6) + "\r\n";
    QTest::newRow("a x 27 + six") << a(27) + six << 30 << a(27) + zhong + "\r\n" + six.mid(1) + "\r\n";
    QTest::newRow("a x 26 + six") << a(26) + six << 30 << a(26) + zhong + "\r\n" + six.mid(1) + "\r\n";
    QTest::newRow("empty") << "" << 30 << "\r\n";
    QTest::newRow("width 22, 42 bytes") << zhong.repeated(21) << 22
                                        << zhong.repeated(10) + "\r\n" + zhong.repeated(10) + "\r\n" + zhong;
    QTest::newRow("width 16") << a(20) << 16 << a(14) + "\r\n" + a(6) + "\r\n";
    // The plain byte rule would keep the first byte of 中 here (an even count
    // of high bytes up to the cut, the pair ending one byte before it).
    QTest::newRow("pair before the cut") << a(27) + zhong + "a" << 30 << a(27) + zhong + "\r\na\r\n";
    // Cuts that would fall inside a character move to its end.
    QTest::newRow("second byte below 0x80")
        << a(28) + QStringLiteral(u"丂") << 30 << a(28) + QStringLiteral(u"丂") + "\r\n\r\n";
    QTest::newRow("four-byte character") << a(28) + QStringLiteral(u"𠀀") << 30
                                         << a(28) + QStringLiteral(u"𠀀") + "\r\n\r\n";
}

void TestWaybill::splitLinesExamples()
{
    QFETCH(QString, text);
    QFETCH(int, width);
    QFETCH(QString, expected);
    QCOMPARE(splitLines(text, width), expected);
}

void TestWaybill::splitLinesNeverCutsACharacter()
{
    // Random texts of ASCII, common Chinese, characters whose second GBK
    // byte is below 0x80 and four-byte characters: removing the inserted
    // breaks gives the text back; on texts of ASCII and ordinary two-byte
    // characters the result equals the plain byte rule wherever that rule
    // does not itself cut a character in two.
    const QStringList pool{QStringLiteral("a"),   QStringLiteral("7"),   QStringLiteral(u"中"), QStringLiteral(u"址"),
                           QStringLiteral(u"丂"), QStringLiteral(u"乊"), QStringLiteral(u"𠀀"), QStringLiteral(u"€")};
    QRandomGenerator random(20261208);
    for (int round = 0; round < 2000; ++round) {
        QString text;
        const bool plain = round % 2 == 0;
        const int length = int(random.bounded(80));
        for (int i = 0; i < length; ++i)
            text += pool[int(random.bounded(plain ? 4 : int(pool.size())))];
        const int width = QList<int>{16, 22, 30}[int(random.bounded(3))];
        const QString split = splitLines(text, width);
        QString joined = split;
        joined.remove(QStringLiteral("\r\n"));
        QCOMPARE(joined, text);
        QCOMPARE(int(split.count(QStringLiteral("\r\n"))), int(toGb18030(text).size()) / width + 1);
        const QString byteRule = fromGb18030(splitLinesBytes(toGb18030(text), width));
        if (plain && !byteRule.contains(QChar::ReplacementCharacter))
            QCOMPARE(split, byteRule);
    }
}

namespace {

// The rule as first written: every pass counts the high bytes from the
// start and inserts into the whole text (quadratic), the model the split
// is compared with.
QByteArray splitByRescanning(const QByteArray &bytes, int width, QList<bool> starts)
{
    QByteArray s = bytes;
    const qsizetype passes = bytes.size() / width + 1;
    for (qsizetype i = 1; i <= passes; ++i) {
        const qsizetype end = std::min<qsizetype>(i * width, s.size());
        const auto high = std::count_if(s.cbegin(), s.cbegin() + end, [](char c) { return quint8(c) > 126; });
        qsizetype index = std::max<qsizetype>(0, (high % 2 == 1) ? i * width - 1 : i * width - 2);
        index = std::min(index, s.size());
        while (index < s.size() && !starts[index])
            ++index;
        s.insert(index, "\r\n", 2);
        starts.insert(index, 2, true);
    }
    return s;
}

} // namespace

void TestWaybill::splitLinesKeepsTheRuleAtEveryWidth()
{
    // Every width from one byte up, where the breaks land among earlier
    // breaks too, on texts of every kind of character.
    const QStringList pool{QStringLiteral("a"), QStringLiteral(u"中"), QStringLiteral(u"丂"), QStringLiteral(u"𠀀")};
    QRandomGenerator random(20261209);
    for (int round = 0; round < 3000; ++round) {
        QString text;
        const int length = int(random.bounded(60));
        for (int i = 0; i < length; ++i)
            text += pool[int(random.bounded(int(pool.size())))];
        const int width = 1 + int(random.bounded(40));
        QList<bool> starts;
        const QByteArray bytes = toGb18030(text, &starts);
        QCOMPARE(splitLinesBytes(bytes, width, starts), splitByRescanning(bytes, width, starts));
    }
}

void TestWaybill::splitLinesTakesTimeInProportionToTheText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("width");
    QTest::newRow("100,000 letters, width 1") << QString(100000, QLatin1Char('a')) << 1;
    QTest::newRow("100,000 Chinese characters, width 1") << QString(100000, QChar(u'址')) << 1;
    QTest::newRow("100,000 Chinese characters, width 3") << QString(100000, QChar(u'址')) << 3;
}

void TestWaybill::splitLinesTakesTimeInProportionToTheText()
{
    QFETCH(QString, text);
    QFETCH(int, width);
    QElapsedTimer timer;
    timer.start();
    const QString split = splitLines(text, width);
    // Rescanning from the start at each of the 100,000 or more breaks takes minutes.
    QVERIFY2(timer.elapsed() < 2000, qPrintable(QString::number(timer.elapsed())));
    QCOMPARE(split.size(), text.size() + 2 * (toGb18030(text).size() / width + 1));
    QString joined = split;
    joined.remove(QLatin1Char('\r')).remove(QLatin1Char('\n'));
    QCOMPARE(joined, text);
}

void TestWaybill::everyWindowHasItsItems_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<int>("variant");
    QTest::addColumn<QStringList>("items");
    for (const ExpectedWindow &window : expectedWindows())
        QTest::addRow("%s/%d", window.code, int(window.variant))
            << QString::fromLatin1(window.code) << int(window.variant) << window.items;
}

void TestWaybill::everyWindowHasItsItems()
{
    QFETCH(QString, code);
    QFETCH(int, variant);
    QFETCH(QStringList, items);
    QStringList actual;
    for (const LayoutItem &item : layoutFor(code, Variant(variant)).items)
        actual << describe(item);
    QCOMPARE(actual, items);
}

void TestWaybill::paperAndPicture_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QSizeF>("singlePaper");
    QTest::addColumn<QSizeF>("batchPaper");
    QTest::addColumn<QList<int>>("pictureTops");
    QTest::addColumn<QSize>("picturePixels");
    const QSizeF wide(230.0, 126.0), narrow(229.9, 125.9), sf(216.0, 140.0);
    const QList<int> tops{0, 3, 0, 3};
    QTest::newRow("sf") << "sf" << sf << sf << tops << QSize(816, 530);
    QTest::newRow("sf1") << "sf1" << sf << sf << tops << QSize(1272, 820);
    QTest::newRow("st") << "st" << wide << wide << QList<int>{0, 0, 0, 0} << QSize(869, 474);
    QTest::newRow("yt") << "yt" << wide << narrow << tops << QSize(1800, 1003);
    QTest::newRow("yt1") << "yt1" << wide << narrow << tops << QSize(1800, 1003);
    for (const char *code : {"yd", "tt", "zt", "ems"})
        QTest::newRow(code) << code << wide << wide << tops << QSize(869, 474);
    QTest::newRow("zjs") << "zjs" << QSizeF(229.9, 140.0) << QSizeF(230.0, 140.0) << tops << QSize(2718, 1654);
    QTest::newRow("ht") << "ht" << wide << narrow << tops << QSize(1353, 757);
}

void TestWaybill::paperAndPicture()
{
    QFETCH(QString, code);
    QFETCH(QSizeF, singlePaper);
    QFETCH(QSizeF, batchPaper);
    QFETCH(QList<int>, pictureTops);
    QFETCH(QSize, picturePixels);
    for (Variant variant : kVariants) {
        const Layout &layout = layoutFor(code, variant);
        QCOMPARE(layout.paperMm, isBatch(variant) ? batchPaper : singlePaper);
        QCOMPARE(layout.pictureTop, pictureTops[int(variant)]);
        QCOMPARE(layout.picturePixels, picturePixels);
    }
}

namespace {

// The document with the value at a path (object keys and array indexes)
// replaced, or removed when value is undefined.
QJsonValue edited(const QJsonValue &node, QStringList path, const QJsonValue &value)
{
    const QString step = path.takeFirst();
    if (node.isArray()) {
        QJsonArray array = node.toArray();
        const int index = step.toInt();
        if (path.isEmpty())
            array.replace(index, value);
        else
            array.replace(index, edited(array.at(index), path, value));
        return array;
    }
    QJsonObject object = node.toObject();
    if (path.isEmpty() && value.isUndefined())
        object.remove(step);
    else
        object.insert(step, path.isEmpty() ? value : edited(object.value(step), path, value));
    return object;
}

} // namespace

void TestWaybill::faultyFormFilesAreRefusedNamingTheKey_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("says");
    QFile file(QStringLiteral(":/layouts/sf.json"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QJsonObject sf = QJsonDocument::fromJson(file.readAll()).object();
    const auto with = [&](const QString &path, const QJsonValue &value) {
        return QJsonDocument(edited(sf, path.split(QLatin1Char('/')), value).toObject()).toJson();
    };
    QTest::newRow("truncated") << QJsonDocument(sf).toJson().left(300) << u"不是有效的 JSON"_qs;
    QTest::newRow("an array") << QByteArray("[1, 2]") << u"最外层应为对象"_qs;
    QTest::newRow("no paper") << with(u"windows/single/paper"_qs, QJsonValue::Undefined)
                              << u"缺少 windows.single.paper"_qs;
    QTest::newRow("paper as text") << with(u"windows/single/paper"_qs, u"230x126"_qs)
                                   << u"windows.single.paper 应为数组"_qs;
    QTest::newRow("paper of 0 mm") << with(u"windows/single/paper/0"_qs, 0)
                                   << u"windows.single.paper[0] 应在 10 到 1000 之间（现为 0）"_qs;
    QTest::newRow("paper of 5 m") << with(u"windows/batch/paper/1"_qs, 5000)
                                  << u"windows.batch.paper[1] 应在 10 到 1000 之间"_qs;
    QTest::newRow("no such column") << with(u"items/0/column"_qs, u"不存在"_qs)
                                    << u"items[0].column：没有这个字段：不存在"_qs;
    QTest::newRow("row neither side") << with(u"items/2/row"_qs, u"both"_qs)
                                      << u"items[2].row：应为 sender 或 recipient（现为 both）"_qs;
    QTest::newRow("three places") << with(u"items/0/at"_qs,
                                          QJsonArray{QJsonArray{1, 2}, QJsonArray{1, 2}, QJsonArray{1, 2}})
                                  << u"items[0].at：应有四个位置"_qs;
    QTest::newRow("left as text") << with(u"items/1/at/0/0"_qs, u"12"_qs) << u"items[1].at[0][0] 应为数"_qs;
    QTest::newRow("half a byte") << with(u"items/3/split"_qs, 2.5) << u"items[3].split 应为整数"_qs;
    QTest::newRow("no menu caption") << with(u"courier/menuCaption"_qs, QJsonValue::Undefined)
                                     << u"缺少 courier.menuCaption"_qs;
    QTest::newRow("a number for yes") << with(u"courier/bringsListForward/single"_qs, 1)
                                      << u"courier.bringsListForward.single 应为 true 或 false"_qs;
    QJsonArray many;
    for (int i = 0; i < 10000; ++i)
        many.append(sf.value(QStringLiteral("items")).toArray().at(0));
    QTest::newRow("10,000 items") << with(u"items"_qs, many) << u"items：最多 200 项（现有 10000 项）"_qs;
}

void TestWaybill::faultyFormFilesAreRefusedNamingTheKey()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, says);
    try {
        checkForm(FormValue::document(QStringLiteral("sf.json"), bytes));
        QFAIL("a faulty form was read");
    } catch (const AppError &error) {
        QVERIFY2(error.text().startsWith(u"快递单版式 sf.json 有误："_qs), qPrintable(error.text()));
        QVERIFY2(error.text().contains(says), qPrintable(error.text()));
    }
}

void TestWaybill::copiesOfTheBuiltInFormsPrintAlike()
{
    const auto values = [](RowSide row, const QString &column) {
        return (row == RowSide::Sender ? u"寄"_qs : u"收"_qs) + column + u"：杭州市西湖区文三路478号"_qs;
    };
    for (const Courier &courier : couriersInMenuOrder()) {
        const Layout &original = layoutFor(courier.code, Variant::Single);
        // Through the file's text and back, as an export and an import do.
        const UserForm copy =
            readUserForm(QStringLiteral("copy.kdform"),
                         userFormJson(userFormFromLayout(original, u"copy_"_qs + courier.code, courier.captionTail)));
        const Layout copied = layoutOfUserForm(copy, Variant::Batch);
        const ComposedPage expected = PageComposer(original.paperMm, original.items).compose(values);
        const ComposedPage actual = PageComposer(copied.paperMm, copied.items).compose(values);
        QCOMPARE(actual.paperMm, expected.paperMm);
        QCOMPARE(actual.items.size(), expected.items.size());
        for (qsizetype i = 0; i < expected.items.size(); ++i) {
            QCOMPARE(actual.items[i].box, expected.items[i].box);
            QCOMPARE(actual.items[i].lines, expected.items[i].lines);
            QCOMPARE(actual.fonts[actual.items[i].font].font, expected.fonts[expected.items[i].font].font);
        }
        QCOMPARE(actual.warnings, expected.warnings);
    }
}

void TestWaybill::faultyUserFormsAreRefused_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("says");
    const QJsonObject good =
        QJsonDocument::fromJson(
            userFormJson(userFormFromLayout(layoutFor(u"st"_qs, Variant::Single), u"mine"_qs, u"我的"_qs)))
            .object();
    const auto with = [&](const QString &path, const QJsonValue &value) {
        return QJsonDocument(edited(good, path.split(QLatin1Char('/')), value).toObject()).toJson();
    };
    QTest::newRow("not JSON") << QByteArray("waybill") << u"不是有效的 JSON"_qs;
    QTest::newRow("truncated") << QJsonDocument(good).toJson().left(200) << u"不是有效的 JSON"_qs;
    QTest::newRow("another kind of file") << with(u"format"_qs, u"label"_qs) << u"format：不是本软件的快递单文件"_qs;
    QTest::newRow("a newer version") << with(u"version"_qs, user_form::kFileVersion + 1)
                                     << u"version：是较新版本的本软件写的"_qs;
    QTest::newRow("a built-in code") << with(u"code"_qs, u"sf"_qs) << u"是内置快递单的代码"_qs;
    QTest::newRow("a code with capitals") << with(u"code"_qs, u"DB"_qs) << u"只能用小写字母、数字和 _"_qs;
    QTest::newRow("no name") << with(u"name"_qs, u"  "_qs) << u"name：名称不能为空"_qs;
    QTest::newRow("a name on two lines") << with(u"name"_qs, u"德邦\n快递单"_qs) << u"name：名称不能含有控制字符"_qs;
    QTest::newRow("paper of 0 mm") << with(u"paperMm/0"_qs, 0) << u"paperMm[0] 应在 20 到 600 之间"_qs;
    QTest::newRow("paper of 5 m") << with(u"paperMm/1"_qs, 5000) << u"paperMm[1] 应在 20 到 600 之间"_qs;
    QTest::newRow("no such column") << with(u"items/0/column"_qs, u"身份证号"_qs)
                                    << u"items[0].column：没有这个字段：身份证号"_qs;
    QTest::newRow("a box of three") << with(u"items/1/mm"_qs, QJsonArray{1, 2, 3})
                                    << u"items[1].mm：应为 [左, 上, 宽, 高]"_qs;
    QTest::newRow("size as text") << with(u"items/1/points"_qs, u"12"_qs) << u"items[1].points 应为数"_qs;
    QTest::newRow("no colour") << with(u"items/2/color"_qs, u"reddish"_qs) << u"items[2].color：不是颜色"_qs;
    QTest::newRow("a picture that is no image")
        << with(u"picture/data"_qs, QString::fromLatin1(QByteArray("not an image at all").toBase64()))
        << u"picture.data：不是 JPEG 或 PNG 图片"_qs;
    QJsonArray many;
    for (int i = 0; i < 10000; ++i)
        many.append(good.value(QStringLiteral("items")).toArray().at(0));
    QTest::newRow("10,000 items") << with(u"items"_qs, many) << u"items：最多 200 项（现有 10000 项）"_qs;
    // Bounded by what a waybill shows: the rule's splitting of 100,000
    // characters at width 1 takes minutes a page, a long name the designer's memory.
    QTest::newRow("a name of 100,000 characters")
        << with(u"name"_qs, QString(100000, QChar(u'名'))) << u"name：名称最多 40 个字（现有 100000 个）"_qs;
    const auto fixed = [&](const QString &text, int split) {
        QJsonValue item = good.value(QStringLiteral("items")).toArray().at(0);
        item = edited(item.toObject(), {u"column"_qs}, QString());
        item = edited(item.toObject(), {u"text"_qs}, text);
        item = edited(item.toObject(), {u"split"_qs}, split);
        return with(u"items/0"_qs, item);
    };
    QTest::newRow("a fixed text of 100,000 characters")
        << fixed(QString(100000, QChar(u'字')), 0) << u"items[0].text：固定文字最多 1000 个字（现有 100000 个）"_qs;
    QTest::newRow("a fixed text split into a line a byte")
        << fixed(QString(500, QChar(u'字')), 1) << u"items[0].split：固定文字按这个分行宽度分成"_qs;
}

void TestWaybill::faultyUserFormsAreRefused()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, says);
    try {
        readUserForm(QStringLiteral("mine.kdform"), bytes);
        QFAIL("a faulty form was read");
    } catch (const AppError &error) {
        QVERIFY2(error.text().startsWith(u"快递单版式 mine.kdform 有误："_qs), qPrintable(error.text()));
        QVERIFY2(error.text().contains(says), qPrintable(error.text()));
    }
}

void TestWaybill::familyNamesAndCaptions()
{
    QStringList classes, captions;
    for (const Courier &courier : couriersInCreationOrder())
        for (Variant variant : kVariants) {
            classes << courier.classOf(variant);
            captions << windowCaption(courier, variant);
        }
    QCOMPARE(classes.join(QLatin1Char(' ')),
             QStringLiteral("TSfForm TPlsfForm TEsfForm TEPlsfForm TStForm TPlstForm TEstForm TEplstForm "
                            "TYtForm TPlytForm TEytForm TEplytForm TYdForm TPlydForm TEydForm TEplydForm "
                            "TTtForm TPlttForm TEttForm TEplttForm TZtForm TPlztForm TEztForm TEplztForm "
                            "TEmsForm TPlemsForm TEemsForm TEplemsForm TYt1Form TPlyt1Form TEyt1Form TEplyt1Form "
                            "TZjsForm TplzjsForm TEzjsForm TEplzjsForm TSf1Form TPlsf1Form TEsf1Form TEPlsf1Form "
                            "THtForm TPlhtForm TEhtForm TEplhtForm"));
    QCOMPARE(captions[0], QStringLiteral(u"单张打印顺丰快递单"));
    QCOMPARE(captions[1], QStringLiteral(u"批量打印顺丰快递单"));
    QVERIFY(captions.contains(QStringLiteral(u"单张打印圆通快递单（详情单）")));
    QVERIFY(captions.contains(QStringLiteral(u"批量打印EMS快递单")));
    QVERIFY(captions.contains(QStringLiteral(u"单张打印宅急送快递单")));
}

void TestWaybill::boxHeightsHoldLines_data()
{
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("lines");
    for (auto [height, lines] :
         QList<std::pair<int, int>>{{17, 1}, {33, 2}, {41, 2}, {47, 2}, {49, 3}, {52, 3}, {65, 4}})
        QTest::addRow("%d units", height) << height << lines;
}

void TestWaybill::boxHeightsHoldLines()
{
    QFETCH(int, height);
    QFETCH(int, lines);
    QFont song(QStringLiteral(u"宋体"));
    song.setPointSize(12);
    const QFontMetricsF metrics(layoutFont(song));
    QCOMPARE(metrics.ascent() + metrics.descent(), 16.0); // the Song-style font is installed and mapped
    QCOMPARE(fittingLines(16, height, 10), lines);
}

void TestWaybill::composeSplitsAndFits_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("28 single-byte") << a(28) << QStringList{a(28), QString()};
    QTest::newRow("29 single-byte") << a(29) << QStringList{a(28), QStringLiteral("a")};
    QTest::newRow("four lines in 49 units") << a(120) << QStringList{a(28), a(28), a(28)};
    QTest::newRow("own line breaks") << QStringLiteral("ab\r\ncd")
                                     << QStringList{QStringLiteral("ab"), QStringLiteral("cd"), QString()};
}

void TestWaybill::composeSplitsAndFits()
{
    QFETCH(QString, address);
    QFETCH(QStringList, lines);
    // 申通: the recipient address box is 65 x 49 units with split width 30.
    const Layout &layout = layoutFor(QStringLiteral("st"), Variant::Single);
    const PageComposer composer(layout.paperMm, layout.items);
    const ComposedPage page = composer.compose([&](RowSide row, const QString &column) {
        return row == RowSide::Recipient && column == QStringLiteral(u"收件地址") ? address : QString();
    });
    const QList<ComposedItem> items = printingItems(page);
    QCOMPARE(items.size(), 1);
    QCOMPARE(items[0].name, QStringLiteral("QRDBText7"));
    QCOMPARE(items[0].lines, lines);
    QCOMPARE(items[0].box.topLeft(), QPointF(472, 176));
    QCOMPARE(page.paperMm, QSizeF(230.0, 126.0));
}

void TestWaybill::composeSkipsEmptyValuesAndWidensBox()
{
    const Layout &layout = layoutFor(QStringLiteral("yd"), Variant::Single);
    const PageComposer composer(layout.paperMm, layout.items);
    const QString remark = QStringLiteral(u"这是一条很长的备注，不分行");
    const ComposedPage page = composer.compose([&](RowSide row, const QString &column) {
        if (row == RowSide::Sender && column == QStringLiteral(u"寄件人姓名"))
            return QStringLiteral(u"王建国");
        if (row == RowSide::Recipient && column == QStringLiteral(u"备注"))
            return remark;
        return QString();
    });
    const QList<ComposedItem> items = printingItems(page);
    QCOMPARE(items.size(), 2);
    QCOMPARE(items[1].name, QStringLiteral("QRDBText14"));
    QCOMPARE(items[1].lines, QStringList{remark});
    QVERIFY(items[1].box.width() > 33 * 3); // widened to its text, not split
    QCOMPARE(items[1].box.height(), 17.0);
    // The one item that prints nothing: the recipient's empty mobile
    // number, an empty box framed on screen and told.
    QStringList empty;
    for (const ComposedItem &item : page.items)
        if (item.lines.isEmpty())
            empty << item.name + (item.flagged ? QStringLiteral(" framed") : QString());
    QCOMPARE(empty, QStringList{QStringLiteral("QRDBText10 framed")});
    QCOMPARE(page.warnings, QStringList{u"收件人手机号码 为空"_qs});
}

namespace {

// One page of the fixed values.
class GoldenSource : public PrintSource {
public:
    int pageCount() const override { return 1; }
    QString value(int, RowSide row, const QString &column) const override { return golden::value(row, column); }
};

QString composedPagesNow()
{
    QStringList out;
    for (const Courier &courier : couriersInCreationOrder())
        for (Variant variant : kVariants)
            for (const QPoint shift : golden::shifts()) {
                WaybillRun run(layoutFor(courier.code, variant), std::make_unique<GoldenSource>());
                run.shift(shift.x(), shift.y());
                out << QStringLiteral("== %1 shift %2,%3").arg(courier.classOf(variant)).arg(shift.x()).arg(shift.y())
                    << golden::describe(run.page(0));
            }
    return out.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

} // namespace

void TestWaybill::textPastThePaperIsFlagged_data()
{
    QTest::addColumn<QString>("code");
    for (const Courier &courier : couriersInMenuOrder())
        QTest::newRow(qPrintable(courier.code)) << courier.code;
}

void TestWaybill::textPastThePaperIsFlagged()
{
    // 200 characters in every field: whatever the paper's edge cuts off is
    // flagged and named, on every layout (st's company once printed 25
    // characters without a word).
    class LongValues : public PrintSource {
    public:
        int pageCount() const override { return 1; }
        QString value(int, RowSide, const QString &) const override { return QString(200, QChar(0x957F)); }
    };
    QFETCH(QString, code);
    WaybillRun run(layoutFor(code, Variant::Single), std::make_unique<LongValues>());
    const ComposedPage page = run.page(0);
    const double paperWidth = page.paperMm.width() / kMmPerUnit;
    int pastTheEdge = 0;
    for (const ComposedItem &item : page.items) {
        const double right = item.box.left() + textWidth(page.fonts[item.font], item.lines.value(0));
        if (right > paperWidth + 0.5) {
            ++pastTheEdge;
            QVERIFY2(item.flagged, qPrintable(item.name));
        }
    }
    QVERIFY(pastTheEdge > 0);
    QVERIFY(page.warnings.join(QLatin1Char(' ')).contains(u"未打全"_qs));
}

void TestWaybill::composedPagesAsStored()
{
    // tests/data/composed_pages.txt holds what printing composed before the
    // print run was its own object; run with WAYBILL_WRITE_GOLDEN=1 to store
    // a new one after a change meant to alter pages.
    const QString path = QStringLiteral(WAYBILL_SOURCE_DIR "/tests/data/composed_pages.txt");
    const QString now = composedPagesNow();
    if (qEnvironmentVariableIsSet("WAYBILL_WRITE_GOLDEN")) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(now.toUtf8());
        return;
    }
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QStringList stored = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    const QStringList composed = now.split(QLatin1Char('\n'));
    QCOMPARE(composed.size(), stored.size());
    for (qsizetype i = 0; i < stored.size(); ++i)
        QCOMPARE(composed[i], stored[i]);
}

namespace {

// The stored values, with one column's value replaced.
class ChangedSource : public GoldenSource {
public:
    ChangedSource(QString column, QString text) : m_column(std::move(column)), m_text(std::move(text)) {}
    QString value(int page, RowSide row, const QString &column) const override
    {
        return row == RowSide::Recipient && column == m_column ? m_text : GoldenSource::value(page, row, column);
    }

private:
    QString m_column;
    QString m_text;
};

} // namespace

void TestWaybill::warnsOfTextThatDoesNotPrintWhole_data()
{
    QTest::addColumn<QString>("code");
    for (const Courier &courier : couriersInMenuOrder())
        QTest::newRow(qPrintable(courier.code)) << courier.code;
}

void TestWaybill::warnsOfTextThatDoesNotPrintWhole()
{
    QFETCH(QString, code);
    const QString address = QStringLiteral(u"收件地址");
    const auto addressItem = [&](const WaybillRun &run, const ComposedPage &page) {
        for (const ComposedItem &item : page.items)
            for (const LayoutItem &layoutItem : run.items())
                if (layoutItem.name == item.name && layoutItem.column == address
                    && layoutItem.row == RowSide::Recipient)
                    return item;
        return ComposedItem{};
    };
    // A long address loses lines on every form: the page says so and the
    // item is flagged.
    WaybillRun longRun(
        layoutFor(code, Variant::Single),
        std::make_unique<ChangedSource>(address, QStringLiteral(u"上海市浦东新区张江高科技园区").repeated(8)));
    const ComposedPage cut = longRun.page(0);
    QVERIFY2(cut.warnings.contains(u"收件地址 未打全"_qs), qPrintable(cut.warnings.join('|')));
    QVERIFY(addressItem(longRun, cut).flagged);
    QCOMPARE(pageWarning(cut, 3).left(6), u"第 3 页："_qs);
    // A short one prints whole.
    WaybillRun shortRun(layoutFor(code, Variant::Single), std::make_unique<ChangedSource>(address, u"北京"_qs));
    const ComposedPage whole = shortRun.page(0);
    QVERIFY(!whole.warnings.contains(u"收件地址 未打全"_qs));
    QVERIFY(!addressItem(shortRun, whole).flagged);
    // A long company name runs over the phone number on yt, yd and ems.
    const bool overPhone =
        code == QStringLiteral("yt") || code == QStringLiteral("yd") || code == QStringLiteral("ems");
    QCOMPARE(whole.warnings.contains(u"收件人单位名称 压到了 收件人联系电话"_qs), overPhone);
}

void TestWaybill::condensesALineThatRunsIntoTheNextField_data()
{
    QTest::addColumn<QString>("mobile");
    QTest::addColumn<bool>("condensed"); // drawn narrower, ending before the telephone
    QTest::addColumn<bool>("warned");    // printed as it is over the telephone
    QTest::newRow("fits") << u"13418484510"_qs << false << false;
    QTest::newRow("a little too wide") << u"1341848451099"_qs << true << false;
    QTest::newRow("far too wide") << u"134184845109999999"_qs << false << true;
}

void TestWaybill::condensesALineThatRunsIntoTheNextField()
{
    // On sf the recipient's mobile number stands left of the telephone on
    // the same line: a wide font's digits must not print over it.
    QFETCH(QString, mobile);
    QFETCH(bool, condensed);
    QFETCH(bool, warned);
    WaybillRun run(layoutFor(QStringLiteral("sf"), Variant::Single),
                   std::make_unique<ChangedSource>(QStringLiteral(u"手机号码"), mobile));
    const ComposedPage page = run.page(0);
    const auto find = [&](const QString &text) {
        for (const ComposedItem &item : page.items)
            if (item.lines.value(0) == text)
                return item;
        return ComposedItem{};
    };
    const ComposedItem number = find(mobile);
    const ComposedItem phone = find(GoldenSource().value(0, RowSide::Recipient, QStringLiteral(u"联系电话")));
    QVERIFY(!number.laidOut.isEmpty() && !phone.laidOut.isEmpty());
    QCOMPARE(number.box.top(), phone.box.top());
    const qreal stretch = number.laidOut[0].stretch;
    QCOMPARE(stretch < 1, condensed);
    QVERIFY(stretch >= 0.85);
    const qreal inkRight = number.box.left() + number.laidOut[0].width * stretch;
    QCOMPARE(inkRight < phone.box.left(), !warned);
    QCOMPARE(page.warnings.contains(u"收件人手机号码 压到了 收件人联系电话"_qs), warned);
    QCOMPARE(number.flagged, warned);
}

void TestWaybill::formPicturesLeaveEveryLabelClear()
{
    // The generator places every label, frame, writing line and the footer
    // where no printed field covers it, and fails naming the form when it
    // cannot; the 11 pictures it draws are those the program ships.
    QTemporaryDir dir;
    QProcess generator;
    generator.start(QFileInfo(QStringLiteral(WAYBILL_BINARY)).dir().filePath(QStringLiteral("make_form_pictures")),
                    {dir.path()});
    QVERIFY(generator.waitForFinished(120000));
    QVERIFY2(generator.exitStatus() == QProcess::NormalExit && generator.exitCode() == 0,
             generator.readAllStandardError().constData());
    QCOMPARE(QDir(dir.path()).entryList({QStringLiteral("*.jpg")}).size(), 11);
}

void TestWaybill::firstLineAlwaysPrints()
{
    // 黑体 14 point bold: no one-line box holds a line of it, yet every item
    // prints its first line.
    WaybillRun run(layoutFor(QStringLiteral("sf"), Variant::Single), std::make_unique<GoldenSource>());
    QFont font(QStringLiteral(u"黑体"));
    font.setPointSize(14);
    font.setBold(true);
    run.setFont(font);
    const ComposedPage page = run.page(0);
    QCOMPARE(page.items.size(), 16);
    for (const ComposedItem &item : page.items)
        QVERIFY2(!item.lines.isEmpty() && !item.lines.first().isEmpty(), qPrintable(item.name));
}

void TestWaybill::runShiftsWithinBoundsAndSetsFonts()
{
    WaybillRun run(layoutFor(QStringLiteral("st"), Variant::Single), std::make_unique<GoldenSource>());
    const int left = run.items().first().left;
    run.shift(std::numeric_limits<int>::max(), 0);
    QCOMPARE(run.items().first().left, std::numeric_limits<int>::max()); // saturates, never wraps
    QVERIFY(!run.anyItemOnPaper());
    run.shift(std::numeric_limits<int>::min(), 0);
    QCOMPARE(run.items().first().left, -1); // max + min of int
    run.shift(left + 1, 0);
    QCOMPARE(run.items().first().left, left);
    QVERIFY(run.anyItemOnPaper());
    QFont bold(QStringLiteral(u"黑体"));
    bold.setPointSize(10);
    bold.setBold(true);
    run.setFont(bold);
    const ComposedPage page = run.page(0);
    QVERIFY(!page.items.isEmpty());
    for (const ComposedItem &item : page.items) {
        QVERIFY(page.fonts[item.font].font.bold());
        QCOMPARE(page.fonts[item.font].font.pixelSize(), 13); // 10 pt in layout units
    }
    // Scale 1.02 moves an item at 500 units to 510, about the paper's corner;
    // the font stays.
    run.shift(500 - run.items().first().left, 0);
    run.setScale(1.02, 1.0);
    const ComposedPage scaled = run.page(0);
    QCOMPARE(scaled.items.first().box.left(), 510.0);
    QCOMPARE(scaled.fonts[scaled.items.first().font].font.pixelSize(), 13);
    run.setScale(1.0, 1.0);
    // The screen shows column names, unsplit.
    const ComposedPage screen = run.screenPage();
    QCOMPARE(screen.items.size(), run.items().size());
    QCOMPARE(screen.items.first().lines, QStringList{run.items().first().column});
}

QTEST_MAIN(TestWaybill)
#include "test_waybill.moc"

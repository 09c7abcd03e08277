// Printing waybills to PDF through the command line, checked with poppler:
// paper size with pdfinfo, item positions with pdftotext -bbox.

#include "store/schema.h"
#include "test_support.h"
#include "waybill/family.h"
#include "waybill/layout.h"

#include <QProcess>
#include <QXmlStreamReader>
#include <QtTest>

using namespace schema;

namespace {

int runWaybill(const QStringList &args, QString *err = nullptr)
{
    QProcess process;
    process.start(QStringLiteral(WAYBILL_BINARY), args);
    process.waitForFinished(60000);
    if (err)
        *err = QString::fromUtf8(process.readAllStandardError());
    return process.exitCode();
}

QString run(const QString &program, const QStringList &args)
{
    QProcess process;
    process.start(program, args);
    process.waitForFinished(60000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

QSizeF pdfPageSizeMm(const QString &pdf)
{
    const QRegularExpressionMatch match = QRegularExpression(QStringLiteral("Page size:\\s+([\\d.]+) x ([\\d.]+) pts"))
                                              .match(run(QStringLiteral("pdfinfo"), {pdf}));
    return {match.captured(1).toDouble() * 25.4 / 72, match.captured(2).toDouble() * 25.4 / 72};
}

// A unique token per column and side, so each printed item is found by its text.
QString token(RowSide row, const QString &column)
{
    const QStringList &columns = row == RowSide::Sender ? senderColumns() : recipientColumns();
    return QStringLiteral("%1%2q").arg(row == RowSide::Sender ? 's' : 'r').arg(columns.indexOf(column));
}

void fillTokens(const QString &dbPath, const QString &table, int rows)
{
    RawDb raw(dbPath);
    QStringList senderValues;
    for (const QString &column : senderColumns())
        senderValues << token(RowSide::Sender, column);
    raw.exec(QStringLiteral("insert into outrxx values (?,?,?,?,?,?,?,?,?,?,?)"),
             QVariantList(senderValues.begin(), senderValues.end()));
    for (int row = 0; row < rows; ++row) {
        QVariantList values;
        for (const QString &column : recipientColumns())
            values << token(RowSide::Recipient, column) + QString::number(row);
        raw.exec(QStringLiteral("insert into %1 values (?,?,?,?,?,?,?,?,?,?)").arg(table), values);
    }
}

} // namespace

class TestPrint : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void singlePrintPlacesEveryItem_data();
    void singlePrintPlacesEveryItem();
    void addressLinesInThePdf();
    void largeBoldFontPrintsEveryItem();
    void pagesThatDoNotPrintWholeAreTold();
    void batchPrintsOnePagePerRow_data();
    void batchPrintsOnePagePerRow();
    void failuresLeaveNoFile_data();
    void failuresLeaveNoFile();
    void chineseDesktopFontsPrintInSimplifiedChinese_data();
    void chineseDesktopFontsPrintInSimplifiedChinese();
};

void TestPrint::singlePrintPlacesEveryItem_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<int>("variant");
    QTest::addColumn<int>("shiftX");
    QTest::addColumn<int>("shiftY");
    int i = 0;
    for (const Courier &courier : couriersInMenuOrder())
        for (Variant variant : kVariants) {
            const int shiftX = (i % 2) ? 10 : 0;
            const int shiftY = (i % 3 == 2) ? -5 : 0;
            QTest::addRow("%s", qPrintable(courier.classOf(variant)))
                << courier.code << int(variant) << shiftX << shiftY;
            ++i;
        }
}

void TestPrint::singlePrintPlacesEveryItem()
{
    QFETCH(QString, code);
    QFETCH(int, variant);
    QFETCH(int, shiftX);
    QFETCH(int, shiftY);
    const bool imported = isImported(Variant(variant));
    TempWorkdir dir;
    fillTokens(dir.dbPath(), imported ? kImportedTable : kRecipientTable, 3);
    const QString pdf = dir.file(QStringLiteral("out.pdf"));
    // Recipient row 2: chosen by --row in a single print, by the page range in a batch.
    QStringList args{QStringLiteral("print"),     code,
                     QStringLiteral("--date"),    QStringLiteral("2031-11-29"),
                     QStringLiteral("--shift-x"), QString::number(shiftX),
                     QStringLiteral("--shift-y"), QString::number(shiftY),
                     QStringLiteral("--pdf"),     pdf};
    if (isBatch(Variant(variant)))
        args << QStringLiteral("--batch") << QStringLiteral("--pages") << QStringLiteral("2-2");
    else
        args << QStringLiteral("--row") << QStringLiteral("2");
    if (imported)
        args << QStringLiteral("--imported");
    QString err;
    QCOMPARE(runWaybill(args, &err), 0);

    const Layout &layout = layoutFor(code, Variant(variant));
    const QSizeF size = pdfPageSizeMm(pdf);
    QVERIFY(qAbs(size.width() - layout.paperMm.width()) < 0.2);
    QVERIFY(qAbs(size.height() - layout.paperMm.height()) < 0.2);

    const QList<QList<Word>> pages = pdfWords(pdf);
    QCOMPARE(pages.size(), 1);
    for (const LayoutItem &item : layout.items) {
        QString text = item.row == RowSide::Sender ? token(item.row, item.column)
                                                   : token(item.row, item.column) + QStringLiteral("1");
        if (item.column == col::kYear)
            text = QStringLiteral("2031");
        else if (item.column == col::kMonth)
            text = QStringLiteral("11");
        else if (item.column == col::kDay)
            text = QStringLiteral("29");
        const auto found =
            std::find_if(pages[0].begin(), pages[0].end(), [&](const Word &w) { return w.text == text; });
        QVERIFY2(found != pages[0].end(), qPrintable(item.name + QLatin1Char(' ') + text));
        const double left = (item.left + shiftX) * kMmPerUnit;
        const double top = (item.top + shiftY) * kMmPerUnit;
        QVERIFY2(qAbs(found->left - left) < 0.3 && qAbs(found->top - top) < 0.3,
                 qPrintable(QStringLiteral("%1 at %2,%3 mm, expected %4,%5")
                                .arg(item.name)
                                .arg(found->left)
                                .arg(found->top)
                                .arg(left)
                                .arg(top)));
    }
}

void TestPrint::addressLinesInThePdf()
{
    // 28 single-byte characters print as one line, 29 as two.
    for (int length : {28, 29}) {
        TempWorkdir dir;
        RawDb(dir.dbPath())
            .addRecipient(kRecipientTable, QStringLiteral("n"), QStringLiteral("1"), QString(length, QLatin1Char('a')));
        const QString pdf = dir.file(QStringLiteral("out.pdf"));
        QCOMPARE(runWaybill({QStringLiteral("print"), QStringLiteral("st"), QStringLiteral("--pdf"), pdf}), 0);
        QStringList lines;
        for (const Word &word : pdfWords(pdf).value(0))
            if (word.text.startsWith(QLatin1Char('a')))
                lines << word.text;
        QCOMPARE(lines.size(), length == 28 ? 1 : 2);
        QCOMPARE(lines.first().size(), 28);
    }
}

void TestPrint::largeBoldFontPrintsEveryItem()
{
    // 黑体 14 point bold is higher than the one-line boxes: every item still
    // prints its first line.
    TempWorkdir dir;
    fillTokens(dir.dbPath(), kRecipientTable, 1);
    // The month and the day as they are (the ship date), digits: their
    // boxes stand close together.
    const QString pdf = dir.file(QStringLiteral("bold.pdf"));
    QCOMPARE(runWaybill({QStringLiteral("print"), QStringLiteral("sf"), QStringLiteral("--font"), u"黑体,14,bold"_qs,
                         QStringLiteral("--date"), QStringLiteral("2026-7-5"), QStringLiteral("--pdf"), pdf}),
             0);
    const QString text = run(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    QStringList words;
    for (const Word &word : pdfWords(pdf).value(0))
        words << word.text;
    QStringList missing;
    for (const LayoutItem &item : layoutFor(QStringLiteral("sf"), Variant::Single).items) {
        const QString printed = item.column == col::kMonth ? QStringLiteral("7")
            : item.column == col::kDay                     ? QStringLiteral("5")
                                                           : token(item.row, item.column);
        if (!text.contains(printed) || (printed.size() == 1 && !words.contains(printed)))
            missing << item.name + QLatin1Char(' ') + printed;
    }
    QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QStringLiteral(", ")) + QStringLiteral(" in ") + text));
    QString err;
    QCOMPARE(runWaybill({QStringLiteral("print"), QStringLiteral("sf"), QStringLiteral("--font"), QStringLiteral("x"),
                         QStringLiteral("--pdf"), pdf},
                        &err),
             2);
}

void TestPrint::pagesThatDoNotPrintWholeAreTold()
{
    TempWorkdir dir;
    RawDb raw(dir.dbPath());
    raw.addRecipient(kRecipientTable, QStringLiteral("a"), QStringLiteral("1"), u"北京"_qs);
    raw.addRecipient(kRecipientTable, QStringLiteral("b"), QStringLiteral("2"),
                     u"上海市浦东新区张江高科技园区"_qs.repeated(6));
    raw.addRecipient(kRecipientTable, QStringLiteral("c"), QStringLiteral("3"), u"广州"_qs);
    const QString pdf = dir.file(QStringLiteral("out.pdf"));
    QString err;
    QCOMPARE(runWaybill({QStringLiteral("print"), QStringLiteral("yt"), QStringLiteral("--batch"),
                         QStringLiteral("--pdf"), pdf},
                        &err),
             0);
    QCOMPARE(err.trimmed().split(QLatin1Char('\n')), QStringList{u"第 2 页：收件地址 未打全"_qs});
    // Nothing of the warning reaches the paper: no outline, the pages as before.
    QCOMPARE(pdfWords(pdf).size(), 3);
}

void TestPrint::batchPrintsOnePagePerRow_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<QString>("pages");
    QTest::addColumn<QStringList>("names"); // the recipient name on each page, empty for none
    QTest::newRow("three rows") << 3 << "" << QStringList{"r1q0", "r1q1", "r1q2"};
    QTest::newRow("pages 2-3") << 5 << "2-3" << QStringList{"r1q1", "r1q2"};
    QTest::newRow("range past the end") << 3 << "3-9" << QStringList{"r1q2"};
    QTest::newRow("no rows") << 0 << "" << QStringList{""};
}

void TestPrint::batchPrintsOnePagePerRow()
{
    QFETCH(int, rows);
    QFETCH(QString, pages);
    QFETCH(QStringList, names);
    TempWorkdir dir;
    fillTokens(dir.dbPath(), kRecipientTable, rows);
    const QString pdf = dir.file(QStringLiteral("batch.pdf"));
    QStringList args{QStringLiteral("print"), QStringLiteral("zt"), QStringLiteral("--batch"), QStringLiteral("--pdf"),
                     pdf};
    if (!pages.isEmpty())
        args << QStringLiteral("--pages") << pages;
    QCOMPARE(runWaybill(args), 0);
    const QList<QList<Word>> words = pdfWords(pdf);
    QCOMPARE(words.size(), names.size());
    for (int k = 0; k < words.size(); ++k) {
        QStringList found, sender;
        for (const Word &word : words[k]) {
            if (word.text.startsWith(QStringLiteral("r1q")))
                found << word.text;
            if (word.text == token(RowSide::Sender, col::kSenderName))
                sender << word.text;
        }
        QCOMPARE(found, names[k].isEmpty() ? QStringList{} : QStringList{names[k]});
        QCOMPARE(sender.size(), 1); // the same sender on every page
    }
}

void TestPrint::failuresLeaveNoFile_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("database");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message");
    QTest::newRow("unknown courier") << QStringList{"xx", "--pdf", "OUT"} << true << 2 << u"未知的快递公司代码"_qs;
    QTest::newRow("no data file where --data says")
        << QStringList{"st", "--data", "gone.mdb", "--pdf", "OUT"} << false << 1 << u"找不到数据文件"_qs;
    QTest::newRow("row that does not exist")
        << QStringList{"st", "--row", "5", "--pdf", "OUT"} << true << 1 << u"第 5 行收件人不存在"_qs;
    QTest::newRow("unwritable output") << QStringList{"st", "--pdf", "NOFOLDER/out.pdf"} << true << 1
                                       << u"文件夹不存在"_qs;
    QTest::newRow("no output") << QStringList{"st"} << true << 2 << "--pdf";
    QTest::newRow("bad shift") << QStringList{"st", "--shift-x", "abc", "--pdf", "OUT"} << true << 2 << "abc";
}

void TestPrint::failuresLeaveNoFile()
{
    QFETCH(QStringList, args);
    QFETCH(bool, database);
    QFETCH(int, status);
    QFETCH(QString, message);
    TempWorkdir dir(database);
    if (database)
        RawDb(dir.dbPath()).addRecipient(kRecipientTable, QStringLiteral("n"), QStringLiteral("1"));
    const QString out = dir.file(QStringLiteral("out.pdf"));
    for (QString &arg : args)
        arg.replace(QStringLiteral("OUT"), out).replace(QStringLiteral("NOFOLDER"), dir.file(QStringLiteral("none")));
    QString err;
    QCOMPARE(runWaybill(QStringList{QStringLiteral("print")} + args, &err), status);
    QVERIFY2(err.contains(message), qPrintable(err));
    QVERIFY(!QFile::exists(out));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
             database ? QStringList{QStringLiteral("data.mdb")} : QStringList{});
}

void TestPrint::chineseDesktopFontsPrintInSimplifiedChinese_data()
{
    QTest::addColumn<QString>("font"); // the one CJK font file installed
    QTest::addColumn<QString>("face"); // the face the PDF must embed
    QTest::newRow("AR PL UMing (Debian)") << u"/usr/share/fonts/truetype/arphic/uming.ttc"_qs << u"UMingCN"_qs;
    QTest::newRow("Noto Serif CJK (deepin, UOS, Kylin)")
        << u"/usr/share/fonts/opentype/noto/NotoSerifCJK-Regular.ttc"_qs << u"NotoSerifCJKsc"_qs;
    QTest::newRow("Noto Sans CJK alone") << u"/usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc"_qs
                                         << u"NotoSansCJKsc"_qs;
    QTest::newRow("WenQuanYi Micro Hei") << u"/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"_qs
                                         << u"WenQuanYiMicroHei"_qs;
    QTest::newRow("WenQuanYi Zen Hei alone")
        << u"/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc"_qs << u"WenQuanYiZenHei"_qs;
}

void TestPrint::chineseDesktopFontsPrintInSimplifiedChinese()
{
    QFETCH(QString, font);
    QFETCH(QString, face);
    QVERIFY2(QFileInfo::exists(font), qPrintable(font + u" is not installed (tools/install-deps.sh --tests)"_qs));
    TempWorkdir dir;
    const QString fonts = dir.file(QStringLiteral("fonts"));
    QVERIFY(QDir().mkpath(fonts));
    QVERIFY(QFile::link(font, QDir(fonts).filePath(QFileInfo(font).fileName())));
    {
        RawDb raw(dir.dbPath());
        raw.exec(u"insert into outrxx (寄件人姓名, 手机号码, 联系电话, 寄件地址) values "
                 u"('李明', '13900001111', '021-58881234', '上海市浦东新区张江路88号')"_qs);
        raw.exec(u"insert into inrxx (收件人姓名, 收件地址, 手机号码, 联系电话, 目的地) values "
                 u"('张静', '浙江省杭州市西湖区文三路100号华星科技大厦', '13418484510', '020-18994893', '杭州')"_qs);
    }
    // Only this font and Liberation (for Arial), as on a desktop that has no other.
    const QString config = dir.file(QStringLiteral("fonts.conf"));
    writeAll(config,
             QStringLiteral("<?xml version=\"1.0\"?><!DOCTYPE fontconfig SYSTEM \"fonts.dtd\"><fontconfig>"
                            "<dir>%1</dir><dir>/usr/share/fonts/truetype/liberation</dir>"
                            "<cachedir>%2</cachedir></fontconfig>")
                 .arg(fonts, dir.file(QStringLiteral("cache")))
                 .toUtf8());
    // Every form, with an address of 24 characters, as offices write them.
    for (const QString &courier : {u"sf"_qs, u"sf1"_qs, u"st"_qs, u"yt"_qs, u"yt1"_qs, u"yd"_qs, u"tt"_qs, u"zt"_qs,
                                   u"ems"_qs, u"zjs"_qs, u"ht"_qs}) {
        const QString pdf = dir.file(courier + QStringLiteral(".pdf"));
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("FONTCONFIG_FILE"), config);
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(dir.path());
        process.start(QStringLiteral(WAYBILL_BINARY), {QStringLiteral("print"), courier, QStringLiteral("--pdf"), pdf});
        QVERIFY(process.waitForFinished(120000));
        QCOMPARE(process.exitCode(), 0);
        const QString warnings = QString::fromUtf8(process.readAllStandardError());
        const QString embedded = run(QStringLiteral("pdffonts"), {pdf});
        QVERIFY2(embedded.contains(face), qPrintable(courier + QLatin1Char(' ') + embedded));
        // Never a Japanese, Korean or Traditional face for Chinese text.
        for (const QString &other : {u"CJKjp"_qs, u"CJKkr"_qs, u"CJKtc"_qs, u"UMingTW"_qs})
            QVERIFY2(!embedded.contains(other), qPrintable(embedded));
        // Zen Hei's wide digits still run into the next field on some forms
        // (told as 压到了); these three print clean with every face.
        if (courier == u"sf"_qs || courier == u"yt"_qs || courier == u"ems"_qs)
            QVERIFY2(!warnings.contains(u"压到了"_qs), qPrintable(courier + QLatin1Char(' ') + warnings));
        QVERIFY2(!warnings.contains(u"未打全"_qs), qPrintable(courier + QLatin1Char(' ') + warnings));
        // Every character of the address is on the page.
        // (Noto's glyphs of 文 and 大 are shared with the Kangxi radicals ⽂ and ⼤,
        // which its text map gives: compared after NFKC.)
        QString text =
            run(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")}).normalized(QString::NormalizationForm_KC);
        text.removeIf([](QChar c) { return c.isSpace(); });
        QVERIFY2(text.contains(u"华星科技大厦"_qs), qPrintable(courier + QLatin1Char(' ') + text));
    }
}

QTEST_GUILESS_MAIN(TestPrint)
#include "test_print.moc"

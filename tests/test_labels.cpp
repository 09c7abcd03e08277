// Thermal labels: e-waybill files made here (a PDF of four labels on A4, a
// single 100×150 PDF, a 203 dpi PNG without text, a label standing across
// the paper), printed into PDFs and read back as a printer would see them:
// pages at the paper's exact size, each label's frame where it belongs
// after crop, turning and the saved shift, its Code 128 readable from a
// 203 dpi raster, and the numbers in the print record.

#include "label_maker.h"
#include "test_support.h"

#include "labels/label_document.h"
#include "labels/label_image.h"
#include "labels/label_number.h"
#include "labels/label_print.h"
#include "labels/label_record.h"
#include "labels/label_run.h"
#include "report/page.h"
#include "store/calibration.h"
#include "store/connection.h"
#include "store/print_log.h"

#include <QtTest>

using namespace label_maker;

class TestLabels : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void printedExactly_data();
    void printedExactly();
    void blankLabelsAreLeftOut();
    void reprintFindsTheSameLabel();
    void numberInText_data();
    void numberInText();
    void blackAndWhiteWithoutDither();
    void badFilesAreNamed_data();
    void badFilesAreNamed();
    void commandLine();
};

void TestLabels::printedExactly_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("perPage");
    QTest::addColumn<int>("shiftX"); // layout units, as saved
    QTest::addColumn<int>("shiftY");
    QTest::addColumn<QStringList>("numbers");
    QTest::addColumn<QList<QRectF>>("frames"); // where each frame prints on 100×150

    const QStringList four{QStringLiteral("SF1400012345671"), QStringLiteral("SF1400012345672"),
                           QStringLiteral("SF1400012345673"), QStringLiteral("SF1400012345674")};
    // Cropped to the frame plus a millimetre, then centred: 97×142 on 100×150.
    const QRectF centred(2.5, 5, 95, 140);
    QTest::newRow("four on A4") << "a4" << 4 << 0 << 0 << four << QList<QRectF>(4, centred);
    QTest::newRow("four on A4, shifted") << "a4" << 4 << 6 << -8 << four
                                         << QList<QRectF>(4, centred.translated(6 * kMmPerUnit, -8 * kMmPerUnit));
    QTest::newRow("one 100x150 PDF") << "single" << 1 << 0 << 0 << QStringList{QStringLiteral("YT7300123456789")}
                                     << QList<QRectF>{QRectF(2, 2, 96, 146)};
    QTest::newRow("PNG at 203 dpi") << "png" << 1 << 0 << 0 << QStringList{QStringLiteral("JT0001234567890")}
                                    << QList<QRectF>{QRectF(2, 2, 96, 146)};
    // 150×100 with its frame at (3, 2) 144×96, turned clockwise.
    QTest::newRow("across the paper") << "landscape" << 1 << 4 << 4 << QStringList{QStringLiteral("ZT7800011122233")}
                                      << QList<QRectF>{QRectF(2 + 4 * kMmPerUnit, 3 + 4 * kMmPerUnit, 96, 144)};
}

void TestLabels::printedExactly()
{
    QFETCH(QString, kind);
    QFETCH(int, perPage);
    QFETCH(int, shiftX);
    QFETCH(int, shiftY);
    QFETCH(QStringList, numbers);
    QFETCH(QList<QRectF>, frames);
    TempWorkdir dir;
    const QString source =
        dir.file(kind == QStringLiteral("png") ? QStringLiteral("label.png") : QStringLiteral("labels.pdf"));
    if (kind == QStringLiteral("a4"))
        writePdf(source, QSizeF(210, 297), {fourOnA4(numbers)});
    else if (kind == QStringLiteral("single"))
        writePdf(source, QSizeF(100, 150), {{{QRectF(2, 2, 96, 146), numbers.first()}}});
    else if (kind == QStringLiteral("png"))
        QVERIFY(writePng(source, QSizeF(100, 150), {QRectF(2, 2, 96, 146), numbers.first(), false}, 203));
    else
        writePdf(source, QSizeF(150, 100), {{{QRectF(3, 2, 144, 96), numbers.first()}}});

    Connection connection(QStringLiteral("labels"));
    connection.open();
    if (shiftX || shiftY) {
        Calibration saved;
        saved.courier = labelCalibrationCode(QSizeF(100, 150));
        saved.shiftX = shiftX;
        saved.shiftY = shiftY;
        CalibrationStore(connection).save(saved);
    }
    LabelOptions options;
    options.split = *pageSplitOf(perPage);
    options = withSavedPosition(options, connection, QString());
    const LabelRun run({source}, options);
    QCOMPARE(run.count(), numbers.size());
    const QString out = dir.file(QStringLiteral("out.pdf"));
    const LabelsPrinted done = printLabelsToPdf(run, out, connection);
    QCOMPARE(done.labels, numbers.size());
    QVERIFY2(done.problem.isEmpty(), qPrintable(done.problem));

    const QList<PrintedPage> pages = readPrinted(out);
    QCOMPARE(pages.size(), numbers.size());
    for (qsizetype k = 0; k < pages.size(); ++k) {
        QVERIFY2(
            qAbs(pages[k].mm.width() - 100) < 0.05 && qAbs(pages[k].mm.height() - 150) < 0.05,
            qPrintable(
                QStringLiteral("page %1 is %2 x %3 mm").arg(k).arg(pages[k].mm.width()).arg(pages[k].mm.height())));
        const QRectF got = pages[k].frameMm;
        const QRectF want = frames[k];
        const double off = std::max({qAbs(got.left() - want.left()), qAbs(got.top() - want.top()),
                                     qAbs(got.right() - want.right()), qAbs(got.bottom() - want.bottom())});
        QVERIFY2(off <= 0.5,
                 qPrintable(QStringLiteral("label %1: frame at %2,%3 %4x%5 mm, wanted %6,%7 %8x%9")
                                .arg(k)
                                .arg(got.x())
                                .arg(got.y())
                                .arg(got.width())
                                .arg(got.height())
                                .arg(want.x())
                                .arg(want.y())
                                .arg(want.width())
                                .arg(want.height())));
        QCOMPARE(pages[k].code, numbers[k]);
    }
    const QList<PrintLogEntry> record = PrintLog(connection).list();
    QCOMPARE(record.size(), numbers.size());
    for (qsizetype k = 0; k < record.size(); ++k) {
        QCOMPARE(record[k].number, numbers[k]);
        QCOMPARE(record[k].courier, label_record::kCode);
        QVERIFY(!record[k].pending);
    }
}

void TestLabels::blankLabelsAreLeftOut()
{
    TempWorkdir dir;
    const QString source = dir.file(QStringLiteral("three.pdf"));
    QList<LabelDrawing> labels =
        fourOnA4({QStringLiteral("SF1"), QStringLiteral("SF2"), QStringLiteral("SF3"), QStringLiteral("SF4")});
    labels.removeAt(2);
    labels[0].number = QStringLiteral("SF1400012345671");
    labels[1].number = QStringLiteral("SF1400012345672");
    labels[2].number = QStringLiteral("SF1400012345674");
    writePdf(source, QSizeF(210, 297), {labels, {}});
    LabelOptions options;
    options.split = PageSplit::Quarters;
    const LabelRun run({source}, options);
    QCOMPARE(run.count(), 3);
    QCOMPARE(run.place(2).spot.cell, 3);
    QCOMPARE(run.place(2).number, QStringLiteral("SF1400012345674"));
}

void TestLabels::reprintFindsTheSameLabel()
{
    TempWorkdir dir;
    const QString source = dir.file(QStringLiteral("four.pdf"));
    const QStringList numbers{QStringLiteral("SF1400012345671"), QStringLiteral("SF1400012345672"),
                              QStringLiteral("SF1400012345673"), QStringLiteral("SF1400012345674")};
    writePdf(source, QSizeF(210, 297), {fourOnA4(numbers)});
    Connection connection(QStringLiteral("labels"));
    connection.open();
    LabelOptions options;
    options.split = PageSplit::Quarters;
    options.threshold = 140;
    const LabelRun run({source}, options);
    printLabelsToPdf(run, dir.file(QStringLiteral("out.pdf")), connection);
    const PrintLogEntry third = PrintLog(connection).find({3}).first();
    const std::optional<RecordedLabel> recorded = recordedLabel(third);
    QVERIFY(recorded);
    QCOMPARE(recorded->split, PageSplit::Quarters);
    QCOMPARE(recorded->threshold, 140);
    QCOMPARE(recorded->paperMm, QSizeF(100, 150));
    std::vector<std::unique_ptr<LabelRun>> reprints = labelReprints({third}, connection, QString());
    QCOMPARE(reprints.size(), size_t(1));
    const LabelRun &reprint = *reprints.front();
    QCOMPARE(reprint.count(), 1);
    QCOMPARE(reprint.options().threshold, 140);
    QCOMPARE(reprint.place(0).areaMm, run.place(2).areaMm);
    QCOMPARE(reprint.place(0).number, numbers[2]);
    printLabelsToPdf(reprint, dir.file(QStringLiteral("again.pdf")), connection);
    const PrintLogEntry again = PrintLog(connection).list().last();
    QCOMPARE(again.reprintOf, third.entry);
    QCOMPARE(again.number, numbers[2]);
    QCOMPARE(readPrinted(dir.file(QStringLiteral("again.pdf"))).first().code, numbers[2]);

    // The file gone: the reprint says which file.
    QVERIFY(QFile::remove(source));
    try {
        labelReprints({third}, connection, QString());
        QFAIL("a reprint of a missing file went on");
    } catch (const FileError &error) {
        QVERIFY2(error.text().contains(source), qPrintable(error.text()));
    }
}

void TestLabels::numberInText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("number");
    QTest::newRow("labelled") << QString::fromUtf16(u"运单号：SF1400012345678 收件人 13812345678") << QString()
                              << "SF1400012345678";
    QTest::newRow("labelled, in groups") << QString::fromUtf16(u"运单号码 7730 0123 4567 8") << QString()
                                         << "7730012345678";
    QTest::newRow("labelled wins over the code") << QString::fromUtf16(u"快递单号:YT7300123456789") << "123"
                                                 << "YT7300123456789";
    QTest::newRow("code when unlabelled")
        << QString::fromUtf16(u"林晓丽 13812345678 JT0001234567890") << "JT0001234567891"
        << "JT0001234567891";
    QTest::newRow("unlabelled word") << QString::fromUtf16(u"林晓丽 13812345678 310000 JT0001234567890") << QString()
                                     << "JT0001234567890";
    QTest::newRow("mobile is no number") << QString::fromUtf16(u"电话 13812345678") << QString() << QString();
    QTest::newRow("date is no number") << QString::fromUtf16(u"打印时间 20261210143055") << QString() << QString();
    QTest::newRow("two numbers: unsure") << QString::fromUtf16(u"SF1400012345678 订单 4000123456789012") << QString()
                                         << QString();
    QTest::newRow("nothing") << QString() << QString() << QString();
}

void TestLabels::numberInText()
{
    QFETCH(QString, text);
    QFETCH(QString, code);
    QFETCH(QString, number);
    QCOMPARE(labelNumber(text, code), number);
}

void TestLabels::blackAndWhiteWithoutDither()
{
    // A grey ramp: every dot at or below the threshold black, every other white.
    QImage ramp(256, 4, QImage::Format_Grayscale8);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 256; ++x)
            ramp.scanLine(y)[x] = uchar(x);
    const QImage mono = binarised(ramp, 160);
    QCOMPARE(mono.format(), QImage::Format_Mono);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 256; ++x)
            QCOMPARE(qGray(mono.pixel(x, y)) == 0, x <= 160);
    QCOMPARE(inkBounds(ramp, 160), QRect(0, 0, 161, 4));
    QVERIFY(inkBounds(QImage(), 160).isEmpty());
}

void TestLabels::badFilesAreNamed_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");
    QTest::newRow("damaged PDF") << QByteArray("%PDF-1.4\n1 0 obj\n") << "cut.pdf"
                                 << QString::fromUtf16(u"不是可以读取的 PDF");
    QTest::newRow("not a picture") << QByteArray("hello") << "label.png"
                                   << QString::fromUtf16(u"无法读取图片 label.png");
    QTest::newRow("a workbook") << QByteArray("a,b") << "list.csv" << QString::fromUtf16(u"不是 PDF、PNG 或 JPEG");
    QTest::newRow("missing") << QByteArray() << "gone.pdf" << QString::fromUtf16(u"找不到文件");
}

void TestLabels::badFilesAreNamed()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, name);
    QFETCH(QString, message);
    TempWorkdir dir;
    const QString path = dir.file(name);
    if (!content.isEmpty())
        writeAll(path, content);
    try {
        const LabelRun run(labelFiles({path}), LabelOptions());
        QFAIL("a bad file was taken");
    } catch (const FileError &error) {
        QVERIFY2(error.text().contains(message), qPrintable(error.text()));
    }
}

void TestLabels::commandLine()
{
    TempWorkdir dir;
    QDir().mkdir(dir.file(QStringLiteral("portal")));
    writePdf(dir.file(QStringLiteral("portal/labels2.pdf")), QSizeF(210, 297),
             {fourOnA4({QStringLiteral("SF1400012345673"), QStringLiteral("SF1400012345674")})});
    writePdf(dir.file(QStringLiteral("portal/labels10.pdf")), QSizeF(210, 297),
             {fourOnA4({QStringLiteral("SF1400012345675")})});
    Run saved = runWaybill({QStringLiteral("labels"), QStringLiteral("position"), QStringLiteral("--shift-x"),
                            QStringLiteral("8"), QStringLiteral("--shift-y"), QStringLiteral("0")},
                           dir.path());
    QCOMPARE(saved.status, 0);
    Run run = runWaybill({QStringLiteral("labels"), QStringLiteral("print"), QStringLiteral("portal"),
                          QStringLiteral("--per-page"), QStringLiteral("4"), QStringLiteral("--pdf"),
                          QStringLiteral("out.pdf")},
                         dir.path());
    QVERIFY2(run.status == 0, qPrintable(run.err));
    QVERIFY2(run.out.contains(QString::fromUtf16(u"已打印 3 张电子面单（运单号 SF1400012345673–SF1400012345675）")),
             qPrintable(run.out));
    const QList<PrintedPage> pages = readPrinted(dir.file(QStringLiteral("out.pdf")));
    QCOMPARE(pages.size(), 3);
    // labels2 before labels10, and the saved shift applied.
    QCOMPARE(pages[0].code, QStringLiteral("SF1400012345673"));
    QCOMPARE(pages[2].code, QStringLiteral("SF1400012345675"));
    QVERIFY(qAbs(pages[0].frameMm.x() - (2.5 + 8 * kMmPerUnit)) <= 0.5);

    Run blank = runWaybill({QStringLiteral("labels"), QStringLiteral("print"), QStringLiteral("portal"),
                            QStringLiteral("--per-page"), QStringLiteral("3"), QStringLiteral("--pdf"),
                            QStringLiteral("x.pdf")},
                           dir.path());
    QCOMPARE(blank.status, 2);
    QVERIFY(blank.err.contains(QString::fromUtf16(u"--per-page 只能是 1、2 或 4")));
}

QTEST_MAIN(TestLabels)
#include "test_labels.moc"

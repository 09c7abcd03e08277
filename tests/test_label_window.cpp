// The 标签打印 window as the user drives it: files added, a preview of the
// labels found (one thumbnail each, with the number read), a print into a
// PDF with the record written, a saved position shown again for the same
// paper and printer, and options changed after a preview making it stale.

#include "label_maker.h"
#include "test_support.h"

#include "app/label_window.h"
#include "labels/label_paper.h"
#include "store/calibration.h"
#include "store/connection.h"
#include "store/print_log.h"
#include "ui/recording_dialogs.h"

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

using namespace label_maker;

class TestLabelWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void previewAndPrint_data();
    void previewAndPrint();
    void positionIsSavedPerPaper();
};

void TestLabelWindow::previewAndPrint_data()
{
    QTest::addColumn<int>("perPage");
    QTest::addColumn<int>("labels");
    QTest::newRow("four a page") << 4 << 4;
    // The same sheet taken whole: one label, shrunk onto the paper.
    QTest::newRow("whole page") << 1 << 1;
}

void TestLabelWindow::previewAndPrint()
{
    QFETCH(int, perPage);
    QFETCH(int, labels);
    TempWorkdir dir;
    RecordingDialogs dialogs;
    const QStringList numbers{QStringLiteral("SF1400012345671"), QStringLiteral("SF1400012345672"),
                              QStringLiteral("SF1400012345673"), QStringLiteral("SF1400012345674")};
    writePdf(dir.file(QStringLiteral("a4.pdf")), QSizeF(210, 297), {fourOnA4(numbers)});
    LabelWindow window;
    window.setPrinter(QString());
    window.addFiles({dir.file(QStringLiteral("a4.pdf"))});
    auto *perPageBox = window.findChild<QComboBox *>(QStringLiteral("PerPage"));
    perPageBox->setCurrentIndex(perPageBox->findData(perPage));
    QVERIFY(window.preview());
    auto *thumbnails = window.findChild<QListWidget *>(QStringLiteral("Labels"));
    QCOMPARE(thumbnails->count(), labels);
    if (labels == 4)
        QCOMPARE(thumbnails->item(2)->text(), numbers[2]);
    const QString count = window.findChild<QLabel *>(QStringLiteral("Count"))->text();
    QVERIFY2(count.contains(QStringLiteral(u"共 %1 张电子面单").arg(labels)), qPrintable(count));
    if (labels == 1)
        QVERIFY2(count.contains(QStringLiteral(u"已缩小")), qPrintable(count));

    // An option changed after the preview: the preview is gone, print finds the labels again.
    window.findChild<QSpinBox *>(QStringLiteral("Threshold"))->setValue(150);
    QVERIFY(!window.run());
    dialogs.confirmAnswers = {true};
    dialogs.fileAnswers = {dir.file(QStringLiteral("out.pdf"))};
    window.findChild<QPushButton *>(QStringLiteral("Print"))->click();
    QVERIFY2(dialogs.texts(QStringLiteral("error")).isEmpty(),
             qPrintable(dialogs.texts(QStringLiteral("error")).join('\n')));
    const QList<PrintedPage> pages = readPrinted(dir.file(QStringLiteral("out.pdf")));
    QCOMPARE(pages.size(), labels);
    Connection connection(QStringLiteral("check"));
    connection.open();
    const QList<PrintLogEntry> record = PrintLog(connection).list();
    QCOMPARE(record.size(), labels);
    if (labels == 4)
        QCOMPARE(record.last().number, numbers.last());
    QVERIFY(window.findChild<QLabel *>(QStringLiteral("Count"))
                ->text()
                .contains(QStringLiteral(u"已打印 %1 张电子面单").arg(labels)));
}

void TestLabelWindow::positionIsSavedPerPaper()
{
    TempWorkdir dir;
    RecordingDialogs dialogs;
    {
        LabelWindow window;
        window.setPrinter(QString());
        window.findChild<QSpinBox *>(QStringLiteral("ShiftX"))->setValue(7);
        window.findChild<QSpinBox *>(QStringLiteral("ShiftY"))->setValue(-3);
        window.findChild<QPushButton *>(QStringLiteral("SavePosition"))->click();
    }
    Connection connection(QStringLiteral("check"));
    connection.open();
    const std::optional<Calibration> saved =
        CalibrationStore(connection).find(labelCalibrationCode(QSizeF(100, 150)), QString());
    QVERIFY(saved);
    QCOMPARE(saved->shiftX, 7);
    QCOMPARE(saved->shiftY, -3);

    LabelWindow again;
    again.setPrinter(QString());
    QCOMPARE(again.findChild<QSpinBox *>(QStringLiteral("ShiftX"))->value(), 7);
    // Another paper has a position of its own.
    auto *paper = again.findChild<QComboBox *>(QStringLiteral("Paper"));
    paper->setCurrentIndex(1);
    QCOMPARE(again.findChild<QSpinBox *>(QStringLiteral("ShiftX"))->value(), 0);
    QCOMPARE(again.options().paperMm, QSizeF(76, 130));
}

QTEST_MAIN(TestLabelWindow)
#include "test_label_window.moc"

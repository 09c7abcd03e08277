// The form designer driven as a user drives it (mouse, keys, the property
// panel), the forms it saves printed to PDF and checked with pdftotext,
// and the saved forms in the print menus of both recipient windows.

#include "app/desktop.h"
#include "app/main_window.h"
#include "app/window_registry.h"
#include "import/imported_window.h"
#include "store/connection.h"
#include "store/form_store.h"
#include "test_support.h"
#include "ui/recording_dialogs.h"
#include "waybill/design_canvas.h"
#include "waybill/form_designer.h"
#include "waybill/print_window.h"

#include <QAction>
#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QImageReader>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

using namespace schema;
using Entry = RecordingDialogs::Entry;

namespace {

// A designer window over a blank paper, shown as a user sees it.
struct Designer {
    explicit Designer(const UserForm &start = blankUserForm({230, 127}), const QString &storedCode = {})
        : window(start, storedCode)
    {
        window.show();
        choose("Zoom", QStringLiteral("200%")); // whatever the screen's size: the mouse works in pixels
    }
    template <class W>
    W *find(const char *name) const
    {
        return window.findChild<W *>(QLatin1String(name));
    }
    void trigger(const char *action) const { find<QAction>(action)->trigger(); }
    void click(const char *button) const { QTest::mouseClick(find<QPushButton>(button), Qt::LeftButton); }
    // Types into a line edit as an input method commits Chinese text.
    void type(const char *edit, const QString &text) const
    {
        QLineEdit *target = find<QLineEdit>(edit);
        target->setFocus();
        target->selectAll();
        QInputMethodEvent commit;
        commit.setCommitString(text);
        QApplication::sendEvent(target, &commit);
    }
    // Chooses the entry of a combo box whose text is caption, as a click would.
    void choose(const char *combo, const QString &caption) const
    {
        QComboBox *box = find<QComboBox>(combo);
        const int index = box->findText(caption);
        QVERIFY2(index >= 0, qPrintable(caption));
        box->setCurrentIndex(index);
        Q_EMIT box->activated(index);
        Q_EMIT box->textActivated(caption);
    }
    // Drags the selected field's middle by a distance in millimetres.
    void drag(const QPointF &fromMm, const QPointF &byMm) const
    {
        DesignCanvas *canvas = window.canvas();
        const QPoint from = canvas->toPixels(fromMm).toPoint();
        const QPoint to = canvas->toPixels(fromMm + byMm).toPoint();
        QTest::mousePress(canvas, Qt::LeftButton, {}, from);
        // Two steps, as a hand moves: one drag is one undo step all the same.
        QMouseEvent half(QEvent::MouseMove, (from + to) / 2, canvas->mapToGlobal((from + to) / 2), Qt::NoButton,
                         Qt::LeftButton, {});
        QApplication::sendEvent(canvas, &half);
        QMouseEvent last(QEvent::MouseMove, to, canvas->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, {});
        QApplication::sendEvent(canvas, &last);
        QTest::mouseRelease(canvas, Qt::LeftButton, {}, to);
    }
    QRectF rectOf(int item) const { return window.design().form().items.value(item).mm; }

    RecordingDialogs dialogs;
    FormDesignWindow window;
};

bool near(double actual, double expected, double within = 0.001)
{
    return qAbs(actual - expected) < within;
}

QString rectText(const QRectF &mm)
{
    return QStringLiteral("%1,%2 %3x%4").arg(mm.left()).arg(mm.top()).arg(mm.width()).arg(mm.height());
}

QList<StoredForm> storedForms()
{
    Connection connection(QStringLiteral("test"));
    return FormStore(connection).list();
}

void storeForm(const QString &code, const QString &name)
{
    UserForm form = blankUserForm({100, 150});
    form.code = code;
    form.name = name;
    UserFormItem item;
    item.column = col::kRecipientName;
    item.mm = QRectF(10, 20, 40, 8);
    form.items << item;
    Connection connection(QStringLiteral("test"));
    FormStore(connection).add({code, name, userFormJson(form)});
}

// The pixels of the red frame the canvas draws round a field that does not
// print whole, in and round the field's box.
int redPixelsAround(const Designer &d, int item)
{
    const QImage shown = d.window.canvas()->grab().toImage();
    const QRectF mm = d.rectOf(item);
    const QRect around =
        QRectF(d.window.canvas()->toPixels(mm.topLeft()), d.window.canvas()->toPixels(mm.bottomRight()))
            .toAlignedRect()
            .adjusted(-12, -12, 12, 12)
            .intersected(shown.rect());
    int red = 0;
    for (int y = around.top(); y <= around.bottom(); ++y)
        for (int x = around.left(); x <= around.right(); ++x)
            if (shown.pixelColor(x, y) == QColor(220, 0, 0))
                ++red;
    return red;
}

} // namespace

class TestFormDesigner : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void designStepsUndoAsTheUserMadeThem();
    void fieldsAreDraggedNudgedUndoneSavedAndPrintWhereTheyWerePlaced();
    void codeFieldsAreChosenAndFlaggedWhenTooSmall_data();
    void codeFieldsAreChosenAndFlaggedWhenTooSmall();
    void fittingTextClearsTheFlagDownToTheLeastSize();
    void splitWidthReadsAsCharacters_data();
    void splitWidthReadsAsCharacters();
    void savingNeedsAUniqueName_data();
    void savingNeedsAUniqueName();
    void removingAsksFirst();
    void aScanLiesUnderTheFieldsOnScreenOnly();
    void picturesAreCheckedAndKeptAtWhatThePaperNeeds_data();
    void picturesAreCheckedAndKeptAtWhatThePaperNeeds();
    void aFormTravelsToAnotherPcAsAFile();
    void savedFormsAreInThePrintMenusOfBothWindows();
    void aPrintWindowStartsTheDesignerFromItsForm();
};

void TestFormDesigner::designStepsUndoAsTheUserMadeThem()
{
    FormDesign design(blankUserForm({230, 127}));
    QVERIFY(!design.modified());
    UserFormItem item;
    item.column = col::kRecipientName;
    item.mm = QRectF(10, 10, 50, 6);
    QCOMPARE(design.addItem(item), 0);
    // The moves of one drag merge into one step; a nudge is a step of its own.
    design.setItemRect(0, QRectF(12.34, 10, 50, 6), QStringLiteral("drag 1"));
    design.setItemRect(0, QRectF(15.06, 11.96, 50, 6), QStringLiteral("drag 1"));
    QCOMPARE(design.form().items[0].mm, QRectF(15.1, 12, 50, 6)); // to 0.1 mm
    design.nudge(0.1, 0);
    design.nudge(0.1, 0);
    QVERIFY(near(design.form().items[0].mm.left(), 15.3));
    design.undo();
    QVERIFY(near(design.form().items[0].mm.left(), 15.2));
    design.undo();
    design.undo(); // the whole drag
    QCOMPARE(design.form().items[0].mm, QRectF(10, 10, 50, 6));
    design.redo();
    QCOMPARE(design.form().items[0].mm, QRectF(15.1, 12, 50, 6));
    // A field is never smaller than 1 mm, whatever a drag asks.
    design.setItemRect(0, QRectF(1, 1, -5, 0.2));
    QCOMPARE(design.form().items[0].mm.size(), QSizeF(1, 1));
    // A new change after undoing forgets what could be redone.
    design.undo();
    QVERIFY(design.canRedo());
    design.nudge(0, 1);
    QVERIFY(!design.canRedo());
    // Undoing the field's addition takes the selection with it.
    design.undo();
    design.undo();
    design.undo();
    QCOMPARE(design.form().items.size(), 0);
    QCOMPARE(design.selected(), -1);
    QVERIFY(!design.modified());
    QCOMPARE(FormDesign::rounded(12.349), 12.3);
    QCOMPARE(FormDesign::rounded(12.349, true), 12.0);
    QCOMPARE(newFormCode({QStringLiteral("form1"), QStringLiteral("form3")}), QStringLiteral("form2"));
}

void TestFormDesigner::fieldsAreDraggedNudgedUndoneSavedAndPrintWhereTheyWerePlaced()
{
    TempWorkdir dir;
    {
        RawDb raw(dir.dbPath());
        raw.exec(u"insert into outrxx (寄件人姓名) values ('Sendername')"_qs);
        raw.addRecipient(kRecipientTable, u"Takername"_qs, u"13800000000"_qs);
    }
    Designer d;
    // A field for the recipient's name, dragged 30 mm right and 20 mm down
    // (snapped to the grid), nudged 0.3 mm right and 1 mm down, the last
    // nudge undone.
    d.click("AddField");
    QCOMPARE(rectText(d.rectOf(0)), QStringLiteral("10,10 50x6"));
    d.drag({35, 13}, {30, 20});
    QCOMPARE(rectText(d.rectOf(0)), QStringLiteral("40,30 50x6"));
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(d.window.canvas(), Qt::Key_Right);
    QTest::keyClick(d.window.canvas(), Qt::Key_Down, Qt::ShiftModifier);
    QVERIFY2(near(d.rectOf(0).left(), 40.3) && near(d.rectOf(0).top(), 31), qPrintable(rectText(d.rectOf(0))));
    d.trigger("UndoEdit");
    QVERIFY2(near(d.rectOf(0).left(), 40.3) && near(d.rectOf(0).top(), 30), qPrintable(rectText(d.rectOf(0))));
    // The property panel shows the field in millimetres.
    QCOMPARE(d.find<QDoubleSpinBox>("FieldLeft")->value(), 40.3);
    // Resized by its bottom-right handle: 10 mm wider, the edge snapped to the grid.
    d.drag(d.rectOf(0).bottomRight(), {10, 0});
    QVERIFY2(near(d.rectOf(0).right(), 100) && near(d.rectOf(0).left(), 40.3), qPrintable(rectText(d.rectOf(0))));

    // The sender's name, placed by typing its place into the panel.
    d.click("AddField");
    d.choose("FieldColumn", u"寄件人姓名"_qs);
    d.find<QDoubleSpinBox>("FieldLeft")->setValue(120);
    d.find<QDoubleSpinBox>("FieldTop")->setValue(80.5);
    // A fixed text, right-aligned in a 50 mm box from 150 mm: it ends at 200 mm.
    d.click("AddField");
    d.choose("FieldColumn", u"固定文字"_qs);
    d.type("FieldText", u"OFFICE"_qs);
    d.choose("FieldAlign", u"右对齐"_qs);
    d.find<QDoubleSpinBox>("FieldLeft")->setValue(150);
    d.find<QDoubleSpinBox>("FieldTop")->setValue(100);
    QCOMPARE(d.window.design().form().items[1].column, col::kSenderName);
    QCOMPARE(d.window.design().form().items[1].row, RowSide::Sender);

    d.type("FormName", u"德邦快递单"_qs);
    d.trigger("SaveForm");
    QCOMPARE(d.dialogs.texts(QStringLiteral("error")), QStringList());
    const QList<StoredForm> stored = storedForms();
    QCOMPARE(stored.size(), 1);
    QCOMPARE(stored[0].code, QStringLiteral("form1"));
    QCOMPARE(stored[0].name, u"德邦快递单"_qs);
    QVERIFY(!d.window.design().modified());

    const QString pdf = dir.file(QStringLiteral("out.pdf"));
    const Run run =
        runWaybill({QStringLiteral("print"), QStringLiteral("form1"), QStringLiteral("--pdf"), pdf}, dir.path());
    QVERIFY2(run.status == 0, qPrintable(run.err));
    const QList<QList<Word>> pages = pdfWords(pdf);
    QCOMPARE(pages.size(), 1);
    const auto word = [&](const QString &text) {
        for (const Word &w : pages[0])
            if (w.text == text)
                return w;
        return Word{};
    };
    const struct {
        QString text;
        double left, top, right;
    } expected[] = {{u"Takername"_qs, 40.3, 30, -1}, {u"Sendername"_qs, 120, 80.5, -1}, {u"OFFICE"_qs, -1, 100, 200}};
    for (const auto &e : expected) {
        const Word w = word(e.text);
        QVERIFY2(!w.text.isEmpty(), qPrintable(e.text));
        const QString where = QStringLiteral("%1 at %2..%3, %4 mm").arg(e.text).arg(w.left).arg(w.right).arg(w.top);
        QVERIFY2(e.left < 0 || near(w.left, e.left, 0.3), qPrintable(where));
        QVERIFY2(e.right < 0 || near(w.right, e.right, 0.3), qPrintable(where));
        QVERIFY2(near(w.top, e.top, 0.3), qPrintable(where));
    }
}

void TestFormDesigner::splitWidthReadsAsCharacters_data()
{
    // The bytes typed and the 汉字 a full line of them holds (the cut never
    // falls inside a character, the line ends two bytes early).
    QTest::addColumn<int>("bytes");
    QTest::addColumn<QString>("suffix");
    QTest::newRow("30") << 30 << u" 字节（每行 14 个汉字）"_qs;
    QTest::newRow("22") << 22 << u" 字节（每行 10 个汉字）"_qs;
    QTest::newRow("16") << 16 << u" 字节（每行 7 个汉字）"_qs;
    QTest::newRow("3") << 3 << u" 字节（每行 1 个汉字）"_qs;
    QTest::newRow("2") << 2 << u" 字节（不够一个汉字）"_qs;
    QTest::newRow("no split") << 0 << u" 字节"_qs;
}

void TestFormDesigner::splitWidthReadsAsCharacters()
{
    QFETCH(int, bytes);
    QFETCH(QString, suffix);
    Designer d;
    d.click("AddField");
    auto *split = d.find<QSpinBox>("FieldSplit");
    split->setValue(bytes);
    QCOMPARE(split->suffix(), suffix);
    QCOMPARE(d.window.design().form().items.value(0).split, bytes);
    // Another field selected shows its own.
    d.click("AddField");
    QCOMPARE(split->suffix(), u" 字节"_qs);
}

void TestFormDesigner::savingNeedsAUniqueName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("withField");
    QTest::addColumn<QString>("error");
    QTest::newRow("empty") << u"  "_qs << true << u"请填写快递单名称（例如“德邦快递单”），未保存。"_qs;
    QTest::newRow("built-in") << u"顺丰快递单"_qs << true
                              << u"“顺丰快递单”是内置快递单的名称，请换一个名称，未保存。"_qs;
    QTest::newRow("taken") << u"极兔快递单"_qs << true << u"已有名为“极兔快递单”的快递单，未保存；请换一个名称。"_qs;
    QTest::newRow("no fields") << u"京东快递单"_qs << false << u"快递单上还没有字段：请先“添加字段”，未保存。"_qs;
}

void TestFormDesigner::savingNeedsAUniqueName()
{
    QFETCH(QString, name);
    QFETCH(bool, withField);
    QFETCH(QString, error);
    TempWorkdir dir;
    storeForm(QStringLiteral("form1"), u"极兔快递单"_qs);
    Designer d;
    if (withField)
        d.click("AddField");
    d.type("FormName", name);
    d.trigger("SaveForm");
    QCOMPARE(d.dialogs.texts(QStringLiteral("error")), QStringList{error});
    QCOMPARE(storedForms().size(), 1);
    QVERIFY(d.window.design().modified()); // what the user drew is still there
}

void TestFormDesigner::removingAsksFirst()
{
    TempWorkdir dir;
    storeForm(QStringLiteral("form1"), u"极兔快递单"_qs);
    Connection connection(QStringLiteral("test"));
    const UserForm form =
        readUserForm(QStringLiteral("form1"), FormStore(connection).find(QStringLiteral("form1"))->document);
    Designer d(form, QStringLiteral("form1"));
    d.dialogs.confirmAnswers = {false, true};
    d.trigger("RemoveForm");
    QCOMPARE(storedForms().size(), 1);
    d.trigger("RemoveForm");
    QCOMPARE(storedForms().size(), 0);
    QCOMPARE(d.dialogs.texts(QStringLiteral("confirm (No default)")).size(), 2);
    QCOMPARE(d.dialogs.texts(QStringLiteral("notice")), QStringList{u"已删除快递单“极兔快递单”。"_qs});
}

void TestFormDesigner::aScanLiesUnderTheFieldsOnScreenOnly()
{
    TempWorkdir dir;
    const QString notAPicture = dir.file(QStringLiteral("scan.jpg"));
    writeAll(notAPicture, "not a picture at all");
    const QString scan = dir.file(QStringLiteral("scan.png"));
    QImage(800, 440, QImage::Format_RGB32).save(scan);
    Designer d;
    d.dialogs.fileAnswers = {notAPicture, scan};
    d.click("ChoosePicture");
    QCOMPARE(d.dialogs.texts(QStringLiteral("error")),
             QStringList{u"图片 %1 不能用作底图：底图不是 JPEG 或 PNG 图片。未做改动。"_qs.arg(notAPicture)});
    QVERIFY(d.window.design().form().picture.isEmpty());
    d.click("ChoosePicture");
    QVERIFY(!d.window.design().form().picture.isEmpty());
    QVERIFY(d.find<QDoubleSpinBox>("PictureScale")->isEnabled());
    d.find<QDoubleSpinBox>("PictureScale")->setValue(1.02);
    d.find<QDoubleSpinBox>("PictureLeft")->setValue(-1.5);
    d.click("AddField");
    d.type("FormName", u"京东快递单"_qs);
    d.trigger("SaveForm");
    const QList<StoredForm> stored = storedForms();
    QCOMPARE(stored.size(), 1);
    const UserForm form = readUserForm(stored[0].code, stored[0].document);
    QCOMPARE(form.pictureScale, 1.02);
    QCOMPARE(form.pictureOffsetMm, QPointF(-1.5, 0));
    // The print window draws it stretched to the paper times the scale, shifted; paper never gets it.
    const Layout layout = layoutOfUserForm(form, Variant::Single);
    QCOMPARE(layout.pictureImage(QSize(100, 50)).size(), QSize(100, 50));
    QCOMPARE(layout.pictureRect().left(), qRound(-1.5 / kMmPerUnit));
    QCOMPARE(layout.pictureRect().width(), qRound(layout.paperUnits().width() * 1.02));
}

void TestFormDesigner::aFormTravelsToAnotherPcAsAFile()
{
    QTemporaryDir outside;
    const QString file = outside.filePath(QStringLiteral("debang"));
    UserForm drawn;
    {
        TempWorkdir office;
        Designer d;
        d.click("AddField");
        d.find<QDoubleSpinBox>("FieldLeft")->setValue(33.3);
        d.type("FormName", u"德邦快递单"_qs);
        d.dialogs.fileAnswers = {file};
        d.trigger("ExportForm");
        QCOMPARE(d.dialogs.texts(QStringLiteral("error")), QStringList());
        drawn = d.window.design().form();
    }
    TempWorkdir other;
    storeForm(QStringLiteral("form1"), u"极兔快递单"_qs); // the code the file has is taken here
    Designer d;
    d.dialogs.fileAnswers = {file + QStringLiteral(".kdform")};
    d.trigger("ImportForm");
    QCOMPARE(d.dialogs.texts(QStringLiteral("error")), QStringList());
    d.trigger("SaveForm");
    QCOMPARE(d.dialogs.texts(QStringLiteral("error")), QStringList());
    const QList<StoredForm> stored = storedForms();
    QCOMPARE(stored.size(), 2);
    QCOMPARE(stored[1].code, QStringLiteral("form2"));
    const UserForm arrived = readUserForm(stored[1].code, stored[1].document);
    QCOMPARE(arrived.name, u"德邦快递单"_qs);
    QCOMPARE(arrived.items.size(), 1);
    QCOMPARE(arrived.items[0].mm, drawn.items[0].mm);
}

void TestFormDesigner::savedFormsAreInThePrintMenusOfBothWindows()
{
    TempWorkdir dir;
    {
        RawDb raw(dir.dbPath());
        raw.addRecipient(kRecipientTable, u"Takername"_qs, u"13800000000"_qs);
        raw.addRecipient(kImportedTable, u"Importedname"_qs, u"13900000000"_qs);
    }
    RecordingDialogs dialogs;
    WindowRegistry registry;
    registerWindows(registry);
    registry.createAll();
    storeForm(QStringLiteral("form1"), u"德邦快递单"_qs);
    auto *main = registry.windowAs<MainWindow>(window_class::kMain);
    auto *imported = registry.windowAs<ImportedWindow>(window_class::kImported);

    struct Case {
        QWidget *owner;
        const char *menu;
        QString entry;
        QString title;
        QString printed;
    };
    const Case cases[] = {
        {main, "N16", u"Kd_form1_Form_Menu"_qs, u"单张打印德邦快递单"_qs, u"Takername"_qs},
        {main, "N29", u"Kd_form1_PlForm_Popup"_qs, u"批量打印德邦快递单"_qs, u"Takername"_qs},
        {imported, "N2", u"Kd_form1_DrForm_Menu"_qs, u"单张打印德邦快递单"_qs, u"Importedname"_qs},
        {imported, "N6", u"Kd_form1_DrPlForm_Popup"_qs, u"批量打印德邦快递单"_qs, u"Importedname"_qs},
    };
    for (const Case &c : cases) {
        auto *menu = c.owner->findChild<QMenu *>(QLatin1String(c.menu));
        Q_EMIT menu->aboutToShow();
        // After the eleven built-in entries, behind a separator.
        const QList<QAction *> actions = menu->actions();
        QCOMPARE(actions.size(), 13);
        QVERIFY(actions[11]->isSeparator());
        QCOMPARE(actions[12]->objectName(), c.entry);
        QCOMPARE(actions[12]->text(), u"德邦快递单"_qs);
        QString title;
        QString printed;
        dialogs.onModal = [&](QWidget *window) {
            auto *print = qobject_cast<PrintWindow *>(window);
            QVERIFY(print);
            title = print->windowTitle();
            print->FormActivate(); // as showing it does: a batch window opens its snapshot
            const ComposedPage page = print->run().page(0);
            printed = page.items.value(0).lines.value(0);
        };
        dialogs.clear();
        actions[12]->trigger();
        QCOMPARE(dialogs.texts(QStringLiteral("error")).join(QString()), QString());
        QCOMPARE(title, c.title);
        QCOMPARE(printed, c.printed);
    }
    // A removed form leaves the menus the next time they open.
    Connection connection(QStringLiteral("test"));
    FormStore(connection).remove(QStringLiteral("form1"));
    auto *single = main->findChild<QMenu *>(QStringLiteral("N16"));
    Q_EMIT single->aboutToShow();
    QCOMPARE(single->actions().size(), 11);
}

void TestFormDesigner::aPrintWindowStartsTheDesignerFromItsForm()
{
    TempWorkdir dir;
    RecordingDialogs dialogs;
    WindowRegistry registry;
    registerWindows(registry);
    registry.createAll();
    auto *window = registry.windowAs<PrintWindow>(QStringLiteral("TYdForm"));
    qsizetype items = -1;
    bool picture = false;
    QString name;
    dialogs.onModal = [&](QWidget *shown) {
        auto *designer = qobject_cast<FormDesignWindow *>(shown);
        QVERIFY(designer);
        items = designer->design().form().items.size();
        picture = !designer->design().form().picture.isEmpty();
        name = designer->design().form().name;
    };
    window->findChild<QAction *>(QStringLiteral("DesignFromThisForm"))->trigger();
    QCOMPARE(items, window->layout().items.size());
    QVERIFY(picture);
    QCOMPARE(name, QString()); // the user names the new form
}

void TestFormDesigner::picturesAreCheckedAndKeptAtWhatThePaperNeeds_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("cut"); // the file cut short
    QTest::addColumn<QString>("refusal");
    QTest::newRow("a photo finer than 300 dpi") << QSize(6000, 3300) << false << QString();
    QTest::newRow("a scan of the paper's size") << QSize(800, 440) << false << QString();
    QTest::newRow("a scan cut short") << QSize(800, 440) << true << u"底图不完整"_qs;
}

void TestFormDesigner::picturesAreCheckedAndKeptAtWhatThePaperNeeds()
{
    QFETCH(QSize, size);
    QFETCH(bool, cut);
    QFETCH(QString, refusal);
    TempWorkdir dir;
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::lightGray);
    const QString path = dir.file(u"scan.jpg"_qs);
    QVERIFY(image.save(path, "JPEG"));
    if (cut)
        writeAll(path, readAll(path).left(QFileInfo(path).size() / 2));
    Designer d;
    d.dialogs.fileAnswers = {path};
    d.click("ChoosePicture");
    QByteArray picture = d.window.design().form().picture;
    if (!refusal.isEmpty()) {
        QCOMPARE(d.dialogs.texts(QStringLiteral("error")).size(), 1);
        QVERIFY2(d.dialogs.texts(QStringLiteral("error")).first().contains(refusal),
                 qPrintable(d.dialogs.texts(QStringLiteral("error")).first()));
        QVERIFY(picture.isEmpty());
        return;
    }
    QVERIFY(d.dialogs.texts(QStringLiteral("error")).isEmpty());
    QBuffer buffer(&picture);
    const QSize kept = QImageReader(&buffer).size();
    // 300 dots per inch over the paper at most, the proportions kept as drawn.
    const QSizeF paper = d.window.design().form().paperMm;
    const QSize most(int(std::ceil(paper.width() / 25.4 * 300)), int(std::ceil(paper.height() / 25.4 * 300)));
    QCOMPARE(kept, size.boundedTo(most));
}

void TestFormDesigner::codeFieldsAreChosenAndFlaggedWhenTooSmall_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QSizeF>("boxMm");
    QTest::addColumn<bool>("readable");
    QTest::addColumn<bool>("flagged");
    const QString code128 = u"条码 Code 128"_qs;
    const QString qr = u"二维码"_qs;
    QTest::newRow("Code 128 in a box that holds it") << code128 << QSizeF(60, 12) << false << false;
    QTest::newRow("Code 128 with its line") << code128 << QSizeF(60, 14) << true << false;
    QTest::newRow("Code 128 too narrow") << code128 << QSizeF(5, 12) << false << true;
    QTest::newRow("Code 128 whose line leaves too little") << code128 << QSizeF(60, 5) << true << true;
    QTest::newRow("QR in a box that holds it") << qr << QSizeF(20, 20) << false << false;
    QTest::newRow("QR of 1 mm") << qr << QSizeF(1, 1) << false << true;
}

void TestFormDesigner::codeFieldsAreChosenAndFlaggedWhenTooSmall()
{
    QFETCH(QString, kind);
    QFETCH(QSizeF, boxMm);
    QFETCH(bool, readable);
    QFETCH(bool, flagged);
    Designer d;
    d.click("AddField");
    d.choose("FieldColumn", u"运单号"_qs);
    d.choose("FieldKind", kind);
    auto *line = d.find<QCheckBox>("FieldReadable");
    QCOMPARE(line->isEnabled(), kind == u"条码 Code 128"_qs);
    QVERIFY(!d.find<QCheckBox>("FieldFit")->isEnabled()); // a code fills its box
    if (readable)
        QTest::mouseClick(line, Qt::LeftButton, {}, QPoint(8, line->height() / 2)); // on its box
    d.find<QDoubleSpinBox>("FieldWidth")->setValue(boxMm.width());
    d.find<QDoubleSpinBox>("FieldHeight")->setValue(boxMm.height());
    const UserFormItem item = d.window.design().form().items.value(0);
    QCOMPARE(item.kind, kind == u"二维码"_qs ? ItemKind::Qr : ItemKind::Code128);
    QCOMPARE(item.column, kWaybillNumberColumn);
    QCOMPARE(item.readableLine, readable);
    QCOMPARE(item.mm.size(), boxMm);
    QCOMPARE(redPixelsAround(d, 0) > 0, flagged);
    // Back to text: the same box holds the column's name.
    d.choose("FieldKind", u"文字"_qs);
    QCOMPARE(d.window.design().form().items.value(0).kind, ItemKind::Text);
    QVERIFY(d.find<QCheckBox>("FieldFit")->isEnabled());
}

void TestFormDesigner::fittingTextClearsTheFlagDownToTheLeastSize()
{
    Designer d;
    d.click("AddField");
    d.choose("FieldColumn", u"固定文字"_qs);
    d.type("FieldText", u"上海市浦东新区张江高科技园区碧波路690号3号楼东座1501室"_qs);
    d.find<QSpinBox>("FieldSplit")->setValue(24);
    d.find<QDoubleSpinBox>("FieldWidth")->setValue(60);
    d.find<QDoubleSpinBox>("FieldHeight")->setValue(10);
    // Three lines of 12 points do not fit 10 mm: the last is not printed.
    QVERIFY(redPixelsAround(d, 0) > 0);
    auto *least = d.find<QSpinBox>("FieldMinPoints");
    QVERIFY(!least->isEnabled());
    auto *fit = d.find<QCheckBox>("FieldFit");
    QTest::mouseClick(fit, Qt::LeftButton, {}, QPoint(8, fit->height() / 2)); // on its box
    QVERIFY(d.window.design().form().items.value(0).fitText);
    QVERIFY(least->isEnabled());
    QCOMPARE(redPixelsAround(d, 0), 0);
    // Not allowed below 11 points, it cannot fit.
    least->setValue(11);
    QCOMPARE(d.window.design().form().items.value(0).minPoints, 11);
    QVERIFY(redPixelsAround(d, 0) > 0);
    d.trigger("UndoEdit");
    QCOMPARE(d.window.design().form().items.value(0).minPoints, 6);
    QCOMPARE(redPixelsAround(d, 0), 0);
}

QTEST_MAIN(TestFormDesigner)
#include "test_form_designer.moc"

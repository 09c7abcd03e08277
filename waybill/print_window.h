#pragma once
// A waybill print window: one class for the 44 windows of the family,
// driven by the courier and the variant. It shows the form picture with
// every printed item (its column name) at its place, shifts all items,
// changes their font, and runs the waybill through printing.

#include "report/page.h"
#include "waybill/family.h"
#include "waybill/layout.h"

#include <QMainWindow>
#include <memory>

class BatchData;
class PrintSource;
class QLineEdit;
class QPrinter;
class PageView;

class PrintWindow : public QMainWindow {
    Q_OBJECT
public:
    // Runs a print job of a window: shows the pages and prints them.
    using Runner = std::function<void(PrintWindow &window)>;

    PrintWindow(const Courier &courier, Variant variant, std::unique_ptr<PrintSource> source,
                QWidget *parent = nullptr);
    // A batch window with its own connection, opened now (throws DbError
    // when data.mdb cannot be opened); page k of a run carries row k.
    static std::unique_ptr<PrintWindow> makeBatch(const Courier &courier, Variant variant);
    ~PrintWindow() override;

    const Courier &courier() const { return m_courier; }
    Variant variant() const { return m_variant; }
    const Layout &layout() const { return m_layout; }
    // The items as the window holds them now (shifted, re-fonted).
    const QList<LayoutItem> &items() const { return m_items; }
    PrintSource &source() const { return *m_source; }

    // A composer over the window's current items, and the page count of a run.
    PageComposer composer() const;
    int pageCount() const;
    // Composes page k of a run from the data as it is now.
    ComposedPage composePage(const PageComposer &composer, int page) const;

    void Button2Click(); // shift left/right by Edit1
    void Button3Click(); // shift up/down by Edit2
    void Image1Click();  // font of all items
    void N1Click();      // print run
    // Batch windows: reconnect and reopen both datasets as fresh snapshots,
    // each time the window becomes active (shown, or back from the preview).
    void FormActivate();
    BatchData *batchData() const { return m_batch.get(); }

    // What N1 does; the program installs the preview, tests a recorder.
    static void setRunner(Runner runner);
    // Something N1 does before the run (TEttForm brings the imported
    // recipients window to the front).
    void setBeforeRun(std::function<void()> beforeRun) { m_beforeRun = std::move(beforeRun); }

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void buildStrip(QWidget *panel);
    void shift(QLineEdit *edit, bool horizontal);
    void refreshPage();

    const Courier &m_courier;
    Variant m_variant;
    Layout m_layout;
    QList<LayoutItem> m_items;
    std::unique_ptr<BatchData> m_batch; // batch windows only; before m_source, which reads it
    std::unique_ptr<PrintSource> m_source;
    PageView *m_page = nullptr;
    QLineEdit *m_shiftX = nullptr;
    QLineEdit *m_shiftY = nullptr;
    QFont m_lastFont;
    std::function<void()> m_beforeRun;
};

// Runs a window's waybills again from its data straight onto printer,
// with the printer's page range, showing a progress window.
void printRun(PrintWindow &window, QPrinter &printer, QWidget *parent);

// Prints a window's run through the print setup dialog (printer, copies,
// page range) straight onto the printer.
void printThroughSetup(PrintWindow &window);

// Parses a shift amount: decimal, optional sign, 32-bit. Throws
// std::runtime_error "'text' is not a valid integer value" otherwise.
int parseShiftAmount(const QString &text);

#pragma once
// A waybill print window: one class for the 44 windows of the family,
// driven by the courier and the variant. It shows the form picture with
// every printed item (its column name) at its place, shifts all items,
// changes their font, and runs the waybill through printing.

#include "waybill/family.h"
#include "waybill/print_data.h"
#include "waybill/print_record.h"
#include "waybill/waybill_run.h"

#include <QMainWindow>
#include <memory>
#include <optional>

class QCheckBox;
class QLineEdit;
class PageView;
class QLabel;

class PrintWindow : public QMainWindow {
    Q_OBJECT
public:
    // Runs a print job of a window: shows the pages and prints them. The
    // program installs the preview (app/desktop.cpp), tests a recorder.
    using Runner = std::function<void(PrintWindow &window)>;

    PrintWindow(const Courier &courier, Variant variant, std::unique_ptr<PrintSource> source, QWidget *parent = nullptr,
                std::unique_ptr<PrintData> batch = {});
    // A window of a layout that is not the courier's built-in one (a form
    // of the office's own).
    PrintWindow(const Courier &courier, Variant variant, const Layout &layout, std::unique_ptr<PrintSource> source,
                QWidget *parent = nullptr, std::unique_ptr<PrintData> batch = {});
    // A batch window with its own connection, opened now (throws DbError
    // when data.mdb cannot be opened); page k of a run carries row k. No
    // layout: the courier's built-in one.
    static std::unique_ptr<PrintWindow> makeBatch(const Courier &courier, Variant variant,
                                                  const std::optional<Layout> &layout = std::nullopt);
    ~PrintWindow() override;

    const Courier &courier() const { return m_courier; }
    Variant variant() const { return m_variant; }
    const Layout &layout() const { return m_run.layout(); }
    // The window's print run: its items as shifted and re-fonted, its data.
    WaybillRun &run() { return m_run; }
    const WaybillRun &run() const { return m_run; }

    void Button2Click(); // shift left/right by Edit1
    void Button3Click(); // shift up/down by Edit2
    void Image1Click();  // font of all items
    void N1Click();      // print run
    void Button4Click(); // scale across and down by Edit3 and Edit4
    // 保存位置: this courier's shift, scale and font for the printer chosen
    // in a printer setup (else the default printer).
    void saveCalibration();
    void restoreDefaults();      // 恢复默认位置: the layout's positions and fonts, the saved ones forgotten
    void printCalibrationPage(); // 打印校准页
    // 按此单新建: the form designer, starting from a copy of this window's form.
    void designFromThisForm();
    // 运单号: the number of the first form in the printer, offered as the one
    // after the last this form printed; empty records no numbers.
    void askFirstNumber();
    // 纸张尺寸: the paper measured on this printer ("230x127.3" mm), saved
    // with the position.
    void askPaperSize();
    // After a print: "已打印 N 张（运单号 A–B）" in the status line, and the
    // numbering goes on from the form after the last one printed.
    void showPrinted(const PrintedRun &done);
    // What 按此单新建 does: the program opens the designer (app/desktop.cpp).
    using Designer = std::function<void(const Layout &layout, const QString &name, QWidget *parent)>;
    static void setDesigner(Designer designer);
    // The calibration line the window shows ("右移 12、下移 -3 …"), after
    // what it came from when it is a saved one ("已用保存的位置：…").
    QString calibrationText() const;
    // Batch windows: reconnect and reopen both datasets as fresh snapshots,
    // each time the window becomes active (shown, or back from the preview).
    void FormActivate();

    // What N1 does.
    static void setRunner(Runner runner);
    // Something N1 does before the run (a window of the family table's
    // bringsListForward brings the imported recipients window to the front).
    void setBeforeRun(std::function<void()> beforeRun) { m_beforeRun = std::move(beforeRun); }

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void buildStrip(QWidget *panel);
    void shift(QLineEdit *edit, bool horizontal);
    void refreshPage();
    void applySavedCalibration();
    void showScale();

    Courier m_courier;
    Variant m_variant;
    std::unique_ptr<PrintData> m_batch; // batch windows only; before the run, whose source reads it
    WaybillRun m_run;
    PageView *m_page = nullptr;
    QLineEdit *m_shiftX = nullptr;
    QLineEdit *m_shiftY = nullptr;
    QLineEdit *m_scaleX = nullptr;
    QLineEdit *m_scaleY = nullptr;
    QString m_savedFrom; // "已用保存的位置（…）" while the run is as a saved calibration put it
    std::function<void()> m_beforeRun;
    bool m_placed = false;
    bool m_calibrationApplied = false;
    QLabel *m_calibrationLabel = nullptr;
    QLabel *m_frameLabel = nullptr;
    QLabel *m_printedLabel = nullptr;
    QCheckBox *m_columnNames = nullptr; // 显示字段名: the items' column names instead of the values
};

// Parses a shift amount: decimal, optional sign, 32-bit. Throws AppError
// saying what to type, with "'text' is not a valid integer value" after it.
int parseShiftAmount(const QString &text);

// Parses a scale factor ("1.02"); throws AppError unless it is a number
// from 0.9 to 1.1.
double parseScale(const QString &text);

#pragma once
// One print run of a waybill window, without widgets: the window's copy of
// its layout, the printed items as the user has shifted them and set their
// font, and the data source. It composes page i of the run from the data
// as it is now. The print window is a view over one run; the preview and
// printing take the run; the command line builds one. Nothing else
// composes pages.

#include "report/page.h"
#include "store/calibration.h"
#include "waybill/layout.h"
#include "waybill/page_composer.h"
#include "waybill/print_source.h"

#include <QFont>
#include <QPoint>
#include <memory>
#include <optional>

// What a page is composed for: the dots per inch of the device it prints
// on (its codes snap to them; a PDF's unless told) and the run's first
// printed page, the one the first waybill number lands on (0-based).
struct PageTarget {
    int dpi = kMaxCodeDpi;
    int firstPrinted = 0;
};

class WaybillRun {
public:
    WaybillRun(const Layout &layout, std::unique_ptr<PrintSource> source);

    const Layout &layout() const { return m_layout; }
    // The items as the run holds them now (shifted, re-fonted).
    const QList<LayoutItem> &items() const { return m_items; }
    // The paper the run prints on: the layout's, or the length and width a
    // saved calibration measured for the printer (continuous forms).
    QSizeF paperMm() const { return m_paperMm.isEmpty() ? m_layout.paperMm : m_paperMm; }
    QSize paperUnits() const;
    // Sets the paper to print on, in millimetres (empty: the layout's).
    void setPaper(const QSizeF &paperMm);

    // The waybill number of the form the run's first printed page lands on
    // (empty: not known); the pages after it get the next numbers.
    const QString &firstNumber() const { return m_firstNumber; }
    void setFirstNumber(const QString &number) { m_firstNumber = number; }
    // The waybill number page (0-based) prints when the run's printing
    // starts at firstPrinted: the first number's, counted on from there, or
    // (no first number) the one the page's record entry had; empty when
    // there is none.
    QString numberOfPage(int page, int firstPrinted = 0) const;
    PrintSource &source() const { return *m_source; }

    // Moves every item by dx, dy layout units; positions saturate at the
    // limits of int instead of overflowing.
    void shift(int dx, int dy);
    // How far the items stand from the layout's positions (layout units).
    QPoint totalShift() const;
    // Puts the layout's positions and fonts back, scale 1.
    void reset();

    // Stretches every item's position (not its font) by the factors, about
    // the paper's top-left corner, for a printer that stretches the page.
    void setScale(double across, double down);
    double scaleX() const { return m_scaleX; }
    double scaleY() const { return m_scaleY; }

    // The items where they print: shifted, positions stretched by the scale.
    QList<LayoutItem> placedItems() const;

    // Puts the layout back, then applies a saved calibration: its shift,
    // scale, paper and (when it has one) font.
    void apply(const Calibration &calibration);
    // The run's calibration for its courier on a printer: the shift, the
    // scale and, when the user has set one, the font.
    Calibration calibration(const QString &printer) const;

    // Whether any item's top-left corner still lies on the paper.
    bool anyItemOnPaper() const;
    // Shifts as shift() does, unless that would move every item off the
    // paper: then nothing moves and it throws AppError (offPaperText()).
    void shiftKeepingPaper(int dx, int dy);
    // "移动量太大：所有内容都移出了纸张（纸张 W × H 单位）" for this run's paper.
    QString offPaperText() const;
    // Gives every item the font (in points) and colour.
    void setFont(const QFont &font, const QColor &color = Qt::black);
    // The items' font and colour (those of the first item).
    QFont font() const;
    QColor color() const;

    int pageCount() const;
    // Composes page i (0-based) from the data as it is now.
    ComposedPage page(int i, PageTarget target = {}) const;
    // The page as the print window shows it: every item's column name at
    // its place, unsplit.
    ComposedPage screenPage() const;
    // The first page as it prints, from the data as it is now, except that
    // an item without a value shows its column name, so that every item
    // can be found on the form. Throws AppError when the data are not open.
    ComposedPage valuesPage() const;

private:
    const PageComposer &composer(int gridDpi = kMaxCodeDpi) const;
    // The value a page prints for an item's column (the waybill number, an
    // order number where the list has them).
    QString pageValue(int page, RowSide row, const QString &column, int firstPrinted) const;

    Layout m_layout;
    QList<LayoutItem> m_items;
    std::unique_ptr<PrintSource> m_source;
    double m_scaleX = 1.0;
    double m_scaleY = 1.0;
    QSizeF m_paperMm; // empty: the layout's
    QString m_firstNumber;
    bool m_fontSet = false;                         // setFont was called since the layout was put back
    mutable std::optional<PageComposer> m_composer; // for the items as they are now
    mutable int m_composerDpi = 0;                  // the code grid it composes for
    mutable QStringList m_numbers;                  // firstNumber and the numbers after it, as far as asked
};

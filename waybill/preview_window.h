#pragma once
// The print preview TQRStandardPreview, made for one print run of a print
// window and destroyed when it closes. It opens as wide as its tool bar, at
// least 500 x 500, and can be resized and maximised; a fitted page follows
// the window's size. Pages are composed a few at a time
// on the event loop and appear as they are produced; the page view zooms
// (fit page, fit width, 100 %) and pages; thumbnails list every page;
// "设 置" sets up the printer and "打 印" runs the waybills again from the
// data straight to the printer.

#include "report/page.h"
#include "waybill/print_record.h"

#include <QDialog>
#include <QPrinter>
#include <functional>
#include <memory>

class PageCanvas;
class WaybillRun;
class QLabel;
class QScrollArea;
class QTableView;
class QTimer;
class QToolButton;
class ThumbnailModel;
class ClickableLabel;
class QCheckBox;

class TQRStandardPreview : public QDialog {
    Q_OBJECT
public:
    enum class ZoomMode { FitPage, FitWidth, Percent };

    explicit TQRStandardPreview(const WaybillRun &run, QWidget *parent = nullptr);
    ~TQRStandardPreview() override;

    int pageNumber() const { return m_pageNumber; }
    int pageCount() const { return int(m_pages.size()); }
    bool allPagesProduced() const { return m_pages.size() >= m_total; }
    int zoom() const { return m_zoom; }
    // A line per page that did not print whole ("第 3 页：收件地址 未打全").
    const QStringList &warnings() const { return m_warnings; }
    ZoomMode zoomMode() const { return m_mode; }
    const ComposedPage &page(int index) const { return m_pages[index]; }
    QPrinter &printer() { return *m_printer; }

    // Composes every remaining page now.
    void produceAllPages();
    // Going to page n (1-based); out-of-range numbers are ignored by the view.
    void goToPage(int n);
    // Zooms; a percentage outside 2..2000 is ignored.
    void setZoom(ZoomMode mode, int percent = 100);
    // A progress report of p percent from the print run.
    void reportProgress(int percent);

    void RzBitBtn8Click(); // printer setup
    void RzBitBtn9Click(); // print
    // Told after each print that sent pages (the print window's status line).
    void setPrintedHandler(std::function<void(const PrintedRun &)> handler) { m_printed = std::move(handler); }
    // 显示底图: the form picture under the page, on screen only; the choice
    // holds for every later preview, after a restart too (user settings).
    void showPicture(bool shown);
    bool picturesShown() const;
    // Every page warning in a window of its own, to read and copy.
    void showWarnings();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void buildToolBar();
    void produceSome();
    void addPage(ComposedPage page);
    void pagesChanged();
    void placePage();
    bool handleKey(QKeyEvent *event);
    void layoutThumbnails();

    const WaybillRun &m_run;
    std::function<void(const PrintedRun &)> m_printed;
    int m_total = 0;
    QList<ComposedPage> m_pages;
    std::unique_ptr<QPrinter> m_printer;
    int m_pageNumber = 1;
    int m_zoom = 100;
    ZoomMode m_mode = ZoomMode::FitPage;
    int m_lastProgress = 0;
    bool m_thumbnailGuard = false;
    bool m_shown = false;

    QList<QToolButton *> m_buttons; // RzBitBtn1..10
    QScrollArea *m_scroll = nullptr;
    PageCanvas *m_canvas = nullptr;
    QTableView *m_thumbnails = nullptr;
    ThumbnailModel *m_thumbnailModel = nullptr;
    QLabel *m_progressPanel = nullptr;
    QLabel *m_pagePanel = nullptr;
    QLabel *m_titlePanel = nullptr;
    ClickableLabel *m_warningPanel = nullptr;
    QLabel *m_printedPanel = nullptr;
    QCheckBox *m_pictureButton = nullptr;
    QStringList m_warnings;
    QTimer *m_producer = nullptr;
};

// Runs a print run's waybills through the preview, modally, over parent.
void runPreview(const WaybillRun &run, QWidget *parent, std::function<void(const PrintedRun &)> printed = {});

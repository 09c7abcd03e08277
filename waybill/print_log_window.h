#pragma once
// The print record window (打印记录): every waybill printed, filtered by
// date, form and a text in the name, phone or number (in SQL, a page read
// at a time, see print_log_model.h); the selected
// entries are printed again as they were (their texts, their form, the
// calibration saved now), get their waybill numbers corrected, or go into
// the tracking list a shop uploads for 批量发货.

#include "store/print_log.h"

#include <QDialog>
#include <memory>

class Connection;
class PrintLogModel;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QTableView;

class PrintLogWindow : public QDialog {
    Q_OBJECT
public:
    explicit PrintLogWindow(QWidget *parent = nullptr);
    ~PrintLogWindow() override;

    // The filter as the window's fields set it.
    PrintLogFilter filter() const;
    void setFilter(const PrintLogFilter &filter);
    // Reads the forms the record holds again and shows what the filter selects.
    void refresh();
    // Shows what the filter selects: its count and first page (the next
    // pages are read as the table scrolls to them).
    void showFiltered();
    // How many entries a page holds (shown again with it).
    void setPageSize(int entries);
    // The entries read into the table so far, in order, and those selected.
    const QList<PrintLogEntry> &shown() const;
    // How many entries the filter selects.
    qint64 listed() const;
    QList<PrintLogEntry> selected() const;
    // Selects rows, reading the pages up to them first.
    void selectRows(const QList<int> &rows);

    // 重打: the selected entries again, through the printer setup.
    void reprintSelected();
    // 改运单号: the number of the first selected entry; the others get the
    // numbers after it, in the order shown.
    void renumberSelected();
    // 导出运单号: every entry shown (only the selected ones when 只导出选中的
    // is ticked) as a tracking list, .xlsx or .csv as the chosen file type.
    void exportSelected();

private:
    QDateEdit *m_from = nullptr;
    QDateEdit *m_to = nullptr;
    QComboBox *m_courier = nullptr;
    QLineEdit *m_text = nullptr;
    QTableView *m_table = nullptr;
    PrintLogModel *m_model = nullptr;
    QLabel *m_count = nullptr;
    QCheckBox *m_selectedOnly = nullptr; // 只导出选中的
    QCheckBox *m_everyPrint = nullptr;   // 每次打印都导出

    // What the shown entries are, for the export's message.
    QString shownText() const;
    std::unique_ptr<Connection> m_connection; // the pages are read through it
    int m_pageSize;
};

// Shows the print record window modally over parent.
void openPrintLog(QWidget *parent);

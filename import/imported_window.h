#pragma once
// The imported recipients window TDrForm "Excel导入": lists, searches and
// reloads the table excel over a connection of its own, hosts the import
// panel, and opens the 22 imported-data print windows from its menus. Its
// list's current row is the recipient an imported-data single print prints.

#include "store/connection.h"
#include "store/dataset.h"

#include <QMainWindow>
#include <functional>
#include <vector>

class DraggablePanel;
class ImportedRowEditor;
class QLabel;
class QLineEdit;
class QMenu;
class RecordGrid;

class ImportedWindow : public QMainWindow {
    Q_OBJECT
public:
    // writeShipDate writes the main window's date edits into the Sender
    // record; windowByClass finds a print window (nullptr when absent).
    ImportedWindow(std::function<void()> writeShipDate, std::function<QWidget *(const QString &)> windowByClass,
                   QWidget *parent = nullptr);
    ~ImportedWindow() override;

    Dataset &list() { return m_list; }
    Connection &connection() { return m_connection; }
    DraggablePanel *importPanel() const { return m_panel; }
    RecordGrid *grid() const { return m_grid; }
    ImportedRowEditor *rowEditor() const { return m_rowEditor; }

    void FormCreate();        // opens the list on "select * from excel"; throws DbError
    void Button2Click();      // search
    void Button3Click();      // refresh
    void Button1Click();      // import the workbook named in Edit1
    void SpeedButton1Click(); // choose the workbook
    void N1Click();           // 选择路径: show the import panel with an empty path
    void Image1Click();       // hide the import panel
    void editRow();           // 修改记录 (also a double-click): the current row in the editor
    void printCommand(const QString &windowClass);
    // A workbook named when the program was started (waybill 名单.xlsx, or
    // opened from the file manager): its path in the import panel, shown.
    void offerWorkbook(const QString &path);
    // Marks the rows the print record holds a print from the imported list
    // for (by 订单号, else by name, mobile and address), and says so in the
    // status bar; again whenever the list is read or the window activated.
    void markPrinted();
    bool rowPrinted(int row) const { return row >= 0 && row < int(m_printed.size()) && m_printed[size_t(row)]; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void buildTopBar(QWidget *client);
    void buildImportPanel(QWidget *client);
    void buildMenus();
    // 最近导入的文件: one entry per workbook imported last.
    void fillRecentWorkbooks(QMenu *menu);
    // Whether the rows an import would replace may go: asked when some of
    // them were never printed.
    bool replaceConfirmed();

    std::function<void()> m_writeShipDate;
    std::function<QWidget *(const QString &)> m_windowByClass;
    Connection m_connection;
    Dataset m_list; // ADOQuery1
    RecordGrid *m_grid = nullptr;
    DraggablePanel *m_panel = nullptr;
    ImportedRowEditor *m_rowEditor = nullptr;
    QLineEdit *m_nameSearch = nullptr;   // Edit2
    QLineEdit *m_mobileSearch = nullptr; // Edit3
    QLineEdit *m_path = nullptr;         // Edit1
    bool m_placed = false;
    std::vector<bool> m_printed; // per row of m_list
    QLabel *m_printedLabel = nullptr;
};

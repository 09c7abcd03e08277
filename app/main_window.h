#pragma once
// The main window TForm1: the recipient list with its toolbar and editor
// panel, the sender panel, both menus, the print command and the status
// bar (clock, help, the data file in use). It owns the main data (connection, Sender record, recipient
// list) that the single-print windows of the main data read.

#include "app/main_data.h"

#include <QMainWindow>

class ElidedLabel;
class QAction;
class QLabel;
class QMenu;
class QTimer;
class RecipientView;
class SenderPanel;
class WindowRegistry;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 1017;
    static constexpr int kClientHeight = 631;

    explicit MainWindow(WindowRegistry &windows, QWidget *parent = nullptr);
    ~MainWindow() override;

    // The creation step: today's date into the date edits, the reopen
    // procedure, the sender panel filled. Throws DbError when the database
    // cannot be opened.
    void initialise(const QDate &today);

    MainData &data() { return m_data; }
    SenderPanel *senderPanel() const { return m_senderPanel; }
    RecipientView *recipientView() const { return m_recipients; }

    // The print command: the ship date edits into the Sender record, then
    // the window of windowClass shown modally. A failure is shown and opens
    // nothing.
    void printCommand(const QString &windowClass);
    // Writes the ship date edits into the Sender record (a new row when
    // outrxx is empty) and posts it; throws DbError.
    void writeShipDate();

    // 数据导出: the recipient list into a workbook named in the save dialog;
    // the two entries differ only in their closing message.
    void exportList(bool fromPopup);

    // Views of the client area.
    void showListView();
    void showSenderView();

    void N1Click(); // 寄件人信息
    void N2Click(); // 收件人信息
    // 数据导入: the imported recipients window, modally.
    void openImportWindow() { openWindow(QStringLiteral("TDrForm")); }
    // 快递单设计: the form designer on a blank paper.
    void designForm();
    // One clock tick: the date and time into panel 0, the home address into panel 1.
    void Timer1Timer();

    // The addresses behind the help entries.
    static QUrl homePageUrl();
    static QUrl questionsUrl();
    static QUrl supportMailUrl();

private:
    void buildMenus();
    void buildStatusBar();
    QAction *addEntry(QMenu *menu, const QString &name, const QString &caption);
    void openWindow(const QString &windowClass);

    WindowRegistry &m_windows;
    MainData m_data;
    QWidget *m_client = nullptr;
    SenderPanel *m_senderPanel = nullptr;
    RecipientView *m_recipients = nullptr;
    QMenu *m_popup = nullptr;
    QLabel *m_clockPanel = nullptr;
    QLabel *m_addressPanel = nullptr;
    ElidedLabel *m_storePanel = nullptr; // the data file, or the shared store
    QTimer *m_timer = nullptr;
};

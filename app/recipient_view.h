#pragma once
// The recipient list of the main window: the toolbar (Panel3), the grid
// (DBGridEh1) over ADOQuery2 and the floating editor panel (Panel2), with
// add, modify, delete, delete all, search and refresh.

#include "ui/widgets.h"

#include <QObject>

class MainData;
class QFrame;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QWidget;
class RecordGrid;
class DraggablePanel;

class RecipientView : public QObject {
    Q_OBJECT
public:
    // Builds the toolbar, grid and editor panel inside client.
    RecipientView(MainData &data, QWidget *client);

    QFrame *toolbar() const { return m_toolbar; }
    RecordGrid *grid() const { return m_grid; }
    DraggablePanel *editor() const { return m_editor; }

    // Lays the toolbar and grid over the client area.
    void layout(int width, int height);

    void Button6Click();  // open the editor for add
    void Button7Click();  // open the editor for modify (also a double-click)
    void Button8Click();  // delete the current recipient
    void Button9Click();  // search
    void Button10Click(); // refresh
    void Button3Click();  // add
    void Button5Click();  // modify
    void Button4Click();  // close the editor (also its close picture)
    void fillFromPaste(); // 识别: the pasted text's fields into the edits
    void deleteAll();     // 全部删除 of the context menu
    // Empties Edit8 to Edit14 (the seven edits of the editor chain).
    void clearChainEdits();
    // The name search box with the focus, its text selected (Ctrl+F).
    void focusSearch();

private:
    void buildToolbar(QWidget *client);
    void buildEditor(QWidget *client);

    MainData &m_data;
    QFrame *m_toolbar = nullptr;
    RecordGrid *m_grid = nullptr;
    DraggablePanel *m_editor = nullptr;
    QLineEdit *m_nameSearch = nullptr;     // Edit15
    QLineEdit *m_mobileSearch = nullptr;   // Edit25
    QPushButton *m_addButton = nullptr;    // Button3
    QPushButton *m_modifyButton = nullptr; // Button5
    QList<BoundEdit> m_fields;             // the ten edits in field-table order
    QList<QLineEdit *> m_chain;            // Edit8 .. Edit14
    QPlainTextEdit *m_paste = nullptr;     // 粘贴识别
    qint64 m_filledRowid = -1;             // the record the panel was filled from for modify
};

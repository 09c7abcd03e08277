#pragma once
// The sender panel (Panel1): the office's own details and the ship date.
// Its edits are the main window's only copy of the sender details; they are
// filled once at start and saved by 保 存 (all eleven columns).

#include "ui/widgets.h"

#include <QFrame>

class MainData;
class QLineEdit;
class QPushButton;

class SenderPanel : public QFrame {
    Q_OBJECT
public:
    SenderPanel(MainData &data, QWidget *parent);

    // Today's date into the three date edits, without leading zeros.
    void fillDate(const QDate &today);
    // The sender edits from the Sender record (empty when outrxx is empty);
    // the stored date is not read.
    void fillFromSender();

    QString year() const;
    QString month() const;
    QString day() const;

    // 保 存: reopen, check the required fields, write, confirm, back to the list.
    void Button1Click();
    // 关 闭: back to the list, nothing written.
    void Button2Click();

Q_SIGNALS:
    // The panel asks to go back to the list view.
    void closeRequested();

private:
    MainData &m_data;
    QList<BoundEdit> m_fields; // the eleven columns in the order they are written
    QLineEdit *m_year = nullptr;
    QLineEdit *m_month = nullptr;
    QLineEdit *m_day = nullptr;
};

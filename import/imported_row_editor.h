#pragma once
// 修改记录 of the imported recipients window: the ten fields of one row of
// the table excel, placed as the main window's recipient editor places
// them, so that a row imported with a masked or missing mobile number
// (138****5678) can be completed before it is printed. 保存 writes the
// fields the user changed into the row the editor was filled from.

#include "ui/widgets.h"

#include <QDialog>

class Dataset;

class ImportedRowEditor : public QDialog {
    Q_OBJECT
public:
    ImportedRowEditor(Dataset &list, QWidget *parent);

    // Fills the fields from the list's current row, which the editor then
    // writes to; false (nothing filled) when the list has no current row.
    bool load();
    // Writes the changed fields into the row and hides the editor; a row
    // that is gone or changed elsewhere is told and nothing is written.
    // Throws DbError (the editor stays open with the texts typed).
    void save();

    QLineEdit *edit(const QString &column) const;

private:
    void showMobileNote();

    Dataset &m_list;
    QList<BoundEdit> m_fields;
    QLabel *m_mobileNote = nullptr;
    qint64 m_rowid = -1;
};

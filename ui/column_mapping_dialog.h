#pragma once
// The column-mapping step of an import whose headings the program did not
// recognise: each column of the recipient list beside a choice of the
// workbook's headings (or none), the guesses filled in. 导入 is enabled
// while every required column has a heading.

#include <QDialog>
#include <QHash>
#include <QStringList>

class QComboBox;
class QPushButton;

class ColumnMappingDialog : public QDialog {
    Q_OBJECT
public:
    ColumnMappingDialog(const QStringList &columns, const QStringList &required, const QStringList &headings,
                        const QHash<QString, QString> &guesses, QWidget *parent = nullptr);

    // Column -> chosen heading; an empty heading: the column stays empty.
    QHash<QString, QString> mapping() const;
    // The choice of a column (objectName "Map_" + column), for tests.
    QComboBox *choiceOf(const QString &column) const;
    QPushButton *importButton() const { return m_import; }

private:
    void updateButton();

    QStringList m_columns;
    QStringList m_required;
    QList<QComboBox *> m_choices;
    QPushButton *m_import = nullptr;
};

#include "import/imported_row_editor.h"

#include "store/dataset.h"
#include "store/db_error.h"
#include "store/schema.h"
#include "ui/dialogs.h"
#include "ui/error_boundary.h"
#include "ui/recipient_fields.h"
#include "waybill/page_composer.h"

#include <QPushButton>

using namespace schema;

ImportedRowEditor::ImportedRowEditor(Dataset &list, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowCloseButtonHint), m_list(list)
{
    setObjectName(QStringLiteral("ImportedRowEditor"));
    setWindowTitle(QStringLiteral(u"修改记录"));
    setFont(songFont(14));
    setFixedSize(665, 210);
    m_fields = buildFields(this, recipientEditorFields(20), 1);
    m_mobileNote = makeLabel(this, QStringLiteral("MobileNote"), QString(), 104, 150, 12, Qt::red);
    m_mobileNote->setFixedWidth(521);
    QLineEdit *mobile = edit(col::kMobile);
    connect(mobile, &QLineEdit::textChanged, this, [this] { showMobileNote(); });

    QPushButton *save = makeButton(this, QStringLiteral("SaveButton"), QStringLiteral(u"保 存"), 216, 172);
    QPushButton *cancel = makeButton(this, QStringLiteral("CancelButton"), QStringLiteral(u"取 消"), 368, 172);
    save->setDefault(true);
    connect(save, &QPushButton::clicked, this, [this] { guarded(this, [this] { this->save(); }); });
    connect(cancel, &QPushButton::clicked, this, &QWidget::hide);
    QList<QLineEdit *> chain;
    for (const BoundEdit &field : m_fields)
        chain << field.edit;
    chainEnterKey(chain, save);
}

QLineEdit *ImportedRowEditor::edit(const QString &column) const
{
    for (const BoundEdit &field : m_fields)
        if (field.column == column)
            return field.edit;
    return nullptr;
}

bool ImportedRowEditor::load()
{
    if (!m_list.isOpen() || !m_list.hasCurrent())
        return false;
    m_rowid = m_list.rowidAt(m_list.currentRow());
    // setText clears each edit's changed mark.
    for (const BoundEdit &field : m_fields)
        field.edit->setText(m_list.value(field.column));
    showMobileNote();
    m_fields.first().edit->setFocus();
    return true;
}

void ImportedRowEditor::showMobileNote()
{
    const QString problem = mobileProblem(edit(col::kMobile)->text());
    m_mobileNote->setText(problem.isEmpty()
                              ? QString()
                              : QStringLiteral(u"手机号码%1：快递单上会用红框标出，请补全后再打印").arg(problem));
}

void ImportedRowEditor::save()
{
    const int row = m_list.isOpen() ? m_list.rowOfRowid(m_rowid) : -1;
    if (row < 0) {
        dialogs().notice(this, QStringLiteral(u"正在修改的记录已不在列表中（可能已重新导入），修改未保存。"));
        return;
    }
    m_list.moveTo(row);
    m_list.edit();
    try {
        for (const BoundEdit &field : m_fields)
            if (field.edit->isModified())
                m_list.setValue(field.column, field.edit->text());
        m_list.post();
    } catch (const DbError &) {
        m_list.cancel(); // the texts stay in the editor for another try
        throw;
    }
    hide();
}

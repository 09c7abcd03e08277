#include "ui/column_mapping_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString kNone = QStringLiteral(u"（空着）");

} // namespace

ColumnMappingDialog::ColumnMappingDialog(const QStringList &columns, const QStringList &required,
                                         const QStringList &headings, const QHash<QString, QString> &guesses,
                                         QWidget *parent)
    : QDialog(parent), m_columns(columns), m_required(required)
{
    setObjectName(QStringLiteral("ColumnMapping"));
    setWindowTitle(QStringLiteral(u"选择各列对应的标题"));
    auto *layout = new QVBoxLayout(this);
    auto *text = new QLabel(QStringLiteral(u"工作簿的标题和收件人名单的列对不上。请为每一列选出工作簿中对应的标题"
                                           u"（%1 必须选）。这次的选择会被记住，标题相同的工作簿下次直接导入。")
                                .arg(required.join(QStringLiteral(u"、"))));
    text->setWordWrap(true);
    layout->addWidget(text);
    auto *form = new QFormLayout;
    QStringList offered;
    for (const QString &heading : headings)
        if (!heading.isEmpty() && !offered.contains(heading))
            offered << heading;
    for (const QString &column : columns) {
        auto *choice = new QComboBox;
        choice->setObjectName(QStringLiteral("Map_") + column);
        choice->addItem(kNone, QString());
        for (const QString &heading : offered)
            choice->addItem(heading, heading);
        const int guessed = choice->findData(guesses.value(column));
        choice->setCurrentIndex(std::max(0, guessed));
        connect(choice, &QComboBox::currentIndexChanged, this, [this] { updateButton(); });
        m_choices << choice;
        form->addRow(required.contains(column) ? column + QStringLiteral(u"（必选）") : column, choice);
    }
    layout->addLayout(form);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Cancel);
    m_import = buttons->addButton(QStringLiteral(u"导入"), QDialogButtonBox::AcceptRole);
    m_import->setObjectName(QStringLiteral("MapImport"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral(u"取消"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    updateButton();
}

QHash<QString, QString> ColumnMappingDialog::mapping() const
{
    QHash<QString, QString> chosen;
    for (int i = 0; i < m_columns.size(); ++i)
        chosen.insert(m_columns[i], m_choices[i]->currentData().toString());
    return chosen;
}

QComboBox *ColumnMappingDialog::choiceOf(const QString &column) const
{
    const qsizetype at = m_columns.indexOf(column);
    return at < 0 ? nullptr : m_choices[at];
}

void ColumnMappingDialog::updateButton()
{
    bool complete = true;
    for (const QString &column : m_required)
        complete = complete && !choiceOf(column)->currentData().toString().isEmpty();
    m_import->setEnabled(complete);
}

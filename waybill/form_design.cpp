#include "waybill/form_design.h"

#include "common/error.h"

#include <cmath>

FormDesign::FormDesign(UserForm form) : m_form(std::move(form))
{
    markSaved();
}

void FormDesign::select(int index)
{
    m_selected = index >= 0 && index < m_form.items.size() ? index : -1;
}

void FormDesign::keepStep(const QString &mergeKey)
{
    if (!mergeKey.isEmpty() && mergeKey == m_lastMergeKey && !m_undo.isEmpty())
        return;
    m_undo.append({m_form, m_selected});
    if (m_undo.size() > kUndoSteps)
        m_undo.removeFirst();
    m_redo.clear();
    m_lastMergeKey = mergeKey;
}

void FormDesign::fixSelection()
{
    if (m_selected >= m_form.items.size())
        m_selected = -1;
}

void FormDesign::change(const std::function<void(UserForm &)> &edit, const QString &mergeKey)
{
    keepStep(mergeKey);
    edit(m_form);
    fixSelection();
}

void FormDesign::replace(const UserForm &form)
{
    change([&](UserForm &current) { current = form; });
    m_selected = -1;
}

int FormDesign::addItem(const UserFormItem &item)
{
    change([&](UserForm &form) { form.items.append(item); });
    m_selected = int(m_form.items.size()) - 1;
    return m_selected;
}

void FormDesign::removeSelected()
{
    if (m_selected < 0)
        return;
    const int index = m_selected;
    change([index](UserForm &form) { form.items.removeAt(index); });
    m_selected = -1;
}

void FormDesign::nudge(double dxMm, double dyMm)
{
    if (m_selected < 0)
        return;
    const QRectF rect = m_form.items[m_selected].mm;
    setItemRect(m_selected, rect.translated(dxMm, dyMm));
}

void FormDesign::setItemRect(int index, const QRectF &mm, const QString &mergeKey)
{
    if (index < 0 || index >= m_form.items.size())
        return;
    const QRectF fixed(rounded(mm.left()), rounded(mm.top()), std::max(kMinItemMm, rounded(mm.width())),
                       std::max(kMinItemMm, rounded(mm.height())));
    change([&](UserForm &form) { form.items[index].mm = fixed; }, mergeKey);
}

void FormDesign::stepBetween(QList<Step> &from, QList<Step> &to)
{
    if (from.isEmpty())
        return;
    to.append({m_form, m_selected});
    const Step step = from.takeLast();
    m_form = step.form;
    m_selected = step.selected;
    m_lastMergeKey.clear();
    fixSelection();
}

void FormDesign::undo()
{
    stepBetween(m_undo, m_redo);
}

void FormDesign::redo()
{
    stepBetween(m_redo, m_undo);
}

bool FormDesign::modified() const
{
    return userFormJson(m_form) != m_saved;
}

void FormDesign::markSaved()
{
    m_saved = userFormJson(m_form);
}

double FormDesign::rounded(double mm, bool snapping)
{
    const double step = snapping ? kGridMm : kFineMm;
    // Rounded on the tenths, so that 12.3 stays 12.3 and not 12.299999.
    return std::round(std::round(mm / step) * step * 10.0) / 10.0;
}

UserForm blankUserForm(const QSizeF &paperMm)
{
    UserForm form;
    form.paperMm = paperMm;
    return form;
}

const QList<QSizeF> &commonPaperSizes()
{
    static const QList<QSizeF> sizes{{230, 127}, {216, 140}, {241, 140}, {100, 150}, {100, 180}};
    return sizes;
}

QString newFormCode(const QStringList &taken)
{
    for (int n = 1;; ++n) {
        const QString code = QStringLiteral("form%1").arg(n);
        if (!taken.contains(code))
            return code;
    }
}

void checkFormForSaving(const UserForm &form)
{
    const QString name = form.name.trimmed();
    if (name.isEmpty())
        throw AppError(QStringLiteral(u"请填写快递单名称（例如“德邦快递单”），未保存。"));
    for (const Courier &courier : couriersInMenuOrder())
        if (name == courier.captionTail || name == courier.menuCaption)
            throw AppError(QStringLiteral(u"“%1”是内置快递单的名称，请换一个名称，未保存。").arg(name));
    if (form.items.isEmpty())
        throw AppError(QStringLiteral(u"快递单上还没有字段：请先“添加字段”，未保存。"));
    readUserForm(name, userFormJson(form)); // every value within the bounds a form file has
}

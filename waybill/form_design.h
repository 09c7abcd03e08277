#pragma once
// The form being drawn in the designer, without widgets: the form, the
// selected item, and the steps to undo and redo. Every change goes through
// change(), which keeps the state before it as one undo step; changes that
// carry the same merge key one after another (the moves of one drag, the
// steps of one spin box) make a single step.

#include "waybill/user_form.h"

#include <QList>
#include <functional>

class FormDesign {
public:
    static constexpr double kGridMm = 1.0;    // what snapping rounds to
    static constexpr double kFineMm = 0.1;    // what every position is rounded to
    static constexpr double kMinItemMm = 1.0; // the smallest width and height of a field
    static constexpr qsizetype kUndoSteps = 500;

    explicit FormDesign(UserForm form = {});

    const UserForm &form() const { return m_form; }
    // The selected item's index; -1 when none is.
    int selected() const { return m_selected; }
    void select(int index);

    // Applies a change to the form as one undo step (see above). The
    // selection is kept when it still names an item.
    void change(const std::function<void(UserForm &)> &edit, const QString &mergeKey = {});
    // Starts again from another form (a blank paper, a copy): one undo step.
    void replace(const UserForm &form);
    // Adds a field and selects it; returns its index.
    int addItem(const UserFormItem &item);
    void removeSelected();
    // Moves the selected field by a distance (millimetres, rounded to 0.1).
    void nudge(double dxMm, double dyMm);
    // Puts an item at a rectangle (millimetres), rounded to 0.1 mm and at
    // least kMinItemMm wide and high.
    void setItemRect(int index, const QRectF &mm, const QString &mergeKey = {});

    bool canUndo() const { return !m_undo.isEmpty(); }
    bool canRedo() const { return !m_redo.isEmpty(); }
    void undo();
    void redo();

    // Whether the form differs from what was saved (or started from).
    bool modified() const;
    void markSaved();

    // A length rounded to 0.1 mm, or to the grid when snapping.
    static double rounded(double mm, bool snapping = false);

private:
    struct Step {
        UserForm form;
        int selected = -1;
    };
    void keepStep(const QString &mergeKey);
    // Takes the last step of from back, keeping the state now in to.
    void stepBetween(QList<Step> &from, QList<Step> &to);
    void fixSelection();

    UserForm m_form;
    int m_selected = -1;
    QList<Step> m_undo;
    QList<Step> m_redo;
    QString m_lastMergeKey;
    QByteArray m_saved; // the form file's text when last saved
};

// A new form: a blank paper of the size, no picture, no fields.
UserForm blankUserForm(const QSizeF &paperMm);
// The common sizes of courier forms, millimetres (width x height).
const QList<QSizeF> &commonPaperSizes();
// A code for a new form that none of taken has: form1, form2, ...
QString newFormCode(const QStringList &taken);
// Throws AppError unless the form can be saved under its name: the name is
// not empty and is not a built-in form's, and the form reads back as a
// form file (every value within its bounds).
void checkFormForSaving(const UserForm &form);

#include "app/recipient_view.h"

#include "app/main_data.h"
#include "import/paste_parser.h"
#include "store/schema.h"
#include "store/search.h"
#include "store/statements.h"
#include "ui/dialogs.h"
#include "ui/error_boundary.h"
#include "ui/recipient_fields.h"
#include "ui/record_grid.h"
#include "ui/widgets.h"
#include "ui/window_keys.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <algorithm>
#include <iterator>

using namespace schema;

namespace {

const QColor kRed(Qt::red);

} // namespace

RecipientView::RecipientView(MainData &data, QWidget *client) : QObject(client), m_data(data)
{
    buildToolbar(client);
    m_grid = new RecordGrid(m_data.recipients, recipientGridColumns(), client);
    m_grid->setObjectName(QStringLiteral("DBGridEh1"));
    m_grid->setToolTip(QStringLiteral(u"双击可以修改收件人信息"));
    connect(m_grid, &QAbstractItemView::doubleClicked, this, [this] { Button7Click(); });
    buildEditor(client);
}

void RecipientView::buildToolbar(QWidget *client)
{
    m_toolbar = new QFrame(client);
    m_toolbar->setObjectName(QStringLiteral("Panel3"));
    m_toolbar->setFrameStyle(QFrame::Panel | QFrame::Raised);
    makeLabel(m_toolbar, QStringLiteral("Label22"), QStringLiteral(u"收件人信息"), 10, 11, 16, kRed, true);
    const struct {
        const char *name;
        const char16_t *caption;
        int x;
        void (RecipientView::*handler)();
    } buttons[] = {
        {"Button6", u"新 增", 120, &RecipientView::Button6Click},
        {"Button7", u"修 改", 208, &RecipientView::Button7Click},
        {"Button8", u"删 除", 296, &RecipientView::Button8Click},
        {"Button10", u"刷 新", 384, &RecipientView::Button10Click},
        {"Button9", u"查 询", 872, &RecipientView::Button9Click},
    };
    for (const auto &entry : buttons) {
        QPushButton *button =
            makeButton(m_toolbar, QString::fromLatin1(entry.name), QString::fromUtf16(entry.caption), entry.x, 8);
        connect(button, &QPushButton::clicked, this, [this, handler = entry.handler] { (this->*handler)(); });
    }
    makeLabel(m_toolbar, QStringLiteral("Label23"), QStringLiteral(u"姓  名"), 496, 12, 12);
    m_nameSearch = makeEdit(m_toolbar, QStringLiteral("Edit15"), 544, 10, 89);
    makeLabel(m_toolbar, QStringLiteral("Label37"), QStringLiteral(u"手机号码"), 648, 12, 12);
    m_mobileSearch = makeEdit(m_toolbar, QStringLiteral("Edit25"), 712, 10, 121);
    pressOnEnter({m_nameSearch, m_mobileSearch}, m_toolbar->findChild<QPushButton *>(QStringLiteral("Button9")));
}

void RecipientView::buildEditor(QWidget *client)
{
    // The paste box is three lines high, so that a pasted address block
    // shows whole; the fields sit below it as far apart as they always were,
    // and the panel starts higher by as much, so that they stay where they
    // were in the window.
    constexpr int kPasteHeight = 72;
    constexpr int kFieldsTop = 8 + kPasteHeight + 8;
    constexpr int kBelowPaste = kFieldsTop - 40;
    m_editor =
        placed(new DraggablePanel(client), QStringLiteral("Panel2"), 168, 184 - kBelowPaste, 665, 233 + kBelowPaste);
    m_editor->hide();

    m_fields = buildFields(m_editor, recipientEditorFields(kFieldsTop), 24);
    for (const char *name : {"Edit8", "Edit9", "Edit10", "Edit11", "Edit12", "Edit13", "Edit14"})
        m_chain << editNamed(m_fields, QString::fromLatin1(name));
    chainEnterKey(m_chain);

    const int buttonsTop = 184 + kBelowPaste;
    m_addButton = makeButton(m_editor, QStringLiteral("Button3"), QStringLiteral(u"新 增"), 216, buttonsTop);
    m_modifyButton = makeButton(m_editor, QStringLiteral("Button5"), QStringLiteral(u"修 改"), 216, buttonsTop);
    QPushButton *close = makeButton(m_editor, QStringLiteral("Button4"), QStringLiteral(u"关 闭"), 368, buttonsTop);
    m_modifyButton->hide();
    connect(m_addButton, &QPushButton::clicked, this, [this] { Button3Click(); });
    connect(m_modifyButton, &QPushButton::clicked, this, [this] { Button5Click(); });
    connect(close, &QPushButton::clicked, this, [this] { Button4Click(); });

    // 粘贴识别: a recipient pasted from a chat or an order fills the edits.
    makeLabel(m_editor, QStringLiteral("PasteLabel"), QStringLiteral(u"粘贴识别"), 40, 11, 14);
    m_paste = placed(new QPlainTextEdit(m_editor), QStringLiteral("PasteEdit"), 104, 8, 433, kPasteHeight);
    m_paste->setFont(songFont(14));
    m_paste->setPlaceholderText(QStringLiteral(u"把收件人的姓名、电话、地址粘贴到这里，点“识别”"));
    m_paste->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_paste->setTabChangesFocus(true);
    connect(makeButton(m_editor, QStringLiteral("PasteButton"), QStringLiteral(u"识 别"), 550, 8),
            &QPushButton::clicked, this, [this] { fillFromPaste(); });

    auto *picture = placed(new ClickableLabel(m_editor), QStringLiteral("Image1"), 640, 8, 16, 16);
    picture->setPixmap(closePicture());
    picture->setToolTip(QStringLiteral(u"关闭"));
    picture->setCursor(Qt::PointingHandCursor);
    connect(picture, &ClickableLabel::clicked, this, [this] { Button4Click(); });

    // Tab walks the panel as it reads: the paste box, then the fields row
    // by row, then the buttons; Esc closes it as its close button does.
    QList<QWidget *> order{m_paste, m_editor->findChild<QPushButton *>(QStringLiteral("PasteButton"))};
    for (const BoundEdit &field : m_fields)
        order << field.edit;
    order << m_addButton << m_modifyButton << close;
    for (qsizetype i = 0; i + 1 < order.size(); ++i)
        QWidget::setTabOrder(order[i], order[i + 1]);
    addKeys(
        m_editor, QStringLiteral("CloseEditorKey"), {QKeySequence(Qt::Key_Escape)}, [this] { Button4Click(); },
        Qt::WidgetWithChildrenShortcut);
}

void RecipientView::fillFromPaste()
{
    const PastedRecipient pasted = parsePastedRecipient(m_paste->toPlainText());
    const QList<QPair<QString, QString>> columns = pastedColumns(pasted);
    if (std::all_of(columns.cbegin(), columns.cend(), [](const auto &column) { return column.second.isEmpty(); })) {
        dialogs().notice(m_editor, QStringLiteral(u"没有识别出收件人信息：请粘贴含有姓名、手机号码或地址的文字。"));
        return;
    }
    // Adding, or pasting a recipient (a name or an address), fills every
    // field from this paste alone: what it does not name is emptied, so
    // nothing of an earlier recipient stays. Modifying, a paste of a number
    // alone (the row's new mobile) changes only that field. Filled or
    // emptied, the edit counts as the user's change (a modify writes it).
    const bool adding = m_addButton->isVisibleTo(m_editor);
    const bool wholeRecipient = adding || !pasted.name.isEmpty() || !pasted.address.isEmpty();
    for (const auto &[column, text] : columns)
        for (const BoundEdit &bound : m_fields)
            if (bound.column == column && (wholeRecipient || !text.isEmpty())) {
                bound.edit->setText(text);
                bound.edit->setModified(true);
            }
}

void RecipientView::layout(int width, int height)
{
    m_toolbar->setGeometry(0, 0, width, 38);
    m_grid->setGeometry(0, 38, width, height - 38);
}

void RecipientView::clearChainEdits()
{
    // setText, unlike clear(), leaves the changed mark unset: an edit the
    // program emptied is not an edit the user changed.
    for (QLineEdit *edit : m_chain)
        edit->setText(QString());
}

void RecipientView::focusSearch()
{
    m_nameSearch->setFocus(Qt::ShortcutFocusReason);
    m_nameSearch->selectAll();
}

void RecipientView::Button6Click()
{
    m_editor->show();
    m_editor->raise();
    m_addButton->show();
    m_modifyButton->hide();
    m_paste->clear();
    for (const BoundEdit &field : m_fields)
        if (field.column != col::kDestination)
            field.edit->setText(QString());
    // A new recipient starts at the top of the panel: pasted, or typed from 单位名称 on.
    m_paste->setFocus(Qt::OtherFocusReason);
}

void RecipientView::Button7Click()
{
    m_addButton->hide();
    m_modifyButton->show();
    m_editor->show();
    m_editor->raise();
    m_paste->clear();
    // setText clears each edit's changed mark.
    for (const BoundEdit &field : m_fields)
        field.edit->setText(m_data.recipients.value(field.column));
    m_filledRowid = m_data.recipients.rowidAt(m_data.recipients.currentRow());
    m_fields.first().edit->setFocus(Qt::OtherFocusReason);
}

void RecipientView::Button3Click()
{
    guarded(m_editor, [this] {
        const QString missing = firstMissing(m_fields,
                                             {{col::kRecipientName, QStringLiteral(u"收件人姓名不能为空！")},
                                              {col::kRecipientAddress, QStringLiteral(u"收件地址不能为空！")},
                                              {col::kMobile, QStringLiteral(u"手机号码不能为空！")}});
        if (!missing.isEmpty()) {
            dialogs().notice(m_editor, missing);
            return;
        }
        // The same name and mobile number already listed: added only when the user says so.
        const QString name = textOf(m_fields, col::kRecipientName);
        const QString mobile = textOf(m_fields, col::kMobile);
        if (isListed(m_data.connection, name, mobile)
            && !dialogs().confirm(
                m_editor, QStringLiteral(u"名单中已有收件人“%1”（手机号码 %2），是否仍要新增？").arg(name, mobile),
                false))
            return;
        Dataset &list = m_data.recipients;
        list.append();
        for (const BoundEdit &field : m_fields)
            list.setValue(field.column, field.edit->text());
        list.post();
        clearChainEdits();
        m_paste->clear(); // the next recipient starts from a paste of its own
        dialogs().notice(m_editor, QStringLiteral(u"新增记录成功！"));
        m_paste->setFocus(Qt::OtherFocusReason);
    });
}

void RecipientView::Button5Click()
{
    guarded(m_editor, [this] {
        Dataset &list = m_data.recipients;
        if (list.isEmpty()) {
            dialogs().notice(m_editor, QStringLiteral(u"当前修改信息为空！"));
            return;
        }
        // The changes belong to the record the panel was filled from, even
        // when another row has been selected in the list meanwhile.
        const int row = list.rowOfRowid(m_filledRowid);
        if (row < 0) {
            dialogs().notice(m_editor, QStringLiteral(u"正在修改的收件人已不在列表中（可能已被删除），修改未保存。"));
            return;
        }
        list.moveTo(row);
        list.edit();
        for (const BoundEdit &field : m_fields)
            if (field.edit->isModified())
                list.setValue(field.column, field.edit->text());
        list.post();
        m_paste->clear();
        dialogs().notice(m_editor, QStringLiteral(u"修改记录成功！"));
        m_editor->hide();
    });
}

void RecipientView::Button4Click()
{
    m_editor->hide();
}

void RecipientView::Button8Click()
{
    guarded(m_grid, [this] {
        Dataset &list = m_data.recipients;
        if (list.isEmpty()) {
            dialogs().notice(m_grid, QStringLiteral(u"不能删除空信息！"));
            return;
        }
        // No is the default: Enter must not delete.
        if (dialogs().confirm(m_grid, QStringLiteral(u"确定要删除选中的记录？"), false))
            list.deleteCurrent();
    });
}

void RecipientView::deleteAll()
{
    guarded(m_grid, [this] {
        if (!dialogs().confirm(m_grid, QStringLiteral(u"确定要删除全部记录？"), false))
            return;
        m_data.recipients.deleteAll();
    });
}

void RecipientView::Button9Click()
{
    guarded(m_grid, [this] {
        searchRecipients(m_data.recipients, kRecipientTable, m_nameSearch->text(), m_mobileSearch->text());
    });
}

void RecipientView::Button10Click()
{
    m_nameSearch->clear();
    guarded(m_grid, [this] { m_data.reopen(); });
}

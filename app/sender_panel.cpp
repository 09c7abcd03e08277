#include "app/sender_panel.h"

#include "app/main_data.h"
#include "store/schema.h"
#include "ui/dialogs.h"
#include "ui/error_boundary.h"
#include "ui/widgets.h"

#include <QDate>
#include <QPushButton>

using namespace schema;

namespace {

const QColor kRed(Qt::red);

} // namespace

SenderPanel::SenderPanel(MainData &data, QWidget *parent) : QFrame(parent), m_data(data)
{
    setObjectName(QStringLiteral("Panel1"));
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setAutoFillBackground(true);

    makeLabel(this, QStringLiteral("Label1"), QStringLiteral(u"寄件人信息"), 10, 10, 16, kRed, true);

    // The labels stand at x = 112; the origin sits beside the name.
    const QList<BoundEdit> edits = buildFields(this,
                                               {{u"单位名称", "Edit1", 192, 80, 329, col::kCompany, false, 112},
                                                {u"寄件人姓名", "Edit2", 192, 120, 110, col::kSenderName, true, 112},
                                                {u"始发地", "Edit16", 408, 120, 113, col::kOrigin, false, 352, 15},
                                                {u"寄件地址", "Edit3", 192, 160, 600, col::kSenderAddress, true, 112},
                                                {u"邮政编码", "Edit4", 192, 200, 130, col::kPostcode, false, 112},
                                                {u"联系电话", "Edit5", 192, 240, 200, col::kPhone, false, 112},
                                                {u"手机号码", "Edit6", 192, 280, 200, col::kMobile, true, 112},
                                                {u"签    名", "Edit7", 192, 320, 110, col::kSignature, false, 112}},
                                               2);
    int labelNumber = 20;
    makeLabel(this, QStringLiteral("Label%1").arg(labelNumber++), QStringLiteral(u"寄件日期"), 112, 363, 15);
    m_year = makeEdit(this, QStringLiteral("Edit18"), 192, 360, 57);
    makeLabel(this, QStringLiteral("Label%1").arg(labelNumber++), QStringLiteral(u"年"), 253, 363, 15);
    m_month = makeEdit(this, QStringLiteral("Edit19"), 272, 360, 33);
    makeLabel(this, QStringLiteral("Label%1").arg(labelNumber++), QStringLiteral(u"月"), 309, 363, 15);
    m_day = makeEdit(this, QStringLiteral("Edit20"), 328, 360, 33);
    makeLabel(this, QStringLiteral("Label%1").arg(labelNumber++), QStringLiteral(u"日"), 365, 363, 15);

    auto *save = makeButton(this, QStringLiteral("Button1"), QStringLiteral(u"保 存"), 192, 416);
    auto *close = makeButton(this, QStringLiteral("Button2"), QStringLiteral(u"关 闭"), 312, 416);
    connect(save, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(close, &QPushButton::clicked, this, [this] { Button2Click(); });

    // The eleven columns in the order they are written.
    m_fields = edits;
    m_fields += {{col::kYear, m_year}, {col::kMonth, m_month}, {col::kDay, m_day}};

    // Tab order as listed; Enter walks the chain that skips origin and date.
    QWidget *previous = nullptr;
    for (const BoundEdit &field : m_fields) {
        if (previous)
            setTabOrder(previous, field.edit);
        previous = field.edit;
    }
    setTabOrder(previous, save);
    setTabOrder(save, close);
    QList<QLineEdit *> chain;
    for (const char *name : {"Edit1", "Edit2", "Edit3", "Edit4", "Edit5", "Edit6", "Edit7"})
        chain << editNamed(edits, QString::fromLatin1(name));
    chainEnterKey(chain, save);
}

void SenderPanel::fillDate(const QDate &today)
{
    m_year->setText(QString::number(today.year()));
    m_month->setText(QString::number(today.month()));
    m_day->setText(QString::number(today.day()));
}

void SenderPanel::fillFromSender()
{
    for (const BoundEdit &field : m_fields) {
        if (field.edit == m_year || field.edit == m_month || field.edit == m_day)
            continue;
        field.edit->setText(m_data.sender.value(field.column));
    }
}

QString SenderPanel::year() const
{
    return m_year->text();
}
QString SenderPanel::month() const
{
    return m_month->text();
}
QString SenderPanel::day() const
{
    return m_day->text();
}

void SenderPanel::Button1Click()
{
    guarded(this, [this] {
        m_data.reopen();
        const QString missing = firstMissing(m_fields,
                                             {{col::kSenderName, QStringLiteral(u"寄件人姓名不能为空！")},
                                              {col::kSenderAddress, QStringLiteral(u"寄件地址不能为空！")},
                                              {col::kMobile, QStringLiteral(u"手机号码不能为空！")}});
        if (!missing.isEmpty()) {
            dialogs().hint(this, missing);
            return;
        }
        m_data.sender.edit();
        for (const BoundEdit &field : m_fields)
            m_data.sender.setValue(field.column, field.edit->text());
        m_data.sender.post();
        dialogs().notice(this, QStringLiteral(u"寄件人信息保存成功！"));
        Q_EMIT closeRequested();
    });
}

void SenderPanel::Button2Click()
{
    Q_EMIT closeRequested();
}

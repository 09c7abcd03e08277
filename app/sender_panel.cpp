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

    // Label, edit and column of each field; the origin sits beside the name.
    struct Spec {
        const char16_t *label;
        const char *edit;
        int x, y, width;
        QString column;
        bool required;
    };
    const Spec specs[] = {
        {u"单位名称", "Edit1", 192, 80, 329, col::kCompany, false},
        {u"寄件人姓名", "Edit2", 192, 120, 110, col::kSenderName, true},
        {u"始发地", "Edit16", 408, 120, 113, col::kOrigin, false},
        {u"寄件地址", "Edit3", 192, 160, 600, col::kSenderAddress, true},
        {u"邮政编码", "Edit4", 192, 200, 130, col::kPostcode, false},
        {u"联系电话", "Edit5", 192, 240, 200, col::kPhone, false},
        {u"手机号码", "Edit6", 192, 280, 200, col::kMobile, true},
        {u"签    名", "Edit7", 192, 320, 110, col::kSignature, false},
    };
    QHash<QString, QLineEdit *> edits;
    int labelNumber = 2;
    for (const Spec &spec : specs) {
        const bool origin = spec.column == col::kOrigin;
        const QString name = QString::fromLatin1(spec.edit);
        QLineEdit *edit = makeEdit(this, name, spec.x, spec.y, spec.width);
        edits.insert(name, edit);
        makeLabel(this, QStringLiteral("Label%1").arg(labelNumber++), QString::fromUtf16(spec.label),
                  origin ? 352 : 112, spec.y + 3, origin ? 15 : 14);
        if (spec.required)
            makeLabel(this, QStringLiteral("Label%1").arg(labelNumber++), QStringLiteral(u"(必填)"), 112,
                      spec.y + 20, 12, kRed);
    }
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

    m_fields = {{col::kCompany, edits[QStringLiteral("Edit1")]},
                {col::kSenderName, edits[QStringLiteral("Edit2")]},
                {col::kOrigin, edits[QStringLiteral("Edit16")]},
                {col::kSenderAddress, edits[QStringLiteral("Edit3")]},
                {col::kPostcode, edits[QStringLiteral("Edit4")]},
                {col::kPhone, edits[QStringLiteral("Edit5")]},
                {col::kMobile, edits[QStringLiteral("Edit6")]},
                {col::kSignature, edits[QStringLiteral("Edit7")]},
                {col::kYear, m_year},
                {col::kMonth, m_month},
                {col::kDay, m_day}};

    // Tab order as listed; Enter walks the chain that skips origin and date.
    QWidget *previous = nullptr;
    for (const BoundEdit &field : m_fields) {
        if (previous)
            setTabOrder(previous, field.edit);
        previous = field.edit;
    }
    setTabOrder(previous, save);
    setTabOrder(save, close);
    chainEnterKey({edits[QStringLiteral("Edit1")], edits[QStringLiteral("Edit2")],
                   edits[QStringLiteral("Edit3")], edits[QStringLiteral("Edit4")],
                   edits[QStringLiteral("Edit5")], edits[QStringLiteral("Edit6")],
                   edits[QStringLiteral("Edit7")]},
                  save);
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

QString SenderPanel::year() const { return m_year->text(); }
QString SenderPanel::month() const { return m_month->text(); }
QString SenderPanel::day() const { return m_day->text(); }

void SenderPanel::Button1Click()
{
    guarded(this, [this] {
        m_data.reopen();
        const QString missing =
            firstMissing(m_fields, {{col::kSenderName, QStringLiteral(u"寄件人姓名不能为空！")},
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

#include "ui/widgets.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

QFont songFont(int pixelSize, bool bold)
{
    QFont font(QStringLiteral(u"宋体"));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

QLabel *makeLabel(QWidget *parent, const QString &name, const QString &text, int x, int y, int pixelSize,
                  const QColor &color, bool bold)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setFont(songFont(pixelSize, bold));
    if (color.isValid()) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, color);
        label->setPalette(palette);
    }
    label->adjustSize();
    label->move(x, y);
    return label;
}

QLineEdit *makeEdit(QWidget *parent, const QString &name, int x, int y, int width)
{
    auto *edit = placed(new QLineEdit(parent), name, x, y, width, 21);
    edit->setFont(songFont(14));
    return edit;
}

QPushButton *makeButton(QWidget *parent, const QString &name, const QString &caption, int x, int y)
{
    return placed(new QPushButton(caption, parent), name, x, y, 75, 25);
}

QString textOf(const QList<BoundEdit> &edits, const QString &column)
{
    for (const BoundEdit &bound : edits)
        if (bound.column == column)
            return bound.edit->text();
    return {};
}

QString firstMissing(const QList<BoundEdit> &edits, const QList<RequiredField> &required)
{
    for (const RequiredField &field : required)
        if (textOf(edits, field.column).isEmpty())
            return field.message;
    return {};
}

QList<BoundEdit> buildFields(QWidget *parent, const QList<FormField> &entries, int firstLabel)
{
    QList<BoundEdit> edits;
    int number = firstLabel;
    for (const FormField &entry : entries) {
        QLineEdit *edit = makeEdit(parent, QString::fromLatin1(entry.edit), entry.x, entry.y, entry.width);
        edits.append({entry.column, edit});
        QLabel *label = makeLabel(parent, QStringLiteral("Label%1").arg(number++), QString::fromUtf16(entry.label), 0,
                                  entry.y + 3, entry.labelPixelSize);
        label->move(entry.labelX >= 0 ? entry.labelX : entry.x - label->width() - 8, entry.y + 3);
        if (entry.required) {
            QLabel *mark = makeLabel(parent, QStringLiteral("Label%1").arg(number++), QStringLiteral(u"(必填)"), 0,
                                     entry.y + 19, 12, Qt::red);
            mark->move(label->x() + (label->width() - mark->width()) / 2, entry.y + 19);
        }
    }
    return edits;
}

QLineEdit *editNamed(const QList<BoundEdit> &edits, const QString &name)
{
    for (const BoundEdit &bound : edits)
        if (bound.edit->objectName() == name)
            return bound.edit;
    return nullptr;
}

void chainEnterKey(const QList<QLineEdit *> &edits, QWidget *last)
{
    for (qsizetype i = 0; i < edits.size(); ++i) {
        QWidget *next = i + 1 < edits.size() ? edits[i + 1] : last;
        if (next)
            QObject::connect(edits[i], &QLineEdit::returnPressed, next,
                             [next] { next->setFocus(Qt::OtherFocusReason); });
    }
}

void pressOnEnter(const QList<QLineEdit *> &edits, QAbstractButton *button)
{
    for (QLineEdit *edit : edits)
        QObject::connect(edit, &QLineEdit::returnPressed, button, &QAbstractButton::click);
}

DraggablePanel::DraggablePanel(QWidget *parent) : QFrame(parent)
{
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setAutoFillBackground(true);
}

void DraggablePanel::moveInside(QPoint pos)
{
    if (QWidget *owner = parentWidget()) {
        pos.setX(std::clamp(pos.x(), 0, std::max(0, owner->width() - width())));
        pos.setY(std::clamp(pos.y(), 0, std::max(0, owner->height() - height())));
    }
    move(pos);
}

void DraggablePanel::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QFrame::mousePressEvent(event);
        return;
    }
    m_dragging = true;
    m_grab = event->position().toPoint();
    event->accept();
}

void DraggablePanel::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_dragging)
        return;
    moveInside(mapToParent(event->position().toPoint()) - m_grab);
    event->accept();
}

void DraggablePanel::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_dragging = false;
    event->accept();
}

void ElidedLabel::setFullText(const QString &text)
{
    if (text == m_full)
        return;
    m_full = text;
    updateGeometry();
    elide();
}

QSize ElidedLabel::sizeHint() const
{
    const int whole = fontMetrics().horizontalAdvance(m_full) + 2 * margin() + frameWidth() * 2 + 4;
    return {std::min(whole, kWidestHint), QLabel::minimumSizeHint().height()};
}

QSize ElidedLabel::minimumSizeHint() const
{
    return {50, QLabel::minimumSizeHint().height()};
}

void ElidedLabel::resizeEvent(QResizeEvent *event)
{
    QLabel::resizeEvent(event);
    elide();
}

void ElidedLabel::showEvent(QShowEvent *event)
{
    QLabel::showEvent(event);
    elide();
}

void ElidedLabel::elide()
{
    // Until it is shown it has no width of its own: the whole text.
    if (!isVisible()) {
        setText(m_full);
        return;
    }
    // A framed label without an indent of its own indents by half an "x".
    const int indented = indent() >= 0 ? indent()
        : frameWidth() > 0             ? fontMetrics().horizontalAdvance(QLatin1Char('x')) / 2
                                       : 0;
    const int room = contentsRect().width() - 2 * margin() - indented;
    setText(fontMetrics().elidedText(m_full, Qt::ElideMiddle, std::max(room, 0)));
}

void ClickableLabel::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT clicked();
}

QPixmap closePicture()
{
    QPixmap pixmap(16, 16);
    pixmap.fill(QColor(240, 240, 240));
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QColor(160, 160, 160));
    painter.drawRect(0, 0, 15, 15);
    painter.setPen(QPen(QColor(180, 30, 30), 2));
    painter.drawLine(4, 4, 11, 11);
    painter.drawLine(11, 4, 4, 11);
    return pixmap;
}

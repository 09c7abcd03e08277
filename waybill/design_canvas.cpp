#include "waybill/design_canvas.h"

#include "report/page.h"
#include "waybill/code_item.h"
#include "waybill/form_design.h"
#include "waybill/page_composer.h"

#include <QBuffer>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

namespace {

constexpr double kHandlePixels = 7.0;
const QColor kSelection(0, 90, 220);

// A field's font at the canvas's zoom: its points as millimetres, then pixels.
QFont canvasFont(const UserFormItem &item, double points, double pixelsPerMm)
{
    QFont font(item.family);
    font.setBold(item.bold);
    font.setPixelSize(std::max(1, qRound(points * 25.4 / 72.0 * pixelsPerMm)));
    return font;
}

// The form's page as it prints, with the column names of the text fields
// and a number in each code: what the canvas takes the codes, the fitted
// sizes and the flags of fields that do not print whole from.
ComposedPage designPage(const UserForm &form)
{
    QList<LayoutItem> items = layoutOfUserForm(form, Variant::Single).items;
    for (LayoutItem &item : items)
        if (item.kind != ItemKind::Text && item.fixedText.isEmpty())
            item.fixedText = codePlaceholder();
    return PageComposer(form.paperMm, items).compose([](RowSide row, const QString &column) {
        LayoutItem named;
        named.row = row;
        named.column = column;
        return itemLabel(named);
    });
}

// The form's item a composed item prints (QRDBText1 is the first).
int formItemOf(const ComposedItem &composed)
{
    return itemNumber(composed.name) - 1;
}

} // namespace

DesignCanvas::DesignCanvas(FormDesign &design, QWidget *parent) : QWidget(parent), m_design(design)
{
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void DesignCanvas::setZoom(double pixelsPerMm)
{
    m_zoom = std::clamp(pixelsPerMm, 1.0, 20.0);
    m_scaled = QImage();
    updateGeometry();
    resize(sizeHint());
    update();
}

QSizeF DesignCanvas::paperMm() const
{
    return m_design.form().paperMm;
}

QPointF DesignCanvas::toPixels(const QPointF &mm) const
{
    return {kMargin + mm.x() * m_zoom, kMargin + mm.y() * m_zoom};
}

QPointF DesignCanvas::toMm(const QPointF &pixels) const
{
    return {(pixels.x() - kMargin) / m_zoom, (pixels.y() - kMargin) / m_zoom};
}

QString DesignCanvas::fieldLabel(const UserFormItem &item)
{
    if (item.column.isEmpty())
        return item.fixedText;
    LayoutItem named;
    named.row = item.row;
    named.column = item.column;
    return itemLabel(named);
}

QSize DesignCanvas::sizeHint() const
{
    const QSizeF paper = m_design.form().paperMm;
    return {int(std::ceil(2 * kMargin + paper.width() * m_zoom)),
            int(std::ceil(2 * kMargin + paper.height() * m_zoom))};
}

QRectF DesignCanvas::itemPixels(int index) const
{
    const QRectF mm = m_design.form().items[index].mm;
    return {toPixels(mm.topLeft()), toPixels(mm.bottomRight())};
}

QList<QPair<int, QRectF>> DesignCanvas::handles(int index) const
{
    const QRectF box = itemPixels(index);
    const double h = kHandlePixels;
    const auto square = [h](double x, double y) { return QRectF(x - h / 2, y - h / 2, h, h); };
    const double midX = box.center().x();
    const double midY = box.center().y();
    return {{EdgeLeft | EdgeTop, square(box.left(), box.top())},         {EdgeTop, square(midX, box.top())},
            {EdgeRight | EdgeTop, square(box.right(), box.top())},       {EdgeRight, square(box.right(), midY)},
            {EdgeRight | EdgeBottom, square(box.right(), box.bottom())}, {EdgeBottom, square(midX, box.bottom())},
            {EdgeLeft | EdgeBottom, square(box.left(), box.bottom())},   {EdgeLeft, square(box.left(), midY)}};
}

int DesignCanvas::itemAt(const QPointF &pixels) const
{
    // The field drawn last lies on top.
    for (int i = int(m_design.form().items.size()) - 1; i >= 0; --i)
        if (itemPixels(i).adjusted(-2, -2, 2, 2).contains(pixels))
            return i;
    return -1;
}

const QImage &DesignCanvas::scaledPicture()
{
    const UserForm &form = m_design.form();
    if (form.picture.constData() != m_pictureBytes.constData() || form.picture.size() != m_pictureBytes.size()) {
        m_pictureBytes = form.picture;
        QBuffer buffer(&m_pictureBytes);
        QImageReader reader(&buffer);
        m_picture = form.picture.isEmpty() ? QImage() : reader.read();
        m_scaled = QImage();
    }
    const QSize drawn(qRound(form.paperMm.width() * form.pictureScale * m_zoom),
                      qRound(form.paperMm.height() * form.pictureScale * m_zoom));
    if (!m_picture.isNull() && m_scaled.size() != drawn && drawn.isValid())
        m_scaled = m_picture.scaled(drawn, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return m_picture.isNull() ? m_picture : m_scaled;
}

void DesignCanvas::paintGrid(QPainter &painter, const QRectF &paper)
{
    const QSizeF size = m_design.form().paperMm;
    const auto lines = [&](int step, const QColor &color) {
        painter.setPen(QPen(color, 0));
        for (int mm = step; mm < size.width(); mm += step)
            painter.drawLine(QPointF(toPixels({double(mm), 0}).x(), paper.top()),
                             QPointF(toPixels({double(mm), 0}).x(), paper.bottom()));
        for (int mm = step; mm < size.height(); mm += step)
            painter.drawLine(QPointF(paper.left(), toPixels({0, double(mm)}).y()),
                             QPointF(paper.right(), toPixels({0, double(mm)}).y()));
    };
    if (m_zoom >= 3.0)
        lines(1, QColor(0, 0, 0, 14));
    lines(10, QColor(0, 0, 0, 40));
}

void DesignCanvas::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(200, 200, 200));
    const UserForm &form = m_design.form();
    const QRectF paper(toPixels({0, 0}), toPixels({form.paperMm.width(), form.paperMm.height()}));
    painter.fillRect(paper, Qt::white);
    painter.save();
    painter.setClipRect(paper);
    const QImage &picture = scaledPicture();
    if (!picture.isNull())
        painter.drawImage(toPixels(form.pictureOffsetMm), picture);
    paintGrid(painter, paper);
    painter.restore();
    painter.setPen(QPen(Qt::black, 0));
    painter.drawRect(paper);

    const ComposedPage page = designPage(form);
    QList<double> points;
    for (const UserFormItem &item : form.items)
        points << item.points;
    for (const ComposedItem &composed : page.items)
        if (const int i = formItemOf(composed); i >= 0 && i < form.items.size() && form.items[i].fitText)
            points[i] = page.fonts[composed.font].font.pixelSize() / kUnitsPerPoint;
    for (int i = 0; i < form.items.size(); ++i) {
        const UserFormItem &item = form.items[i];
        const QRectF box = itemPixels(i);
        // The box faintly, under its text; the selected one's outline over it.
        painter.fillRect(box, QColor(255, 255, 255, 150));
        painter.setPen(QPen(QColor(0, 120, 200, 110), 1, Qt::DotLine));
        painter.drawRect(box);
        if (item.kind != ItemKind::Text) {
            if (i == m_design.selected()) {
                painter.setPen(QPen(kSelection, 1));
                painter.drawRect(box);
            }
            continue; // painted as it prints, below
        }
        painter.setPen(item.color);
        painter.setFont(canvasFont(item, points[i], m_zoom));
        const Qt::Alignment align = item.align == TextAlign::Centre ? Qt::AlignHCenter
            : item.align == TextAlign::Right                        ? Qt::AlignRight
                                                                    : Qt::AlignLeft;
        painter.drawText(box, int(align | Qt::AlignTop | Qt::TextDontClip), fieldLabel(item));
        if (i == m_design.selected()) {
            painter.setPen(QPen(kSelection, 1));
            painter.drawRect(box);
        }
    }
    // The codes as they print, and a red frame round each field that does
    // not print whole, as the preview has them.
    ComposedPage shown = page;
    for (ComposedItem &composed : shown.items)
        if (const int i = formItemOf(composed); i >= 0 && i < form.items.size() && form.items[i].kind == ItemKind::Text)
            composed.lines.clear();
    painter.save();
    painter.translate(toPixels({0, 0}));
    paintPage(painter, shown, m_zoom * kMmPerUnit, PaintTarget::Screen);
    painter.restore();
    if (m_design.selected() >= 0) {
        painter.setPen(QPen(kSelection, 1));
        for (const auto &handle : handles(m_design.selected()))
            painter.fillRect(handle.second, kSelection);
    }
}

void DesignCanvas::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    setFocus(Qt::MouseFocusReason);
    const QPointF at = event->position();
    m_dragItem = -1;
    m_dragEdges = 0;
    if (const int selected = m_design.selected(); selected >= 0)
        for (const auto &handle : handles(selected))
            if (handle.second.adjusted(-2, -2, 2, 2).contains(at)) {
                m_dragItem = selected;
                m_dragEdges = handle.first;
            }
    if (m_dragItem < 0) {
        m_dragItem = itemAt(at);
        m_dragEdges = EdgeAll;
        m_design.select(m_dragItem);
    }
    if (m_dragItem >= 0) {
        m_pressMm = toMm(at);
        m_startRect = m_design.form().items[m_dragItem].mm;
        ++m_dragCount;
    }
    update();
    Q_EMIT edited();
}

void DesignCanvas::mouseMoveEvent(QMouseEvent *event)
{
    Q_EMIT pointed(toMm(event->position()));
    if (m_dragItem < 0 || !(event->buttons() & Qt::LeftButton))
        return;
    const QPointF delta = toMm(event->position()) - m_pressMm;
    QRectF rect = m_startRect;
    const auto snap = [this](double mm) { return FormDesign::rounded(mm, m_snapping); };
    if (m_dragEdges == EdgeAll) {
        rect.moveTopLeft({snap(rect.left() + delta.x()), snap(rect.top() + delta.y())});
    } else {
        if (m_dragEdges & EdgeLeft)
            rect.setLeft(std::min(snap(rect.left() + delta.x()), rect.right() - FormDesign::kMinItemMm));
        if (m_dragEdges & EdgeRight)
            rect.setRight(std::max(snap(rect.right() + delta.x()), rect.left() + FormDesign::kMinItemMm));
        if (m_dragEdges & EdgeTop)
            rect.setTop(std::min(snap(rect.top() + delta.y()), rect.bottom() - FormDesign::kMinItemMm));
        if (m_dragEdges & EdgeBottom)
            rect.setBottom(std::max(snap(rect.bottom() + delta.y()), rect.top() + FormDesign::kMinItemMm));
    }
    if (rect == m_design.form().items[m_dragItem].mm)
        return;
    m_design.setItemRect(m_dragItem, rect, QStringLiteral("drag %1").arg(m_dragCount));
    update();
    Q_EMIT edited();
}

void DesignCanvas::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_dragItem = -1;
}

void DesignCanvas::keyPressEvent(QKeyEvent *event)
{
    const double step = event->modifiers() & Qt::ShiftModifier ? 1.0 : 0.1;
    double dx = 0;
    double dy = 0;
    switch (event->key()) {
    case Qt::Key_Left:
        dx = -step;
        break;
    case Qt::Key_Right:
        dx = step;
        break;
    case Qt::Key_Up:
        dy = -step;
        break;
    case Qt::Key_Down:
        dy = step;
        break;
    case Qt::Key_Delete:
        m_design.removeSelected();
        update();
        Q_EMIT edited();
        return;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    if (m_design.selected() < 0) {
        QWidget::keyPressEvent(event);
        return;
    }
    m_design.nudge(dx, dy);
    update();
    Q_EMIT edited();
}

// A ruler of the view: a tick each millimetre (when they stand apart),
// longer each 5 and 10, numbered each 10, where the canvas has them now.
class DesignView::Ruler : public QWidget {
public:
    Ruler(Qt::Orientation orientation, DesignCanvas *canvas, QWidget *parent)
        : QWidget(parent), m_orientation(orientation), m_canvas(canvas)
    {
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), QColor(240, 240, 240));
        painter.setPen(QColor(90, 90, 90));
        QFont small = font();
        small.setPixelSize(9);
        painter.setFont(small);
        const bool across = m_orientation == Qt::Horizontal;
        const QSizeF paper = m_canvas->paperMm();
        const double zoom = m_canvas->zoom();
        const int every = zoom >= 2.5 ? 1 : 5;
        const int last = int(across ? paper.width() : paper.height());
        const int depth = across ? height() : width();
        for (int mm = 0; mm <= last; mm += every) {
            const QPointF canvasPoint = m_canvas->toPixels({double(mm), double(mm)});
            const double at = across ? canvasPoint.x() + m_canvas->x() : canvasPoint.y() + m_canvas->y();
            const int length = mm % 10 == 0 ? 10 : mm % 5 == 0 ? 6 : 3;
            if (across)
                painter.drawLine(QPointF(at, depth - length), QPointF(at, depth));
            else
                painter.drawLine(QPointF(depth - length, at), QPointF(depth, at));
            if (mm % 10 == 0)
                painter.drawText(across ? QPointF(at + 2, 10) : QPointF(2, at + 10), QString::number(mm));
        }
    }

private:
    Qt::Orientation m_orientation;
    DesignCanvas *m_canvas;
};

DesignView::DesignView(DesignCanvas *canvas, QWidget *parent)
    : QScrollArea(parent), m_canvas(canvas), m_top(new Ruler(Qt::Horizontal, canvas, this)),
      m_left(new Ruler(Qt::Vertical, canvas, this))
{
    setViewportMargins(kRuler, kRuler, 0, 0);
    setWidget(canvas);
    setWidgetResizable(false);
    setBackgroundRole(QPalette::Dark);
    auto *corner = new QLabel(QStringLiteral("mm"), this);
    corner->setAlignment(Qt::AlignCenter);
    corner->setGeometry(frameWidth(), frameWidth(), kRuler, kRuler);
    // The rulers follow the canvas as it scrolls (moves) and as the paper
    // or the zoom changes (resizes).
    canvas->installEventFilter(this);
}

bool DesignView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_canvas && (event->type() == QEvent::Move || event->type() == QEvent::Resize)) {
        m_top->update();
        m_left->update();
    }
    return QScrollArea::eventFilter(watched, event);
}

void DesignView::resizeEvent(QResizeEvent *event)
{
    QScrollArea::resizeEvent(event);
    placeRulers();
}

void DesignView::placeRulers()
{
    const QRect view = viewport()->geometry();
    m_top->setGeometry(view.left(), view.top() - kRuler, view.width(), kRuler);
    m_left->setGeometry(view.left() - kRuler, view.top(), kRuler, view.height());
}

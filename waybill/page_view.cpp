#include "waybill/page_view.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

PageView::PageView(const Layout &layout, QWidget *parent)
    : QWidget(parent), m_layout(layout), m_pictureRect(layout.pictureRect())
{
    m_layout.items.clear(); // only the picture is kept
    setAutoFillBackground(false);
}

void PageView::setPage(const ComposedPage &page)
{
    m_page = page;
    update();
}

bool PageView::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        const QPoint at = static_cast<QHelpEvent *>(event)->pos();
        for (const ComposedItem &item : m_page.items)
            if (item.flagged && item.box.adjusted(-2, -2, 2, 2).contains(at)) {
                QToolTip::showText(static_cast<QHelpEvent *>(event)->globalPos(), frameExplanation(), this);
                return true;
            }
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    return QWidget::event(event);
}

QString PageView::frameExplanation()
{
    return QStringLiteral(u"红框：按当前收件人的内容，这一项在纸上打不全（超出了它的格子）。"
                          u"可以缩短内容、换小一点的字体，或移动位置。"
                          u"手机号码的红框：号码为空或有隐藏的数字（138****5678），请在名单中补全");
}

void PageView::paintEvent(QPaintEvent *)
{
    if (m_image.isNull())
        m_image = m_layout.pictureImage(m_pictureRect.size());
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    if (!m_image.isNull())
        painter.drawImage(m_pictureRect, m_image);
    paintPage(painter, m_page, 1.0, PaintTarget::Screen);
}

void PageView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && m_pictureRect.contains(event->position().toPoint()))
        Q_EMIT pictureClicked();
}

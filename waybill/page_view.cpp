#include "waybill/page_view.h"

#include <QImageReader>
#include <QMouseEvent>
#include <QPainter>

PageView::PageView(const QString &picture, const QRect &pictureRect, QWidget *parent)
    : QWidget(parent), m_picture(picture), m_pictureRect(pictureRect)
{
    setAutoFillBackground(false);
}

void PageView::setPage(const ComposedPage &page)
{
    m_page = page;
    update();
}

void PageView::paintEvent(QPaintEvent *)
{
    if (m_image.isNull()) {
        QImageReader reader(m_picture);
        reader.setScaledSize(m_pictureRect.size());
        m_image = reader.read();
    }
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

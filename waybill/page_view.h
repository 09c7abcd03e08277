#pragma once
// The page of a print window at 100 %: the form picture (decoded when first
// shown) stretched to its rectangle, and over it each item showing its
// column name in its font. A click on the picture asks for the font choice.
// An item outlined in red (its text does not print whole) says so in its
// tooltip.

#include "report/page.h"
#include "waybill/layout.h"

#include <QImage>
#include <QWidget>

class PageView : public QWidget {
    Q_OBJECT
public:
    // The layout's form picture is drawn under the items.
    PageView(const Layout &layout, QWidget *parent);
    void setPage(const ComposedPage &page);
    const ComposedPage &page() const { return m_page; }
    bool pictureDecoded() const { return !m_image.isNull(); }
    // What a red frame means, as its tooltip says.
    static QString frameExplanation();

Q_SIGNALS:
    void pictureClicked();

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    Layout m_layout; // for its picture, decoded when first painted
    QRect m_pictureRect;
    QImage m_image;
    ComposedPage m_page;
};

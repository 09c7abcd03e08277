#pragma once
// The preview's page view and its thumbnails: a composed page painted at a
// zoom on white paper, and a list of every produced page, each scaled into
// its cell with its number.

#include "report/page.h"

#include <QAbstractTableModel>
#include <QImage>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QWidget>
#include <functional>
#include <optional>

// The page at the current zoom: white paper, the form picture when it is
// switched on (screen only), and the page's items.
class PageCanvas : public QWidget {
public:
    explicit PageCanvas(QWidget *parent) : QWidget(parent) { setObjectName(QStringLiteral("PageView")); }
    // The form picture under the items, stretched to rect (layout units);
    // a null image shows none.
    void setPicture(const QImage &image, const QRect &rect)
    {
        m_picture = image;
        m_pictureRect = rect;
        update();
    }
    bool showsPicture() const { return !m_picture.isNull(); }
    // Shows a copy of the page (none: blank paper), so that the list the
    // page came from may grow meanwhile.
    void show(std::optional<ComposedPage> page, QSize paperUnits, int zoom)
    {
        m_page = std::move(page);
        m_scale = zoom / 100.0;
        setFixedSize(qMax(1, qRound(paperUnits.width() * m_scale)), qMax(1, qRound(paperUnits.height() * m_scale)));
        update();
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::white);
        painter.setRenderHint(QPainter::TextAntialiasing);
        if (!m_picture.isNull()) {
            painter.save();
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            painter.scale(m_scale, m_scale);
            painter.drawImage(m_pictureRect, m_picture);
            painter.restore();
        }
        if (m_page)
            paintPage(painter, *m_page, m_scale, PaintTarget::Screen);
    }

private:
    std::optional<ComposedPage> m_page;
    qreal m_scale = 1;
    QImage m_picture;
    QRect m_pictureRect;
};

// One row per produced page.
class ThumbnailModel : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;
    void setCount(int count)
    {
        if (count == m_count)
            return;
        beginInsertRows({}, m_count, count - 1);
        m_count = count;
        endInsertRows();
    }
    int rowCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : m_count; }
    int columnCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : 1; }
    QVariant data(const QModelIndex &index, int role) const override
    {
        return role == Qt::DisplayRole ? QVariant(index.row() + 1) : QVariant();
    }

private:
    int m_count = 0;
};

// A page scaled into its cell, inset 10 at the left, top and bottom and 30
// at the right, with its number at the top-left corner.
class ThumbnailDelegate : public QStyledItemDelegate {
public:
    // pageAt gives the composed page of a row.
    ThumbnailDelegate(std::function<const ComposedPage &(int row)> pageAt, QObject *parent)
        : QStyledItemDelegate(parent), m_pageAt(std::move(pageAt))
    {
    }
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        painter->save();
        if (option.state & QStyle::State_Selected)
            painter->fillRect(option.rect, option.palette.highlight());
        const QRect picture = option.rect.adjusted(10, 10, -30, -10);
        const ComposedPage &page = m_pageAt(index.row());
        const QSizeF paper(page.paperMm.width() / kMmPerUnit, page.paperMm.height() / kMmPerUnit);
        painter->fillRect(picture, Qt::white);
        painter->setPen(Qt::gray);
        painter->drawRect(picture.adjusted(0, 0, -1, -1));
        painter->translate(picture.topLeft());
        painter->scale(picture.width() / paper.width(), picture.height() / paper.height());
        paintPage(*painter, page, 1.0, PaintTarget::Screen);
        painter->resetTransform();
        const QString number = QString::number(index.row() + 1);
        const QRect label = option.fontMetrics.boundingRect(number).adjusted(-2, 0, 2, 0);
        const QRect at(option.rect.topLeft(), label.size());
        painter->fillRect(at, option.palette.button());
        painter->setPen(option.palette.buttonText().color());
        painter->drawText(at, Qt::AlignCenter, number);
        painter->restore();
    }

private:
    std::function<const ComposedPage &(int row)> m_pageAt;
};

#pragma once
// The drawing area of the form designer: the paper with its scan (screen
// only) and a mm grid, and every field as a box showing what it prints,
// in a scrolled view with rulers in millimetres along its top and left. A field is selected and
// dragged with the mouse, resized by its eight handles, and moved by the
// arrow keys (Shift: 1 mm, otherwise 0.1 mm); Delete removes it.

#include "waybill/user_form.h"

#include <QImage>
#include <QScrollArea>
#include <QWidget>

class FormDesign;

class DesignCanvas : public QWidget {
    Q_OBJECT
public:
    static constexpr int kMargin = 12; // pixels round the paper

    DesignCanvas(FormDesign &design, QWidget *parent = nullptr);

    // Pixels per millimetre (3.78 is the paper's own size on a 96 dpi screen).
    void setZoom(double pixelsPerMm);
    double zoom() const { return m_zoom; }
    QSizeF paperMm() const;
    // Whether dragging snaps to the 1 mm grid.
    void setSnapping(bool on) { m_snapping = on; }
    bool snapping() const { return m_snapping; }

    // A point of the paper (millimetres) on the canvas, and back.
    QPointF toPixels(const QPointF &mm) const;
    QPointF toMm(const QPointF &pixels) const;
    // The text a field shows: its column (as the print windows name it) or its fixed text.
    static QString fieldLabel(const UserFormItem &item);

    QSize sizeHint() const override;

Q_SIGNALS:
    // The design changed here (a drag, a key), or the selection did.
    void edited();
    // Where the mouse is on the paper, millimetres.
    void pointed(const QPointF &mm);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    // Which edges of a field a drag moves: all four for a move.
    enum Edge { EdgeLeft = 1, EdgeTop = 2, EdgeRight = 4, EdgeBottom = 8, EdgeAll = 15 };
    QRectF itemPixels(int index) const;
    QList<QPair<int, QRectF>> handles(int index) const; // edge flags and the handle's square
    int itemAt(const QPointF &pixels) const;
    const QImage &scaledPicture();
    void paintGrid(QPainter &painter, const QRectF &paper);

    FormDesign &m_design;
    double m_zoom = 4.0;
    bool m_snapping = true;
    // The scan, decoded once per picture and scaled once per size.
    QByteArray m_pictureBytes;
    QImage m_picture;
    QImage m_scaled;
    // The drag in progress.
    int m_dragItem = -1;
    int m_dragEdges = 0;
    QPointF m_pressMm;
    QRectF m_startRect;
    int m_dragCount = 0; // numbers each drag, for its single undo step
};

// The canvas scrolled, with a ruler along the top and one down the left
// that stay in view and follow the scrolling and the zoom.
class DesignView : public QScrollArea {
    Q_OBJECT
public:
    static constexpr int kRuler = 24; // pixels of each ruler

    DesignView(DesignCanvas *canvas, QWidget *parent = nullptr);
    DesignCanvas *canvas() const { return m_canvas; }

protected:
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    class Ruler;
    void placeRulers();

    DesignCanvas *m_canvas;
    Ruler *m_top;
    Ruler *m_left;
};

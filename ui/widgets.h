#pragma once
// Small shared widgets and helpers for the windows, which place their
// components at fixed positions as the forms describe.

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPoint>

class QAbstractButton;
class QPushButton;

// Sets a widget's component name and its geometry in its parent.
template <class W>
W *placed(W *widget, const QString &name, int x, int y, int width, int height)
{
    widget->setObjectName(name);
    widget->setGeometry(x, y, width, height);
    return widget;
}

// The 宋体 font at a pixel size (mapped to the installed Song-style font).
QFont songFont(int pixelSize, bool bold = false);

// A label in 宋体 at a pixel size, optionally coloured and bold.
QLabel *makeLabel(QWidget *parent, const QString &name, const QString &text, int x, int y, int pixelSize,
                  const QColor &color = {}, bool bold = false);

// A one-line edit in 宋体 at 14 pixels, 21 pixels high.
QLineEdit *makeEdit(QWidget *parent, const QString &name, int x, int y, int width);

// A 75 x 25 push button.
QPushButton *makeButton(QWidget *parent, const QString &name, const QString &caption, int x, int y);

// An edit bound to a column, in the order of a form's field table.
struct BoundEdit {
    QString column;
    QLineEdit *edit;
};

// The text of the edit bound to column (empty when none is).
QString textOf(const QList<BoundEdit> &edits, const QString &column);

// The message of the first required column whose edit is empty, checked in
// the order given; empty when all are filled. A blank counts as filled.
struct RequiredField {
    QString column;
    QString message;
};
QString firstMissing(const QList<BoundEdit> &edits, const QList<RequiredField> &required);

// One edit of a form with its label: the label stands left of the edit
// (at labelX, or right-aligned just before the edit when labelX < 0), and a
// red "(必填)" under it when the field is required.
struct FormField {
    const char16_t *label;
    const char *edit;
    int x, y, width;
    QString column;
    bool required = false;
    int labelX = -1;
    int labelPixelSize = 14;
};

// Builds the labels and edits of a form; labels are named LabelN from
// firstLabel on. Returns the edits in the order given.
QList<BoundEdit> buildFields(QWidget *parent, const QList<FormField> &entries, int firstLabel);

// The edit of a component name among bound edits (nullptr when absent).
QLineEdit *editNamed(const QList<BoundEdit> &edits, const QString &name);

// Pressing Enter in each edit moves the focus to the next widget of the
// chain; the last one has no Enter handling.
void chainEnterKey(const QList<QLineEdit *> &edits, QWidget *last = nullptr);

// Pressing Enter in each edit presses button, as the user expects of a
// search or amount box with its button beside it.
void pressOnEnter(const QList<QLineEdit *> &edits, QAbstractButton *button);

// A sunken panel that the user drags with the left mouse button pressed on
// its background; it always stays inside its parent.
class DraggablePanel : public QFrame {
    Q_OBJECT
public:
    explicit DraggablePanel(QWidget *parent);
    // Moves the panel to pos, kept inside the parent.
    void moveInside(QPoint pos);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    bool m_dragging = false;
    QPoint m_grab;
};

// A picture that reports clicks (the close pictures of the panels).
class ClickableLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
Q_SIGNALS:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
};

// A label showing its whole text where there is room, else the text elided
// in the middle, so that its start and its end (a path's file name) both
// stay in sight. It asks for little width: up to kWidestHint for a long text.
class ElidedLabel : public QLabel {
public:
    static constexpr int kWidestHint = 200;
    using QLabel::QLabel;
    void setFullText(const QString &text);
    const QString &fullText() const { return m_full; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void elide();
    QString m_full;
};

// A 16 x 16 close picture: a dark cross on a light square.
QPixmap closePicture();

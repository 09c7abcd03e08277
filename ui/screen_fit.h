#pragma once
// Keeps every top-level window on its screen. A window keeps the size it is
// described with where the screen's available area holds it; where the area
// is smaller, the window is made as large as the area (its client area
// scrolls, see ClientScrollArea), and its frame is never placed above or
// left of the area, so that the title bar and the menus stay reachable.

#include <QList>
#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QScrollArea>
#include <QSize>
#include <optional>

class QApplication;
class QWidget;

// Where a window goes: its frame's top-left corner and its size without the frame.
struct WindowPlace {
    QPoint framePos;
    QSize size;
    bool operator==(const WindowPlace &other) const = default;
};

// The place of a window that wants size wanted (without its frame), inside
// available (a screen's available geometry), given its frame margins:
// centred in the area, or kept at keepAt as far as the frame stays inside.
WindowPlace fitToArea(QSize wanted, const QMargins &frame, const QRect &available,
                      std::optional<QPoint> keepAt = std::nullopt);

// Where a window remembered at saved goes on the screens there are now
// (their available areas, the primary one first): on the screen the saved
// frame overlaps most, or on the primary one when it overlaps none (a
// screen since taken away, a smaller resolution), moved and shrunk as far
// as its frame needs to be whole on that screen.
WindowPlace rememberedPlace(const WindowPlace &saved, const QMargins &frame, const QList<QRect> &areas);

// The frame margins of a window: its own once the window system has framed
// it, else those of another framed window of the program, else a usual
// title bar and border (none on the offscreen platform).
QMargins frameMarginsOf(const QWidget *window);

// Sizes and centres window inside available as fitToArea says. wanted
// defaults to the window's size hint. A fixed-size window stays fixed, at
// the fitted size; a resizable one has its least size lowered to it when
// that would not fit.
void placeOnScreen(QWidget *window, const QRect &available, QSize wanted = {});
// The same on the window's own screen (the primary one before it has one).
void centreOnScreen(QWidget *window, QSize wanted = {});
// Places window where rememberedPlace says on the screens there are now
// (a fixed-size window keeps its size where that fits).
void placeRemembered(QWidget *window, const WindowPlace &saved);
// A window placed by someone else (a message box, the window system) is
// shrunk and moved only when its frame leaves its screen's available area.
void keepOnScreen(QWidget *window);

// Every top-level window shown from now on is kept on its screen, and
// looked at again once the window system has put its frame around it.
void installScreenFit(QApplication &app);

// The scroll area around a window's fixed client area: as large as the
// client (its size hint) while the window is, scrolling it when the window
// has been made smaller to fit the screen. A client with a layout is
// stretched to the area but never below its least size.
class ClientScrollArea : public QScrollArea {
    Q_OBJECT
public:
    explicit ClientScrollArea(QWidget *client, QWidget *parent = nullptr);
    QSize sizeHint() const override;
};

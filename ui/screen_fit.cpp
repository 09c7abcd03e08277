#include "ui/screen_fit.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <algorithm>

WindowPlace fitToArea(QSize wanted, const QMargins &frame, const QRect &available, std::optional<QPoint> keepAt)
{
    const QSize framing(frame.left() + frame.right(), frame.top() + frame.bottom());
    const QSize room = (available.size() - framing).expandedTo(QSize(1, 1));
    const QSize size = wanted.boundedTo(room);
    const QSize outer = size + framing;
    QPoint pos =
        keepAt.value_or(available.topLeft()
                        + QPoint((available.width() - outer.width()) / 2, (available.height() - outer.height()) / 2));
    // The frame fits the area, so both bounds hold; the top-left corner
    // (title bar, menus) wins when it cannot.
    pos.setX(std::max(available.left(), std::min(pos.x(), available.left() + available.width() - outer.width())));
    pos.setY(std::max(available.top(), std::min(pos.y(), available.top() + available.height() - outer.height())));
    return {pos, size};
}

WindowPlace rememberedPlace(const WindowPlace &saved, const QMargins &frame, const QList<QRect> &areas)
{
    if (areas.isEmpty())
        return saved;
    const QRect outer(saved.framePos, saved.size + QSize(frame.left() + frame.right(), frame.top() + frame.bottom()));
    const auto overlap = [&](const QRect &area) {
        const QRect common = area.intersected(outer);
        return common.isEmpty() ? 0LL : qint64(common.width()) * common.height();
    };
    const QRect *best = &areas.first();
    for (const QRect &area : areas)
        if (overlap(area) > overlap(*best))
            best = &area;
    return fitToArea(saved.size, frame, *best, saved.framePos);
}

namespace {

QMargins marginsAround(const QWidget *window)
{
    const QRect outer = window->frameGeometry();
    const QRect inner = window->geometry();
    return {inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
            outer.bottom() - inner.bottom()};
}

bool isFixedSize(const QWidget *window)
{
    return window->minimumSize() == window->maximumSize();
}

// The size a window is described with: its size hint (a fixed client area
// in a ClientScrollArea keeps it whatever size the window has now), else
// the size it has.
QSize naturalSize(const QWidget *window)
{
    const QSize hint = window->sizeHint();
    return hint.isValid() ? hint.expandedTo(window->minimumSizeHint()) : window->size();
}

void apply(QWidget *window, const WindowPlace &place)
{
    if (isFixedSize(window)) {
        window->setFixedSize(place.size);
    } else {
        // The least size its layout asks for would push it out again.
        const QSize least = window->minimumSize().expandedTo(window->minimumSizeHint());
        if (least.width() > place.size.width() || least.height() > place.size.height())
            window->setMinimumSize(least.boundedTo(place.size));
        window->resize(place.size);
    }
    window->move(place.framePos);
}

const QScreen *screenOf(const QWidget *window)
{
    if (window->isVisible())
        if (const QScreen *at = QGuiApplication::screenAt(window->geometry().center()))
            return at;
    return window->screen() ? window->screen() : QGuiApplication::primaryScreen();
}

bool isPlacedWindow(const QWidget *window)
{
    const Qt::WindowType type = window->windowType();
    return window->isWindow() && (type == Qt::Window || type == Qt::Dialog);
}

} // namespace

QMargins frameMarginsOf(const QWidget *window)
{
    if (const QMargins own = marginsAround(window); !own.isNull())
        return own;
    if (window->windowFlags() & Qt::FramelessWindowHint)
        return {};
    for (const QWidget *other : QApplication::topLevelWidgets())
        if (other != window && other->isVisible() && isPlacedWindow(other))
            if (const QMargins known = marginsAround(other); !known.isNull())
                return known;
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal"))
        return {};
    return {4, 30, 4, 4}; // a usual title bar and border until the window system says
}

void placeOnScreen(QWidget *window, const QRect &available, QSize wanted)
{
    if (!wanted.isValid())
        wanted = naturalSize(window);
    apply(window, fitToArea(wanted, frameMarginsOf(window), available));
}

void centreOnScreen(QWidget *window, QSize wanted)
{
    if (const QScreen *screen = screenOf(window))
        placeOnScreen(window, screen->availableGeometry(), wanted);
}

void placeRemembered(QWidget *window, const WindowPlace &saved)
{
    QList<QRect> areas;
    if (const QScreen *primary = QGuiApplication::primaryScreen())
        areas << primary->availableGeometry();
    for (const QScreen *screen : QGuiApplication::screens())
        if (screen != QGuiApplication::primaryScreen())
            areas << screen->availableGeometry();
    // A fixed-size window is as large as it is described, not as it was.
    const WindowPlace wanted{saved.framePos, isFixedSize(window) ? naturalSize(window) : saved.size};
    apply(window, rememberedPlace(wanted, frameMarginsOf(window), areas));
}

void keepOnScreen(QWidget *window)
{
    const QScreen *screen = screenOf(window);
    if (!screen)
        return;
    const QRect available = screen->availableGeometry();
    const QMargins frame = frameMarginsOf(window);
    if (available.contains(window->geometry().marginsAdded(frame)))
        return;
    apply(window, fitToArea(window->size(), frame, available, window->pos()));
}

namespace {

class ScreenFit : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::Show || !watched->isWidgetType())
            return false;
        auto *window = static_cast<QWidget *>(watched);
        if (!isPlacedWindow(window))
            return false;
        // A window the system places itself is looked at once it is placed.
        if (window->testAttribute(Qt::WA_Moved))
            keepOnScreen(window);
        // Its frame is known once the window system has put it around: a
        // title bar larger than guessed may push the window out again.
        QTimer::singleShot(300, window, [guard = QPointer<QWidget>(window)] {
            if (guard && guard->isVisible())
                keepOnScreen(guard);
        });
        return false;
    }
};

} // namespace

void installScreenFit(QApplication &app)
{
    app.installEventFilter(new ScreenFit(&app));
}

ClientScrollArea::ClientScrollArea(QWidget *client, QWidget *parent) : QScrollArea(parent)
{
    setObjectName(QStringLiteral("ClientScroll"));
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // Tab goes from control to control; the area scrolls to the one focused.
    setFocusPolicy(Qt::NoFocus);
    setWidget(client);
}

QSize ClientScrollArea::sizeHint() const
{
    const QWidget *client = widget();
    if (!client)
        return QScrollArea::sizeHint();
    const QSize own =
        isFixedSize(client) ? client->minimumSize() : client->sizeHint().expandedTo(client->minimumSizeHint());
    const int frame = 2 * frameWidth();
    return own + QSize(frame, frame);
}

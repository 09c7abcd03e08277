#pragma once
// The windows of the running program: created once at start, in one fixed
// order, and kept until the program ends. Each kind of window registers a
// factory under its class name; windows whose factory is not registered
// are left out of the order.

#include <QHash>
#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <functional>

// The class names of the windows other code reaches by name.
namespace window_class {
inline const QString kMain = QStringLiteral("TForm1");
inline const QString kImported = QStringLiteral("TDrForm");
inline const QString kBackup = QStringLiteral("TSjbfForm");
} // namespace window_class

class WindowRegistry {
public:
    using Factory = std::function<QWidget *(WindowRegistry &)>;

    // The creation order of all 47 windows, by class name.
    static const QStringList &creationOrder();

    void registerFactory(const QString &windowClass, const Factory &factory);
    // Makes windows outside the creation order (the print windows of the
    // office's own forms): given a class name, a new window, or nullptr
    // when the class is not one it makes.
    using OnDemandFactory = std::function<QWidget *(WindowRegistry &, const QString &windowClass)>;
    void registerOnDemand(const OnDemandFactory &factory) { m_onDemand = factory; }
    // Creates every registered window in creation order; a factory that
    // throws stops the start (the exception propagates).
    void createAll();
    // The window of a class, or nullptr when it does not exist.
    QWidget *window(const QString &windowClass) const;
    // The window to show for a class: the one created at start-up, else one
    // made now by the on-demand factory (replacing the one made before for
    // that class, so that it shows the form as it is now); nullptr when
    // neither has it.
    QWidget *windowToShow(const QString &windowClass);
    // The window of a class as the type it is made as; nullptr when it does
    // not exist or is of another type.
    template <class Window>
    Window *windowAs(const QString &windowClass) const
    {
        return qobject_cast<Window *>(window(windowClass));
    }
    // The class names of the created windows, in the order of creation.
    const QStringList &created() const { return m_created; }
    // Deletes all windows, the last created first.
    void destroyAll();
    ~WindowRegistry() { destroyAll(); }

private:
    QHash<QString, Factory> m_factories;
    QHash<QString, QPointer<QWidget>> m_windows;
    QStringList m_created;
    OnDemandFactory m_onDemand;
    QHash<QString, QPointer<QWidget>> m_madeOnDemand;
};

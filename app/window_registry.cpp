#include "app/window_registry.h"

#include "waybill/family.h"

const QStringList &WindowRegistry::creationOrder()
{
    static const QStringList order = [] {
        QStringList classes{window_class::kMain};
        for (const Courier &courier : couriersInCreationOrder()) {
            for (Variant variant : kVariants) {
                classes << courier.classOf(variant);
                // The imported recipients window comes before the first
                // imported-data window, the backup window after the first
                // courier's windows.
                if (courier.code == QStringLiteral("sf") && variant == Variant::Batch)
                    classes << window_class::kImported;
                if (courier.code == QStringLiteral("sf") && variant == Variant::ImportedBatch)
                    classes << window_class::kBackup;
            }
        }
        return classes;
    }();
    return order;
}

void WindowRegistry::registerFactory(const QString &windowClass, const Factory &factory)
{
    m_factories.insert(windowClass, factory);
}

void WindowRegistry::createAll()
{
    for (const QString &windowClass : creationOrder()) {
        const auto factory = m_factories.constFind(windowClass);
        if (factory == m_factories.constEnd() || m_windows.contains(windowClass))
            continue;
        QWidget *window = (*factory)(*this);
        m_windows.insert(windowClass, window);
        m_created << windowClass;
    }
}

QWidget *WindowRegistry::window(const QString &windowClass) const
{
    return m_windows.value(windowClass);
}

QWidget *WindowRegistry::windowToShow(const QString &windowClass)
{
    if (QWidget *created = window(windowClass))
        return created;
    if (!m_onDemand)
        return nullptr;
    QWidget *made = m_onDemand(*this, windowClass);
    if (!made)
        return nullptr;
    if (QWidget *before = m_madeOnDemand.value(windowClass))
        before->deleteLater();
    m_madeOnDemand.insert(windowClass, made);
    return made;
}

void WindowRegistry::destroyAll()
{
    for (const QPointer<QWidget> &made : std::as_const(m_madeOnDemand))
        delete made.data();
    m_madeOnDemand.clear();
    for (auto it = m_created.crbegin(); it != m_created.crend(); ++it)
        delete m_windows.value(*it).data();
    m_windows.clear();
    m_created.clear();
}

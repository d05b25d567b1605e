#include "core/mediacache.h"

#include "core/maskedbitmap.h"

namespace kav {

TRefItem::TRefItem(const QString& name, std::unique_ptr<TBaseObject> object)
    : Name(name), SharedObject(std::move(object))
{
    if (SharedObject)
        SharedObject->Owner = this;
}

TRefItem::~TRefItem() = default;

TContainer& MediaCache()
{
    static TContainer cache;
    return cache;
}

TBaseObject* TContainer::Add(const QString& name, std::unique_ptr<TBaseObject> object)
{
    if (const auto it = m_items.find(name); it != m_items.end()) {
        ++it->second->RefCount;
        return it->second->SharedObject.get();
    }
    auto entry = std::make_unique<TRefItem>(name, std::move(object));
    TRefItem* raw = entry.get();
    m_items.emplace(name, std::move(entry));
    if (raw->SharedObject)
        m_byObject.emplace(raw->SharedObject.get(), raw);
    return raw->SharedObject.get();
}

void TContainer::Release(const TBaseObject* object)
{
    if (!object)
        return;
    const auto it = m_byObject.find(object);
    if (it == m_byObject.end())
        return;
    TRefItem* entry = it->second;
    if (entry->RefCount <= 1 && !m_keepUnused) {
        m_byObject.erase(it);
        const QString name = entry->Name;  // the key must outlive the entry it names
        m_items.erase(name);
    } else {
        --entry->RefCount;
    }
}

TBaseObject* TContainer::Find(const QString& name) const
{
    const auto it = m_items.find(name);
    return it == m_items.end() ? nullptr : it->second->SharedObject.get();
}

int TContainer::RefCount(const QString& name) const
{
    const auto it = m_items.find(name);
    return it == m_items.end() ? 0 : it->second->RefCount;
}

void TContainer::SetKeepUnused(bool keep)
{
    m_keepUnused = keep;
    if (keep)
        return;
    for (auto it = m_items.begin(); it != m_items.end();) {
        if (it->second->RefCount <= 0) {
            if (it->second->SharedObject)
                m_byObject.erase(it->second->SharedObject.get());
            it = m_items.erase(it);
        } else {
            ++it;
        }
    }
}

TIntArray::TIntArray(const QString& commaList)
{
    const QStringList parts = commaList.split(QLatin1Char(','));
    int32_t last = 0;
    for (int i = 0; i < 270; ++i) {
        if (i < parts.size()) {
            bool ok = false;
            const int v = parts[i].trimmed().toInt(&ok);
            if (ok)
                last = v;
        }
        m_values[size_t(i)] = last;
    }
}

} // namespace kav

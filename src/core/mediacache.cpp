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
    for (auto& e : m_items)
        if (e->Name == name) {
            ++e->RefCount;
            return e->SharedObject.get();
        }
    m_items.push_back(std::make_unique<TRefItem>(name, std::move(object)));
    return m_items.back()->SharedObject.get();
}

void TContainer::Release(const TBaseObject* object)
{
    if (!object)
        return;
    for (size_t i = 0; i < m_items.size(); ++i) {
        if (m_items[i]->SharedObject.get() != object)
            continue;
        if (m_items[i]->RefCount <= 1 && !m_keepUnused)
            m_items.erase(m_items.begin() + long(i));
        else
            --m_items[i]->RefCount;
        return;
    }
}

TBaseObject* TContainer::Find(const QString& name) const
{
    for (const auto& e : m_items)
        if (e->Name == name)
            return e->SharedObject.get();
    return nullptr;
}

int TContainer::RefCount(const QString& name) const
{
    for (const auto& e : m_items)
        if (e->Name == name)
            return e->RefCount;
    return 0;
}

void TContainer::SetKeepUnused(bool keep)
{
    m_keepUnused = keep;
    if (keep)
        return;
    for (size_t i = m_items.size(); i-- > 0;)
        if (m_items[i]->RefCount <= 0)
            m_items.erase(m_items.begin() + long(i));
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

#include "ui/forms/cache.h"

namespace kav {

std::shared_ptr<const QByteArray> TCache::Add(const QString& name, QByteArray data)
{
    TCacheItem item;
    item.Name = name.toLower();
    item.Count = 1;
    item.Data = std::make_shared<const QByteArray>(std::move(data));
    m_items.push_back(item);
    return item.Data;
}

std::shared_ptr<const QByteArray> TCache::Find(const QString& name)
{
    const QString key = name.toLower();
    for (TCacheItem& item : m_items) {
        if (item.Name == key) {
            ++item.Count;
            return item.Data;
        }
    }
    return nullptr;
}

void TCache::Release(const std::shared_ptr<const QByteArray>& data)
{
    if (!data)
        return;
    for (auto it = m_items.begin(); it != m_items.end(); ++it) {
        if (it->Data == data) {
            if (--it->Count <= 0)
                m_items.erase(it);
            return;
        }
    }
}

int TCache::Users(const QString& name) const
{
    const QString key = name.toLower();
    for (const TCacheItem& item : m_items)
        if (item.Name == key)
            return item.Count;
    return 0;
}

TCache& ButtonCache()
{
    static TCache cache;
    return cache;
}

} // namespace kav

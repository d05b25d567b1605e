#pragma once
#include <QByteArray>
#include <QString>

#include <memory>
#include <vector>

namespace kav {

// One shared picture: the bytes of its bitmap file and how many users hold it.
struct TCacheItem {
    QString Name;    // lower-case file path
    int Count = 0;
    std::shared_ptr<const QByteArray> Data;
};

// The pictures of the bitmap buttons, shared by name: a window full of buttons with the same
// face decodes one file. An item goes when its last user releases it.
class TCache {
public:
    // Adds a picture with one user and returns its stream.
    std::shared_ptr<const QByteArray> Add(const QString& name, QByteArray data);
    // The stream of a picture, counted as one more user; null when it is not cached.
    std::shared_ptr<const QByteArray> Find(const QString& name);
    // One user less; the item and its stream go at the last one. Unknown streams are ignored.
    void Release(const std::shared_ptr<const QByteArray>& data);

    int Count() const { return int(m_items.size()); }
    // Users of a cached picture, 0 when it is not cached.
    int Users(const QString& name) const;

private:
    std::vector<TCacheItem> m_items;
};

// The one cache every bitmap button uses.
TCache& ButtonCache();

} // namespace kav

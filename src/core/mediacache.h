#pragma once
#include "core/baseobject.h"
#include "core/maskedbitmap.h"

#include <QString>
#include <QStringList>
#include <array>
#include <memory>
#include <unordered_map>
#include <vector>

namespace kav {

// One shared object of the media cache with its name and number of users.
class TRefItem : public TBaseObject {
public:
    KAV_CLASS_NAME(TRefItem)
    TRefItem(const QString& name, std::unique_ptr<TBaseObject> object);
    ~TRefItem() override;

    int32_t RefCount = 1;
    QString Name;
    std::unique_ptr<TBaseObject> SharedObject;
};

// Media bitmaps shared by name between every item, stage and cursor that shows them. Names of
// project media carry the project's folder (see the items' cache keys).
class TContainer {
public:
    // Counts one more user of the name; a new entry takes the object (whose Owner becomes the entry).
    // When the name exists already the given object is not needed and is destroyed.
    TBaseObject* Add(const QString& name, std::unique_ptr<TBaseObject> object);
    // One user less; the entry goes when its last user leaves (unless KeepUnused is on).
    void Release(const TBaseObject* object);
    TBaseObject* Find(const QString& name) const;
    void SetKeepUnused(bool keep);
    bool KeepUnused() const { return m_keepUnused; }
    int Count() const { return int(m_items.size()); }
    int RefCount(const QString& name) const;

    // The usual pattern: the cached bitmap of a name, or a new one made by load and registered.
    template <class Loader>
    TMaskedBitmap* Acquire(const QString& name, Loader&& load);

private:
    // By name and by shared object: a project of many pictures looks each up in constant time.
    std::unordered_map<QString, std::unique_ptr<TRefItem>> m_items;
    std::unordered_map<const TBaseObject*, TRefItem*> m_byObject;
    bool m_keepUnused = false;
};

TContainer& MediaCache();

// A string to hang on a list line where a second string per line is needed.
struct TString {
    QString Value;
};

// 270 integers, indexed 1 to 270 (font metric tables).
class TIntArray {
public:
    TIntArray() { m_values.fill(0); }
    // Numbers separated by commas; a short list repeats its last number, a long one is cut.
    explicit TIntArray(const QString& commaList);
    int32_t operator[](int index) const { return (index >= 1 && index <= 270) ? m_values[index - 1] : 0; }

private:
    std::array<int32_t, 270> m_values{};
};

template <class Loader>
TMaskedBitmap* TContainer::Acquire(const QString& name, Loader&& load)
{
    if (TBaseObject* found = Find(name)) {
        Add(name, nullptr);
        return static_cast<TMaskedBitmap*>(found);
    }
    std::unique_ptr<TMaskedBitmap> bmp = load();
    return static_cast<TMaskedBitmap*>(Add(name, std::move(bmp)));
}

} // namespace kav

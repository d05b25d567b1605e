#pragma once
#include "core/debugobject.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <functional>
#include <stdexcept>
#include <memory>
#include <vector>

namespace kav {

class TTextStr;

// Declares the name under which a persistent class is written and registered.
#define KAV_CLASS_NAME(Name)                                                  \
    static QString StaticClassName() { return QStringLiteral(#Name); }      \
    QString ClassName() const override { return StaticClassName(); }

// The persistent base of every document object. Owner points up the tree and never owns.
class TBaseObject : public TDebugObject {
public:
    explicit TBaseObject(TBaseObject* owner = nullptr) : Owner(owner) {}
    ~TBaseObject() override = default;

    TBaseObject* Owner = nullptr;

    QString ClassName() const override { return QStringLiteral("TBaseObject"); }
    virtual QString ClassDesc() const { return ClassName(); }
    // Reads the fields; the class-name line has been read already.
    virtual void Load(TTextStr& stream);
    // Writes the class-name line at the indent; overrides then write their fields two spaces deeper.
    virtual void Save(TTextStr& stream, const QString& indent);

    // Reads a class-name line and creates and loads an object of that class with the given owner.
    // An unregistered name is a read error naming the class and the line: the format has no end
    // markers, so the reader could not find the next record anyway.
    static std::unique_ptr<TBaseObject> LoadClass(TTextStr& stream, TBaseObject* owner);
    // As LoadClass, and the object must be a T (a scene list holding an item is a read error).
    template <class T>
    static std::unique_ptr<T> LoadClassAs(TTextStr& stream, TBaseObject* owner);

protected:
    static QString Deeper(const QString& indent) { return indent + QStringLiteral("  "); }
};

// An ordered, owning list of persistent objects.
class TBaseObjectCont {
public:
    TBaseObjectCont() = default;
    TBaseObjectCont(const TBaseObjectCont&) = delete;
    TBaseObjectCont& operator=(const TBaseObjectCont&) = delete;
    virtual ~TBaseObjectCont() { ClearItems(); }

    // Set by the creator when members need to reach it; never owning.
    TBaseObject* Owner = nullptr;

    // Members a list read from a file may have: as many as the browser player takes.
    static constexpr int32_t kMaxLoadCount = 1000000;

    int Count() const { return static_cast<int>(m_items.size() - m_head); }
    bool IsEmpty() const { return m_items.size() == m_head; }
    TBaseObject* At(int i) const
    {
        if (i < 0 || i >= Count())
            throw std::out_of_range("TBaseObjectCont::At");
        return m_items[m_head + static_cast<size_t>(i)].get();
    }
    TBaseObject* operator[](int i) const { return At(i); }
    template <class T>
    T* As(int i) const { return static_cast<T*>(At(i)); }
    // Looks near the previous answer first, so walking a list in order costs no more than the walk.
    int IndexOf(const TBaseObject* o) const;

    TBaseObject* Add(std::unique_ptr<TBaseObject> o);
    TBaseObject* Insert(int index, std::unique_ptr<TBaseObject> o);
    // Takes a member out of the list without destroying it.
    std::unique_ptr<TBaseObject> Extract(int index);
    std::unique_ptr<TBaseObject> Extract(const TBaseObject* o);
    void Delete(int index) { Extract(index).reset(); }
    void Move(int from, int to);
    void Swap(int i, int j) { std::swap(m_items.at(m_head + size_t(i)), m_items.at(m_head + size_t(j))); }
    // Orders the members by `less`; members that compare equal keep their order. A list in
    // order already is left as it is.
    template <class Less>
    void StableSort(Less less);

    // Destroys the members first to last; each is out of the list when its destructor runs.
    void ClearItems();

    // Each member's ClassDesc with the member beside it, in list order.
    void PutInListBox(QStringList& lines, QList<TBaseObject*>& objects) const;
    TBaseObject* FindDesc(const QString& desc) const;

    // A count line, then that many records. While a member loads, its slot is already counted.
    void Load(TTextStr& stream, TBaseObject* owner);
    template <class T>
    void LoadOf(TTextStr& stream, TBaseObject* owner);
    void Save(TTextStr& stream, const QString& indent);

    auto begin() const { return m_items.begin() + std::ptrdiff_t(m_head); }
    auto end() const { return m_items.end(); }

private:
    using Accept = std::function<bool(const TBaseObject*)>;
    void LoadChecked(TTextStr& stream, TBaseObject* owner, const Accept& accept, const QString& expected);

    std::vector<std::unique_ptr<TBaseObject>> m_items;
    // ClearItems takes members from the front; they leave by moving this start, not by shifting
    // the rest of the list each time.
    size_t m_head = 0;
    mutable size_t m_hint = 0;  // where IndexOf last found a member
};

template <class Less>
void TBaseObjectCont::StableSort(Less less)
{
    const auto first = m_items.begin() + std::ptrdiff_t(m_head), last = m_items.end();
    const auto cmp = [&](const std::unique_ptr<TBaseObject>& a, const std::unique_ptr<TBaseObject>& b) {
        return less(a.get(), b.get());
    };
    if (!std::is_sorted(first, last, cmp))
        std::stable_sort(first, last, cmp);
}

// The classes that can be read by name. Each module registers its classes at start-up.
class TClassRegistry {
public:
    using Factory = std::function<std::unique_ptr<TBaseObject>(TBaseObject* owner)>;
    struct ClassRef {
        QString name;
        Factory create;
    };

    static TClassRegistry& instance();

    void Register(const QString& name, Factory create);
    template <class T>
    void Register()
    {
        Register(T::StaticClassName(), [](TBaseObject* owner) { return std::unique_ptr<TBaseObject>(new T(owner)); });
    }
    void Unregister(const QString& name);
    // Exact, case-sensitive.
    const ClassRef* FindClass(const QString& name) const;
    int Count() const { return static_cast<int>(m_classes.size()); }

private:
    std::vector<ClassRef> m_classes;
};

inline TClassRegistry& ClassRegistry() { return TClassRegistry::instance(); }

// ---------------------------------------------------------------------------------------------
[[noreturn]] void ThrowUnexpectedClass(TTextStr& stream, const QString& found, const QString& expected);

template <class T>
std::unique_ptr<T> TBaseObject::LoadClassAs(TTextStr& stream, TBaseObject* owner)
{
    std::unique_ptr<TBaseObject> o = LoadClass(stream, owner);
    if (T* t = dynamic_cast<T*>(o.get())) {
        o.release();
        return std::unique_ptr<T>(t);
    }
    ThrowUnexpectedClass(stream, o->ClassName(), T::StaticClassName());
}

template <class T>
void TBaseObjectCont::LoadOf(TTextStr& stream, TBaseObject* owner)
{
    LoadChecked(stream, owner, [](const TBaseObject* o) { return dynamic_cast<const T*>(o) != nullptr; },
                T::StaticClassName());
}

} // namespace kav

#include "core/baseobject.h"

#include "core/errors.h"
#include "core/textcodec.h"
#include "core/textstr.h"

#include <algorithm>

namespace kav {

namespace {
// Every level of nested records (a scene's items, an item's graphic, a graphic's events...) is a
// level of recursion in the reader. Real projects nest a handful of levels; a damaged or crafted
// file must end in a read error, not run the reader (or later the destructors) out of stack.
constexpr int kMaxNesting = 128;
thread_local int g_nesting = 0;

struct NestingLevel {
    NestingLevel() { ++g_nesting; }
    ~NestingLevel() { --g_nesting; }
    NestingLevel(const NestingLevel&) = delete;
    NestingLevel& operator=(const NestingLevel&) = delete;
};
} // namespace

void TBaseObject::Load(TTextStr&) {}

void TBaseObject::Save(TTextStr& stream, const QString& indent) { stream.WriteString(indent, ClassName()); }

std::unique_ptr<TBaseObject> TBaseObject::LoadClass(TTextStr& stream, TBaseObject* owner)
{
    QString name = stream.ReadString();
    if (IsJapanese() && name == QLatin1String("TItemText"))
        name = QStringLiteral("TItemJapText");
    const TClassRegistry::ClassRef* ref = ClassRegistry().FindClass(name);
    if (!ref)
        stream.Fail(name.isEmpty() ? QStringLiteral("a class name was expected, found an empty line")
                                   : QStringLiteral("unknown class '%1'").arg(name.left(80)));
    if (g_nesting >= kMaxNesting)
        stream.Fail(QStringLiteral("records are nested more than %1 levels deep").arg(kMaxNesting));
    std::unique_ptr<TBaseObject> o = ref->create(owner);
    const NestingLevel level;
    o->Load(stream);
    return o;
}

[[noreturn]] void ThrowUnexpectedClass(TTextStr& stream, const QString& found, const QString& expected)
{
    stream.Fail(QStringLiteral("a %1 record was expected, found %2").arg(expected, found));
}

// ---------------------------------------------------------------------------------------------
int TBaseObjectCont::IndexOf(const TBaseObject* o) const
{
    const size_t n = m_items.size();
    if (m_hint < m_head || m_hint >= n)
        m_hint = m_head;
    // Callers walk lists forwards (saving, numbering) or ask for the same member again.
    for (size_t i = m_hint; i < n && i < m_hint + 2; ++i)
        if (m_items[i].get() == o) {
            m_hint = i;
            return static_cast<int>(i - m_head);
        }
    for (size_t i = m_head; i < n; ++i)
        if (m_items[i].get() == o) {
            m_hint = i;
            return static_cast<int>(i - m_head);
        }
    return -1;
}

TBaseObject* TBaseObjectCont::Add(std::unique_ptr<TBaseObject> o)
{
    m_items.push_back(std::move(o));
    return m_items.back().get();
}

TBaseObject* TBaseObjectCont::Insert(int index, std::unique_ptr<TBaseObject> o)
{
    index = std::clamp(index, 0, Count());
    auto it = m_items.insert(m_items.begin() + std::ptrdiff_t(m_head) + index, std::move(o));
    return it->get();
}

std::unique_ptr<TBaseObject> TBaseObjectCont::Extract(int index)
{
    if (index < 0 || index >= Count())
        return nullptr;
    const auto at = m_items.begin() + std::ptrdiff_t(m_head) + index;
    std::unique_ptr<TBaseObject> o = std::move(*at);
    m_items.erase(at);
    return o;
}

std::unique_ptr<TBaseObject> TBaseObjectCont::Extract(const TBaseObject* o) { return Extract(IndexOf(o)); }

void TBaseObjectCont::Move(int from, int to)
{
    if (from < 0 || from >= Count() || to < 0 || to >= Count() || from == to)
        return;
    const auto first = m_items.begin() + std::ptrdiff_t(m_head);
    std::unique_ptr<TBaseObject> o = std::move(*(first + from));
    m_items.erase(first + from);
    m_items.insert(m_items.begin() + std::ptrdiff_t(m_head) + to, std::move(o));
}

void TBaseObjectCont::ClearItems()
{
    // First to last, each out of the list when its destructor runs (a destructor may look at
    // or take members of this list); the taken slots are dropped together at the end.
    while (m_head < m_items.size()) {
        std::unique_ptr<TBaseObject> first = std::move(m_items[m_head]);
        ++m_head;
        first.reset();
    }
    m_items.clear();
    m_items.shrink_to_fit();
    m_head = 0;
    m_hint = 0;
}

void TBaseObjectCont::PutInListBox(QStringList& lines, QList<TBaseObject*>& objects) const
{
    lines.clear();
    objects.clear();
    for (const auto& o : *this) {
        lines.append(o->ClassDesc());
        objects.append(o.get());
    }
}

TBaseObject* TBaseObjectCont::FindDesc(const QString& desc) const
{
    for (const auto& o : *this)
        if (o && o->ClassDesc() == desc)
            return o.get();
    return nullptr;
}

void TBaseObjectCont::Load(TTextStr& stream, TBaseObject* owner) { LoadChecked(stream, owner, {}, {}); }

void TBaseObjectCont::LoadChecked(TTextStr& stream, TBaseObject* owner, const Accept& accept,
                                  const QString& expected)
{
    const int32_t n = stream.ReadInteger();
    if (n < 0)
        stream.Fail(QStringLiteral("a count cannot be negative: %1").arg(n));
    if (n > kMaxLoadCount)
        stream.Fail(QStringLiteral("a list of %1 records is more than the %2 a Kavelin may hold").arg(n).arg(kMaxLoadCount));
    for (int32_t i = 0; i < n; ++i) {
        // The slot is counted while its member loads; it never stays empty after a failure.
        // A member may append to this list while it loads (an add-item action puts its item on
        // the scene), so the slot is found by position, not as the last one.
        const size_t slot = m_items.size();
        m_items.emplace_back();
        try {
            std::unique_ptr<TBaseObject> o = TBaseObject::LoadClass(stream, owner);
            if (accept && !accept(o.get()))
                ThrowUnexpectedClass(stream, o->ClassName(), expected);
            m_items[slot] = std::move(o);
        } catch (...) {
            m_items.erase(m_items.begin() + std::ptrdiff_t(slot));
            throw;
        }
    }
}

void TBaseObjectCont::Save(TTextStr& stream, const QString& indent)
{
    stream.WriteInteger(indent, Count());
    for (const auto& o : *this)
        o->Save(stream, indent);
}

// ---------------------------------------------------------------------------------------------
TClassRegistry& TClassRegistry::instance()
{
    static TClassRegistry registry;
    return registry;
}

void TClassRegistry::Register(const QString& name, Factory create)
{
    for (auto& c : m_classes)
        if (c.name == name) {
            c.create = std::move(create);
            return;
        }
    m_classes.push_back({name, std::move(create)});
}

void TClassRegistry::Unregister(const QString& name)
{
    std::erase_if(m_classes, [&](const ClassRef& c) { return c.name == name; });
}

const TClassRegistry::ClassRef* TClassRegistry::FindClass(const QString& name) const
{
    for (const auto& c : m_classes)
        if (c.name == name)
            return &c;
    return nullptr;
}

} // namespace kav

#include "core/debugobject.h"

#include <QList>
#include <new>
#include <utility>

namespace kav {

namespace {
struct DebugState {
    TDebugObject::Counters counters;
    bool logging = false;
    TDebugObject::LogSink sink;
    // Live objects while logging is on, in creation order; className stays empty until named.
    QList<TDebugObject::LiveEntry> live;
    QList<const TDebugObject*> pending;
};

DebugState& state()
{
    static DebugState s;
    return s;
}

void emitLine(const QString& line)
{
    auto& s = state();
    if (s.sink)
        s.sink(line);
}
} // namespace

void* TDebugObject::operator new(std::size_t size)
{
    void* p = ::operator new(size);
    state().counters.liveBytes += static_cast<int64_t>(size);
    return p;
}

void TDebugObject::operator delete(void* p, std::size_t size) noexcept
{
    state().counters.liveBytes -= static_cast<int64_t>(size);
    ::operator delete(p);
}

TDebugObject::TDebugObject()
{
    auto& s = state();
    if (s.logging)
        FlushCreationLog();
    ++s.counters.live;
    ++s.counters.created;
    m_creationNo = static_cast<int32_t>(s.counters.created);
    if (s.logging) {
        s.live.append({this, m_creationNo, QString()});
        s.pending.append(this);
    }
}

TDebugObject::TDebugObject(const TDebugObject&) : TDebugObject() {}

TDebugObject::~TDebugObject()
{
    auto& s = state();
    --s.counters.live;
    if (!s.logging)
        return;
    // Objects other than this one are complete: name them before this line is logged.
    s.pending.removeOne(this);
    FlushCreationLog();
    for (qsizetype i = 0; i < s.live.size(); ++i) {
        if (s.live[i].creationNo == m_creationNo) {
            QString name = s.live[i].className;
            if (name.isEmpty()) {
                // Created and destroyed before anything could name it.
                name = QStringLiteral("object");
                emitLine(QStringLiteral("Created %1 # %2").arg(name).arg(m_creationNo));
            }
            s.live.removeAt(i);
            emitLine(QStringLiteral("Destroyed %1 # %2").arg(name).arg(m_creationNo));
            break;
        }
    }
}

TDebugObject::Counters TDebugObject::counters() { return state().counters; }

void TDebugObject::SetLogSink(LogSink sink) { state().sink = std::move(sink); }

void TDebugObject::SetCreationLogging(bool on)
{
    auto& s = state();
    if (!on) {
        FlushCreationLog();
        s.live.clear();
        s.pending.clear();
    }
    s.logging = on;
}

bool TDebugObject::CreationLogging() { return state().logging; }

void TDebugObject::FlushCreationLog()
{
    auto& s = state();
    const auto pending = std::exchange(s.pending, {});
    for (const TDebugObject* o : pending) {
        const QString name = o->ClassName();
        for (auto& e : s.live) {
            if (e.object == o && e.className.isEmpty()) {
                e.className = name;
                emitLine(QStringLiteral("Created %1 # %2").arg(name).arg(e.creationNo));
                break;
            }
        }
    }
}

QList<TDebugObject::LiveEntry> TDebugObject::LiveObjects()
{
    FlushCreationLog();
    return state().live;
}

} // namespace kav

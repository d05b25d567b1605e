#pragma once
#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <functional>

namespace kav {

// Root of every document object. It counts live objects, objects ever created and the bytes of
// live objects, and, while creation logging is on, keeps a list of live objects and logs each
// creation and destruction to a sink (the debug window attaches one).
class TDebugObject {
public:
    TDebugObject();
    TDebugObject(const TDebugObject&);
    TDebugObject& operator=(const TDebugObject&) { return *this; }
    virtual ~TDebugObject();

    // Value of the creation counter just after this object was counted; the first object is 1.
    int32_t CreationNo() const { return m_creationNo; }

    // Name of the object's class as the data files spell it ("TScene").
    virtual QString ClassName() const { return QStringLiteral("TDebugObject"); }

    // Sizes are counted where the object is allocated: the allocator knows the real instance size.
    static void* operator new(std::size_t size);
    static void operator delete(void* p, std::size_t size) noexcept;

    struct Counters {
        int64_t live = 0;
        int64_t created = 0;
        int64_t liveBytes = 0;
    };
    static Counters counters();

    struct LiveEntry {
        const TDebugObject* object;
        int32_t creationNo;
        QString className;
    };

    using LogSink = std::function<void(const QString& line)>;
    static void SetLogSink(LogSink sink);
    static void SetCreationLogging(bool on);
    static bool CreationLogging();
    // Class names are only known once construction has finished, so "Created" lines wait in a
    // queue until the next creation, destruction or explicit flush names them.
    static void FlushCreationLog();
    static QList<LiveEntry> LiveObjects();

private:
    int32_t m_creationNo = 0;
};

} // namespace kav

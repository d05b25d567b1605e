// Fuzzes the library index reader: TRifIndex::Parse of arbitrary bytes, with the data file's size
// taken from the input (its first two bytes) or unknown.
//
// A run aborts when
//  - anything is thrown (the reader reports with false and a reason, never by exception),
//  - a refusal leaves entries behind or gives no reason,
//  - an accepted index holds an entry with a negative offset or size, or one that lies beyond
//    the data file's size,
//  - an entry cannot be found by its name, or a name's look-up does not give its first line.
#include "media/library.h"

#include <QByteArray>
#include <QSet>
#include <QString>

#include <cstdio>
#include <cstdlib>

using namespace kav;

namespace {
[[noreturn]] void violation(const QString& what)
{
    std::fprintf(stderr, "fuzz_rifindex: %s\n", qPrintable(what));
    std::fflush(stderr);
    std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    qint64 dataSize = -1;
    if (size >= 2 && data[0] == 'S')
        dataSize = data[1] * 64;
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    TRifIndex index;
    QString reason;
    bool ok = false;
    try {
        ok = index.Parse(bytes, dataSize, &reason);
    } catch (...) {
        violation(QStringLiteral("an exception escaped"));
    }
    if (!ok) {
        if (index.Count() != 0 || reason.isEmpty())
            violation(QStringLiteral("refused with %1 entries, reason '%2'").arg(index.Count()).arg(reason));
        return 0;
    }
    QSet<QString> seen;
    for (const TRifEntry& e : index.Entries()) {
        if (e.Offset < 0 || e.Size < 0)
            violation(QStringLiteral("'%1' at %2, %3 bytes").arg(e.Name).arg(e.Offset).arg(e.Size));
        if (dataSize >= 0 && e.Offset + e.Size > dataSize)
            violation(QStringLiteral("'%1' ends at %2 beyond %3").arg(e.Name).arg(e.Offset + e.Size).arg(dataSize));
        const TRifEntry* found = index.Find(e.Name);
        if (!found)
            violation(QStringLiteral("'%1' is not found").arg(e.Name));
        if (!seen.contains(e.Name) && found != &e)
            violation(QStringLiteral("'%1' finds a later line").arg(e.Name));
        seen.insert(e.Name);
    }
    return 0;
}

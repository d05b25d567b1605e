// Fuzzes the magazine index reader: ParseMagazineIndex of arbitrary bytes for each of the three
// magazines, and the index written back from what was read.
//
// A run aborts when
//  - anything is thrown (a damaged record is reported in Problems, never by exception),
//  - a record read has a name or file name that leaves the magazine's folder, two records share
//    a name (letter case ignored), an animation has fewer than one frame, or a record is not of
//    its magazine's class,
//  - the index written from the records does not read back into the same records without
//    problems.
#include "core/limits.h"
#include "media/magazine.h"

#include <QByteArray>
#include <QSet>
#include <QString>

#include <cstdio>
#include <cstdlib>

using namespace kav;

namespace {
[[noreturn]] void violation(const QString& what)
{
    std::fprintf(stderr, "fuzz_magazineindex: %s\n", qPrintable(what));
    std::fflush(stderr);
    std::abort();
}

QStringList fields(const TBaseMediaDB& r)
{
    QStringList f{r.Origin, r.Format, r.FileName, r.Name, r.Kind, QString::number(r.Size), r.Partner,
                  r.Deleted ? QStringLiteral("1") : QStringLiteral("0")};
    if (const auto* s = dynamic_cast<const TSoundDB*>(&r))
        f << QString::number(s->Length, 'g', 12) << QString::number(s->Rate) << QString::number(s->Bits) << QString::number(s->Channels);
    if (const auto* i = dynamic_cast<const TImageDB*>(&r))
        f << QString::number(i->Width) << QString::number(i->Height) << QString::number(i->Depth);
    if (const auto* a = dynamic_cast<const TAnimDB*>(&r))
        f << QString::number(a->FrameWidth) << QString::number(a->FrameHeight) << QString::number(a->Frames);
    return f;
}

void check(const QByteArray& bytes, TMagazineType type)
{
    TMagazineIndex index;
    try {
        index = ParseMagazineIndex(bytes, type);
    } catch (...) {
        violation(QStringLiteral("an exception escaped"));
    }
    QSet<QString> names;
    for (const auto& r : index.Records) {
        if (!Limits::IsPlainMediaName(r->Name) || !Limits::IsPlainMediaName(r->FileName) || r->FileName.contains(QLatin1Char('\\')))
            violation(QStringLiteral("the record '%1' names the file '%2'").arg(r->Name, r->FileName));
        if (names.contains(r->Name.toLower()))
            violation(QStringLiteral("'%1' twice").arg(r->Name));
        names.insert(r->Name.toLower());
        const bool right = type == TMagazineType::Sound ? dynamic_cast<TSoundDB*>(r.get()) != nullptr
                           : type == TMagazineType::Anim ? dynamic_cast<TAnimDB*>(r.get()) != nullptr
                                                         : dynamic_cast<TImageDB*>(r.get()) && !dynamic_cast<TAnimDB*>(r.get());
        if (!right)
            violation(QStringLiteral("'%1' is of the wrong class").arg(r->Name));
        if (const auto* a = dynamic_cast<TAnimDB*>(r.get()); a && a->Frames < 1)
            violation(QStringLiteral("'%1' has %2 frames").arg(r->Name).arg(a->Frames));
    }
    // Text that holds line breaks cannot be written as one line: those records are not compared.
    for (const auto& r : index.Records)
        for (const QString& f : fields(*r))
            if (f.contains(QLatin1Char('\n')) || f.contains(QLatin1Char('\r')))
                return;
    if (index.LastDir.contains(QLatin1Char('\r')))
        return;
    const QByteArray written = WriteMagazineIndex(index.Records, type, index.LastDir);
    const TMagazineIndex again = ParseMagazineIndex(written, type);
    if (!again.Problems.isEmpty())
        violation(QStringLiteral("the written index has problems: %1 (magazine %2; written: %3)")
                      .arg(again.Problems.first()).arg(int(type)).arg(QString::fromLatin1(written.left(600).toPercentEncoding())));
    if (again.Records.size() != index.Records.size())
        violation(QStringLiteral("%1 records written, %2 read").arg(index.Records.size()).arg(again.Records.size()));
    for (size_t i = 0; i < index.Records.size(); ++i)
        if (fields(*again.Records[i]) != fields(*index.Records[i]))
            violation(QStringLiteral("record %1 reads back as [%2], not [%3]").arg(i).arg(fields(*again.Records[i]).join('|'), fields(*index.Records[i]).join('|')));
    if (again.LastDir != index.LastDir)
        violation(QStringLiteral("LAST_DIR '%1' reads back as '%2'").arg(index.LastDir, again.LastDir));
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    check(bytes, TMagazineType::Image);
    check(bytes, TMagazineType::Anim);
    check(bytes, TMagazineType::Sound);
    return 0;
}

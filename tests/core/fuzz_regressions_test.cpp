// Inputs that the fuzz targets (fuzz/) found to break a reader, kept so the fault stays fixed.
#include "core/baseobject.h"
#include "core/errors.h"
#include "core/textstr.h"
#include "recordclasses.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace kav;
using namespace kavtest;

namespace {
// A scene whose one item's graphic holds, in its event list, a graphic holding a graphic ...
// `levels` deep; the last list is cut off, so the file ends inside the innermost record.
QByteArray nestedScene(int levels)
{
    QByteArray b = "TScene\r\nS\r\nTStage\r\n1\r\n2\r\n\r\n3\r\n4\r\n0\r\n5\r\n1\r\n";
    for (int i = 0; i < levels; ++i)
        b += "TItemImage\r\n1\r\n";
    return b;
}

// The same, closed properly: every event list after the innermost holds one graphic.
QByteArray closedNestedScene(int levels)
{
    QByteArray b = "TScene\r\nS\r\nTStage\r\n1\r\n2\r\n\r\n3\r\n4\r\n0\r\n5\r\n1\r\n";
    for (int i = 0; i < levels - 1; ++i)
        b += "TItemImage\r\n1\r\n";
    b += "TItemImage\r\n0\r\nlib\r\nname\r\n";
    for (int i = 0; i < levels - 1; ++i)
        b += "lib\r\nname\r\n";
    return b;
}

QString writeTemp(const QTemporaryDir& dir, const QByteArray& bytes)
{
    const QString path = dir.filePath(QStringLiteral("Card.dat"));
    QFile f(path);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(bytes);
    return path;
}

QStringList memoryLines(const QByteArray& bytes)
{
    QStringList lines = QString::fromLatin1(bytes).split(QStringLiteral("\r\n"));
    lines.removeLast();
    return lines;
}
} // namespace

// fuzz_textstream: records nested 100000 deep (a 1.5 MB data file) ran the reader out of stack.
// Deep nesting is now a read error naming the line, in both streams, and it leaves the reader
// usable; nesting as deep as real projects go still reads.
TEST(FuzzRegressions, DeeplyNestedRecordsAreAReadErrorNotAStackOverflow)
{
    RegistryGuard guard(RecordClassNames());
    RegisterRecordClasses();
    QTemporaryDir dir;

    TTextStrFile file(writeTemp(dir, nestedScene(100000)));
    file.OpenRead();
    try {
        TBaseObject::LoadClass(file, nullptr);
        FAIL() << "a scene nested 100000 deep was read";
    } catch (const ReadError& e) {
        EXPECT_GT(e.line(), 12);
        EXPECT_LT(e.line(), 1000);
        EXPECT_TRUE(e.reason().contains(QStringLiteral("nested"))) << e.message().toStdString();
    }

    TTextStrMem mem;
    mem.Lines = memoryLines(nestedScene(100000));
    mem.OpenRead();
    EXPECT_THROW(TBaseObject::LoadClass(mem, nullptr), ReadError);

    // After the failures the depth count is back at zero: a file of ordinary depth reads, twice.
    for (int pass = 0; pass < 2; ++pass) {
        TTextStrFile ok(writeTemp(dir, closedNestedScene(20)));
        ok.OpenRead();
        std::unique_ptr<TBaseObject> scene = TBaseObject::LoadClass(ok, nullptr);
        ASSERT_TRUE(scene);
        EXPECT_TRUE(ok.AtEnd());
        const auto* item = static_cast<TestScene*>(scene.get())->items.As<TestImage>(0);
        int depth = 1;
        while (item->UserEvents.Count() == 1) {
            item = item->UserEvents.As<TestImage>(0);
            ++depth;
        }
        EXPECT_EQ(depth, 20);
    }
}

// Fuzzes the path-file reader: TMotionPath::LoadPathFileText on the text of the input, and
// LoadPathFile on the same bytes as a file. The path loaded into starts as one of three item
// paths (picked by the input's length): a single point at the stage centre, a curve near the
// top-right end of the coordinate range and a closed loop near the bottom-left end, so the shift
// onto the item's start reaches the clamping at both ends.
//
// A run aborts when
//  - anything but kav::UserError is thrown (an uncaught exception ends the process),
//  - a refused file changed the path in any way,
//  - the text and the file reader disagree (one refuses what the other reads, or they read
//    different paths),
//  - a path read is not whole: an odd number of points, 12 samples per segment plus one,
//    a length for every sample, never decreasing,
//  - the path written (PathFileText, in the short and the long layout) does not read back into
//    the same path, or differs from what SavePathFile writes.
#include "config/settings.h"
#include "core/errors.h"
#include "core/textcodec.h"
#include "document/motionpath.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <unistd.h>

using namespace kav;

namespace {

[[noreturn]] void violation(const QString& what)
{
    std::fprintf(stderr, "fuzz_pathfile: %s\n", qPrintable(what));
    std::fflush(stderr);
    std::abort();
}

struct Scratch {
    QString root, input, saved;
    Scratch()
    {
        QString base = QString::fromLocal8Bit(qgetenv("KAV_FUZZ_TMPDIR"));
        if (base.isEmpty())
            base = access("/dev/shm", W_OK) == 0 ? QStringLiteral("/dev/shm") : QDir::tempPath();
        QByteArray tmpl = QFile::encodeName(base + QStringLiteral("/kav-fuzz-pathfile-XXXXXX"));
        if (!mkdtemp(tmpl.data()))
            violation(QStringLiteral("cannot create a temporary folder in %1").arg(base));
        root = QFile::decodeName(tmpl);
        input = root + QStringLiteral("/in.pth");
        saved = root + QStringLiteral("/saved.pth");
    }
    ~Scratch() { QDir(root).removeRecursively(); }
};

Scratch& scratch()
{
    static Scratch s;
    return s;
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        violation(QStringLiteral("cannot write %1").arg(path));
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        violation(QStringLiteral("cannot read %1").arg(path));
    return f.readAll();
}

TMotionPath startingPath(size_t pick)
{
    TMotionPath p;
    p.RepeatCount = 2;
    p.Speed = 7;
    p.EndPause = 3;
    switch (pick % 3) {
    case 0:
        p.PathPoints = {TStagePoint(234, 60)};
        break;
    case 1:
        p.PathPoints = {TStagePoint(32700, 32760), TStagePoint(32767, 32000), TStagePoint(32767, 32767)};
        p.PathType = adtReturn;
        break;
    default:
        p.PathPoints = {TStagePoint(-32760, -32700), TStagePoint(-32000, -32768), TStagePoint(-32768, -32000),
                        TStagePoint(-32700, -32700), TStagePoint(-32760, -32700)};
        p.PathType = adtLoop;
        p.ClosedByType = true;
        p.ClosedPoint = TStagePoint(-32700, -32700);
        break;
    }
    p.Resample();
    return p;
}

// Everything a path file can change, and what it must leave alone.
bool samePath(const TMotionPath& a, const TMotionPath& b)
{
    return a.PathPoints == b.PathPoints && a.PathSamples == b.PathSamples && a.PathLengths == b.PathLengths &&
           a.RepeatCount == b.RepeatCount && a.PathType == b.PathType && a.Speed == b.Speed &&
           a.EndPause == b.EndPause && a.ClosedByType == b.ClosedByType && a.ClosedPoint == b.ClosedPoint;
}

QString describe(const TMotionPath& p)
{
    QString points;
    for (qsizetype i = 0; i < p.PathPoints.size() && i < 8; ++i)
        points += QStringLiteral(" (%1,%2)").arg(p.PathPoints[i].x).arg(p.PathPoints[i].y);
    return QStringLiteral("type %1, repeat %2, %3 points%4%5, %6 samples")
        .arg(p.PathType)
        .arg(p.RepeatCount)
        .arg(p.PathPoints.size())
        .arg(points, p.PathPoints.size() > 8 ? QStringLiteral(" ...") : QString())
        .arg(p.PathSamples.size());
}

// Returns whether the reader accepted; a refusal must leave the path exactly as it was.
bool load(TMotionPath& path, const std::function<void(TMotionPath&)>& reader, const char* what)
{
    const TMotionPath before = path;
    try {
        reader(path);
        return true;
    } catch (const UserError&) {
        if (!samePath(path, before))
            violation(QStringLiteral("%1 refused the file but changed the path to %2").arg(QLatin1String(what), describe(path)));
        return false;
    }
}

void checkWhole(const TMotionPath& p)
{
    const qsizetype n = p.PathPoints.size();
    if (n % 2 == 0 || p.PathType > adtReturn || p.RepeatCount < -1 || p.ClosedByType)
        violation(QStringLiteral("the path read is not whole: %1").arg(describe(p)));
    const qsizetype samples = n >= 3 ? 12 * ((n - 1) / 2) + 1 : 0;
    if (p.PathSamples.size() != samples || p.PathLengths.size() != samples)
        violation(QStringLiteral("the path read has %1 samples and %2 lengths: %3")
                      .arg(p.PathSamples.size())
                      .arg(p.PathLengths.size())
                      .arg(describe(p)));
    for (qsizetype i = 1; i < p.PathLengths.size(); ++i)
        if (p.PathLengths[i] < p.PathLengths[i - 1])
            violation(QStringLiteral("the path's lengths decrease at sample %1").arg(i));
}

// The path written in one layout reads back into a copy of itself without changing it.
void checkRoundTrip(const Scratch& s, const TMotionPath& path, int magic)
{
    settings().MAgicNumber = magic;
    const QByteArray text = path.PathFileText();
    path.SavePathFile(s.saved);
    if (readFile(s.saved) != text)
        violation(QStringLiteral("PathFileText and SavePathFile differ (magic %1)").arg(magic));
    TMotionPath again = path;
    if (!load(again, [&](TMotionPath& p) { p.LoadPathFileText(QStringLiteral("saved.pth"), QString::fromUtf8(text)); },
              "reading back"))
        violation(QStringLiteral("a path we wrote (magic %1) does not read back: %2").arg(magic).arg(describe(path)));
    if (!samePath(again, path))
        violation(QStringLiteral("a path written with magic %1 read back as %2 instead of %3")
                      .arg(magic)
                      .arg(describe(again), describe(path)));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const Scratch& s = scratch();
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    writeFile(s.input, bytes);

    const TMotionPath start = startingPath(size);
    TMotionPath fromText = start;
    const bool textRead = load(
        fromText, [&](TMotionPath& p) { p.LoadPathFileText(QStringLiteral("in.pth"), DecodeText(bytes)); }, "LoadPathFileText");
    TMotionPath fromFile = start;
    const bool fileRead = load(fromFile, [&](TMotionPath& p) { p.LoadPathFile(s.input); }, "LoadPathFile");

    if (textRead != fileRead)
        violation(QStringLiteral("LoadPathFileText %1 the file, LoadPathFile %2 it")
                      .arg(textRead ? QStringLiteral("read") : QStringLiteral("refused"),
                           fileRead ? QStringLiteral("read") : QStringLiteral("refused")));
    if (!textRead)
        return 0;
    if (!samePath(fromText, fromFile))
        violation(QStringLiteral("LoadPathFileText read %1, LoadPathFile %2").arg(describe(fromText), describe(fromFile)));
    checkWhole(fromText);
    checkRoundTrip(s, fromText, 0);
    checkRoundTrip(s, fromText, 911111);
    return 0;
}

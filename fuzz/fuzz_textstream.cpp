// Fuzzes the data-file reader: the bytes are a project's "Card.dat", read with ReadCardData
// (file stream, record classes laid out like the real scene, stage and item records), and the
// same lines are read again through the memory stream as a copied record.
//
// A run aborts when
//  - anything but kav::UserError is thrown (an uncaught exception ends the process),
//  - a data file that was read cannot be written and read back with the same scenes and lines,
//  - a line the memory stream reads as an integer reads differently (or not at all) from the file,
//  - a record read from memory does not read back from its own memory copy.
// The last byte of the input picks the language (odd: Japanese), which decides the code page of
// legacy text and how text records load.
#include "core/baseobject.h"
#include "core/errors.h"
#include "core/textcodec.h"
#include "core/textstr.h"
#include "document/project.h"
#include "recordclasses.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

using namespace kav;

namespace {

[[noreturn]] void violation(const QString& what)
{
    std::fprintf(stderr, "fuzz_textstream: %s\n", qPrintable(what));
    std::fflush(stderr);
    std::abort();
}

// KAV_FUZZ_VERBOSE=1 tells what each input did, for looking at seeds and findings.
bool verbose()
{
    static const bool on = qEnvironmentVariableIsSet("KAV_FUZZ_VERBOSE");
    return on;
}

struct Scratch {
    QString root, card, again;
    Scratch()
    {
        QString base = QString::fromLocal8Bit(qgetenv("KAV_FUZZ_TMPDIR"));
        if (base.isEmpty())
            base = access("/dev/shm", W_OK) == 0 ? QStringLiteral("/dev/shm") : QDir::tempPath();
        QByteArray tmpl = QFile::encodeName(base + QStringLiteral("/kav-fuzz-textstream-XXXXXX"));
        if (!mkdtemp(tmpl.data()))
            violation(QStringLiteral("cannot create a temporary folder in %1").arg(base));
        root = QFile::decodeName(tmpl);
        card = root + QStringLiteral("/Card.dat");
        again = root + QStringLiteral("/Again.dat");
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

qsizetype lineCount(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        violation(QStringLiteral("cannot read %1").arg(path));
    return f.readAll().count("\r\n");
}

// The file's lines as the file stream splits them: at CR LF, CR or LF.
QStringList splitLines(const QString& text)
{
    QStringList lines;
    const qsizetype n = text.size();
    qsizetype pos = 0;
    while (pos < n) {
        qsizetype end = pos;
        while (end < n && text[end] != QLatin1Char('\n') && text[end] != QLatin1Char('\r'))
            ++end;
        lines.append(text.mid(pos, end - pos));
        if (end < n && text[end] == QLatin1Char('\r'))
            ++end;
        if (end < n && text[end] == QLatin1Char('\n'))
            ++end;
        pos = end;
    }
    return lines;
}

SceneHooks sceneHooks()
{
    SceneHooks hooks;
    hooks.sceneClass = QStringLiteral("TScene");
    return hooks;
}

// A data file that was read is written and read again: same scene count, same number of lines.
void checkDataFile(const Scratch& s)
{
    CardData card;
    try {
        ReadCardData(s.card, card, sceneHooks());
    } catch (const UserError& e) {
        if (verbose())
            std::fprintf(stderr, "data file refused: %s\n", qPrintable(e.message()));
        return;
    }
    if (verbose())
        std::fprintf(stderr, "data file read: %d scenes\n", card.Scenes.Count());
    WriteCardData(s.again, card.StageWidth, card.StageHeight, card.Scenes);
    CardData second;
    try {
        ReadCardData(s.again, second, sceneHooks());
    } catch (const UserError& e) {
        violation(QStringLiteral("a data file we wrote does not read back: %1").arg(e.message()));
    }
    if (second.StageWidth != card.StageWidth || second.StageHeight != card.StageHeight ||
        second.Scenes.Count() != card.Scenes.Count())
        violation(QStringLiteral("the data file read back with other stage size or scene count"));
    const qsizetype firstLines = lineCount(s.again);
    WriteCardData(s.again, second.StageWidth, second.StageHeight, second.Scenes);
    if (lineCount(s.again) != firstLines)
        violation(QStringLiteral("writing the data file again changed its number of lines"));
}

// The memory stream's integers are whole lines; the file stream must read each of them the same.
void checkIntegers(const Scratch& s, const QStringList& lines)
{
    TTextStrFile file(s.card);
    file.OpenRead();
    TTextStrMem mem;
    mem.Lines = lines;
    mem.OpenRead();
    for (qsizetype i = 0; i < lines.size(); ++i) {
        bool fileOk = true;
        bool memOk = true;
        int32_t fromFile = 0;
        int32_t fromMem = 0;
        try {
            fromFile = file.ReadInteger();
        } catch (const UserError&) {
            fileOk = false;
        }
        try {
            fromMem = mem.ReadInteger();
        } catch (const UserError&) {
            memOk = false;
        }
        if (file.LineNumber() != i + 1 || mem.Position != i + 1)
            violation(QStringLiteral("the streams lost step at line %1").arg(i + 1));
        if (memOk && (!fileOk || fromFile != fromMem))
            violation(QStringLiteral("line %1 '%2' reads as %3 from memory but not from the file")
                          .arg(i + 1)
                          .arg(lines[i].left(80))
                          .arg(fromMem));
    }
    if (!file.AtEnd())
        violation(QStringLiteral("the file stream has lines after the last one"));
}

// The lines without their indent are a record as a copy in memory holds it (after the data file's
// four header lines when they are there); a clipboard copy adds x, y and a flag after the record.
void checkMemoryRecord(QStringList lines)
{
    for (QString& l : lines) {
        qsizetype i = 0;
        while (i < l.size() && l[i] == QLatin1Char(' '))
            ++i;
        l.remove(0, i);
    }
    if (!lines.isEmpty() && lines[0].startsWith(QLatin1String("Ver")))
        lines = lines.mid(4);

    TTextStrMem mem;
    mem.Lines = lines;
    std::unique_ptr<TBaseObject> object;
    try {
        object = ReadFromMemory(mem, nullptr);
        mem.ReadInteger();
        mem.ReadInteger();
        mem.ReadBoolean();
    } catch (const UserError& e) {
        if (verbose())
            std::fprintf(stderr, "memory record: %s\n", qPrintable(e.message()));
    }
    if (!object)
        return;
    std::unique_ptr<TTextStrMem> copy = WriteToMemory(*object, smProject);
    std::unique_ptr<TBaseObject> again;
    try {
        again = ReadFromMemory(*copy, nullptr);
    } catch (const UserError& e) {
        violation(QStringLiteral("a memory copy does not read back: %1").arg(e.message()));
    }
    if (again->ClassName() != object->ClassName() || copy->Position != copy->Lines.size())
        violation(QStringLiteral("a memory copy read back as another record"));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    kavtest::RegisterRecordClasses();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Scratch& s = scratch();
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    SetCurrentLanguage(size > 0 && (data[size - 1] & 1) ? QStringLiteral("JAPANESE") : QStringLiteral("ENGLISH"));
    writeFile(s.card, bytes);

    checkDataFile(s);
    const QStringList lines = splitLines(DecodeText(bytes));
    checkIntegers(s, lines);
    checkMemoryRecord(lines);
    return 0;
}

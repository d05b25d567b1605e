// kavelins-cli against full disks, odd targets, hostile project files and giant inputs, grouped
// by what is protected: the data on disk, the file system outside the project, the memory.
#include "core/projectcontainer.h"

#include <QDataStream>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "clirun.h"
#include "smalldisk.h"
#include "testfiles.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

using namespace kav;
using kavtest::get;
using kavtest::put;
using kavtest::SmallDisk;

using kavtest::cli;
using kavtest::CliRun;
using kavtest::kSample;

namespace {

QByteArray wavHeader(int channels, int rate, int bits, quint32 dataBytes)
{
    QByteArray d;
    QDataStream s(&d, QIODevice::WriteOnly);
    s.setByteOrder(QDataStream::LittleEndian);
    const int block = channels * bits / 8;
    s.writeRawData("RIFF", 4);
    s << quint32(36 + dataBytes);
    s.writeRawData("WAVEfmt ", 8);
    s << quint32(16) << quint16(1) << quint16(channels) << quint32(rate) << quint32(rate * block) << quint16(block)
      << quint16(bits);
    s.writeRawData("data", 4);
    s << dataBytes;
    return d;
}

// A one-second 16-bit stereo sound.
QByteArray wav(int rate = 22050)
{
    QByteArray d = wavHeader(2, rate, 16, quint32(rate) * 4);
    QDataStream s(&d, QIODevice::Append);
    s.setByteOrder(QDataStream::LittleEndian);
    for (int i = 0; i < rate; ++i)
        s << qint16(i * 37) << qint16(-i * 11);
    return d;
}

// The sample with its data file changed: each pair replaces the first line that equals it.
QString craft(const QTemporaryDir& tmp, const QString& name, const QList<QPair<QByteArray, QByteArray>>& lines,
              const std::function<void(const QString& dir)>& more = {})
{
    const QString dir = tmp.filePath(name + ".d");
    ProjectContainer::Unpack(kSample, dir, {}, true);
    QList<QByteArray> card = get(dir + "/Card.dat").split('\n');
    for (const auto& [from, to] : lines) {
        const qsizetype at = card.indexOf(from + '\r');
        EXPECT_GE(at, 0) << from.constData();
        if (at >= 0)
            card[at] = to + '\r';
    }
    put(dir + "/Card.dat", card.join('\n'));
    if (more)
        more(dir);
    const QString plt = tmp.filePath(name + ".plt");
    ProjectContainer::Pack(dir, plt);
    return plt;
}

QByteArray entry(const QByteArray& path, const QByteArray& bytes)
{
    QByteArray h = path + ';' + QByteArray::number(bytes.size()) + ';';
    h.append(525 - h.size(), ' ');
    return h + bytes;
}

QStringList filesBelow(const QString& dir)
{
    QStringList out;
    QDirIterator it(dir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        out << QDir(dir).relativeFilePath(it.next());
    out.sort();
    return out;
}
} // namespace

// --- The data on disk: a full disk, a target that is no file, a read-only disk ------------------

TEST(DataOnDisk, EveryWriterKeepsThePreviousFileWhenTheDiskIsFull)
{
    SmallDisk disk(2 * 1024 * 1024);
    KAV_NEEDS_SMALL_DISK(disk);
    QTemporaryDir tmp;
    put(tmp.filePath("in.wav"), wav());
    ProjectContainer::Unpack(kSample, tmp.filePath("work"), {}, true);

    const QList<QPair<QString, QStringList>> writers = {
        {"out.plt", {"save", kSample}},
        {"packed.plt", {"pack", tmp.filePath("work")}},
        {"out.au", {"au", tmp.filePath("in.wav")}},
        {"frame.png", {"render", kSample, "--frame", "20", "-o"}},
        {"frame.gif", {"render", kSample, "--frame", "20", "-o"}},
        {"trace.jsonl", {"play", kSample, "--frames", "400", "--trace"}},
    };
    for (const auto& [target, args] : writers)
        put(disk.path(target), "previous " + target.toUtf8());
    disk.fillLeaving(0);
    for (const auto& [target, args] : writers) {
        const CliRun r = cli(QStringList(args) << disk.path(target));
        EXPECT_EQ(r.code, 1) << target.toStdString();
        EXPECT_TRUE(r.err.contains("Not enough disk space for saving " + disk.path(target).toUtf8())) << r.err.constData();
        EXPECT_EQ(get(disk.path(target)), "previous " + target.toUtf8()) << target.toStdString();
    }
    EXPECT_TRUE(disk.leftovers().isEmpty()) << disk.leftovers().join(' ').toStdString();
}

TEST(DataOnDisk, FramesAndExportFilesAreWholeOrMissing)
{
    SmallDisk disk(1024 * 1024);
    KAV_NEEDS_SMALL_DISK(disk);
    QTemporaryDir tmp;
    ASSERT_EQ(cli({"export", kSample, tmp.filePath("ref/show.html")}).code, 0);

    // Room for some frames, not for all of them.
    disk.fillLeaving(64 * 1024);
    CliRun r = cli({"play", kSample, "--frames", "200", "--png-dir", disk.path("frames")});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("Not enough disk space for saving")) << r.err.constData();
    EXPECT_FALSE(filesBelow(disk.path("frames")).isEmpty());
    for (const QString& f : filesBelow(disk.path("frames")))
        EXPECT_EQ(QImage(disk.path("frames/" + f)).size(), QSize(468, 120)) << f.toStdString();
    QDir(disk.path("frames")).removeRecursively();

    // More than the export's own check asks for, less than the export needs.
    r = cli({"export", kSample, disk.path("show.html")});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("Not enough disk space for saving")) << r.err.constData();
    for (const QString& f : filesBelow(disk.path("show")))
        EXPECT_EQ(get(disk.path("show/" + f)), get(tmp.filePath("ref/show/" + f))) << f.toStdString();

    // Unpacking finds out before it writes the first file.
    r = cli({"unpack", kSample, disk.path("unpacked")});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("was not unpacked: it needs")) << r.err.constData();
    EXPECT_FALSE(QFileInfo::exists(disk.path("unpacked")));
}

TEST(DataOnDisk, ATargetThatIsNoFileIsRefusedAndLeftAlone)
{
    QTemporaryDir tmp;
    QDir(tmp.path()).mkdir("folder.plt");
    ASSERT_EQ(::mkfifo(QFile::encodeName(tmp.filePath("pipe.plt")).constData(), 0600), 0);
    CliRun r = cli({"save", kSample, tmp.filePath("folder.plt")});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(tmp.filePath("folder.plt").toUtf8() + ": it is a folder")) << r.err.constData();
    r = cli({"render", kSample, "-o", tmp.filePath("pipe.plt")});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("it is a named pipe, not a file")) << r.err.constData();
    EXPECT_TRUE(QFileInfo(tmp.filePath("folder.plt")).isDir());
    EXPECT_FALSE(QFileInfo(tmp.filePath("pipe.plt")).isFile());

    SmallDisk disk(64 * 1024);
    KAV_NEEDS_SMALL_DISK(disk);
    // A device node of its own: as root, writing it would have replaced it.
    ASSERT_EQ(::mknod(QFile::encodeName(disk.path("null")).constData(), S_IFCHR | 0666, makedev(1, 3)), 0);
    put(tmp.filePath("in.wav"), wav(8012));
    r = cli({"au", tmp.filePath("in.wav"), disk.path("null")});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("it is a device, not a file")) << r.err.constData();
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(disk.path("null")).constData(), &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
}

TEST(DataOnDisk, MessagesSayTheTrueReason)
{
    QTemporaryDir tmp;
    CliRun r = cli({"info", tmp.path()});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err.trimmed(), "kavelins-cli: " + tmp.path().toUtf8() + " is a folder, not a project file");
    r = cli({"info", tmp.filePath("missing.plt")});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err.count(tmp.filePath("missing.plt").toUtf8()), 1) << r.err.constData();

    // A damaged data file is named by the project the user gave, with the line.
    const QString plt = craft(tmp, "banana", {{"    15453831", "    banana"}});
    r = cli({"info", plt});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(plt.toUtf8() + ", Card.dat, line 9: a number was expected, found 'banana'")) << r.err.constData();
    EXPECT_FALSE(r.err.contains("Tmp")) << r.err.constData();

    SmallDisk disk(256 * 1024);
    KAV_NEEDS_SMALL_DISK(disk);
    put(disk.path("out.plt"), "previous");
    disk.setReadOnly(true);
    r = cli({"save", kSample, disk.path("out.plt")});
    disk.setReadOnly(false);
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(disk.path("out.plt").toUtf8() + ": the disk is read-only")) << r.err.constData();
    EXPECT_EQ(get(disk.path("out.plt")), "previous");
}

// --- The file system outside the project: links, hostile entries, media names ------------------

TEST(OutsideTheProject, UnpackNeverWritesThroughALink)
{
    QTemporaryDir tmp;
    put(tmp.filePath("outside/secret"), "secret");
    QDir().mkpath(tmp.filePath("a"));
    QFile::link(tmp.filePath("outside/secret"), tmp.filePath("a/Card.dat"));
    ASSERT_EQ(cli({"unpack", kSample, tmp.filePath("a")}).code, 0);
    EXPECT_EQ(get(tmp.filePath("outside/secret")), "secret");
    EXPECT_FALSE(QFileInfo(tmp.filePath("a/Card.dat")).isSymLink());
    EXPECT_TRUE(get(tmp.filePath("a/Card.dat")).startsWith("Ver971112"));

    QDir().mkpath(tmp.filePath("b"));
    QFile::link(tmp.filePath("outside"), tmp.filePath("b/Image"));
    const CliRun r = cli({"unpack", kSample, tmp.filePath("b")});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("is a symbolic link")) << r.err.constData();
    EXPECT_EQ(QDir(tmp.filePath("outside")).entryList(QDir::Files), QStringList{"secret"});
    EXPECT_FALSE(QFileInfo::exists(tmp.filePath("b/Card.dat")));
}

TEST(OutsideTheProject, UnpackChecksEveryEntryBeforeWritingAny)
{
    QTemporaryDir tmp;
    const QByteArray head = "Ver970609" + entry("Card.dat", "Ver971112\r\n") + entry("Image\\a.bmp", "BM");
    const QList<QPair<QByteArray, QByteArray>> cases = {
        {QByteArray(300, 'n'), "longer than a file name may be"},
        {"Sound", "has the name of one of the project's folders"},
        {"image", "has the name of one of the project's folders"},
    };
    for (const auto& [name, reason] : cases) {
        put(tmp.filePath("p.plt"), head + entry(name, "late"));
        const CliRun r = cli({"unpack", tmp.filePath("p.plt"), tmp.filePath("out")});
        EXPECT_EQ(r.code, 1) << name.left(20).constData();
        EXPECT_TRUE(r.err.contains(reason)) << r.err.constData();
        EXPECT_FALSE(QFileInfo::exists(tmp.filePath("out"))) << name.left(20).constData();
    }
    // Something in the way of an entry that a file cannot replace.
    QDir().mkpath(tmp.filePath("busy/Image/a.bmp"));
    put(tmp.filePath("p.plt"), head);
    EXPECT_EQ(cli({"unpack", tmp.filePath("p.plt"), tmp.filePath("busy")}).code, 1);
    EXPECT_FALSE(QFileInfo::exists(tmp.filePath("busy/Card.dat")));
}

TEST(OutsideTheProject, MediaNamesStayInTheProjectsFolders)
{
    QTemporaryDir tmp;
    QImage outside(4, 4, QImage::Format_RGB32);
    outside.fill(Qt::red);
    ASSERT_TRUE(outside.save(tmp.filePath("outside.bmp"), "BMP"));
    const QByteArray up = "../../../../../../../../.." + QFile::encodeName(tmp.path());

    QString plt = craft(tmp, "image", {{"      sun;sun", "      " + up + "/outside;sun"}});
    CliRun r = cli({"export", plt, tmp.filePath("image-export.html")});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("item 'sun': the media name '" + up + "/outside' does not name a file of the project's Image folder"))
        << r.err.constData();
    EXPECT_FALSE(QFileInfo::exists(tmp.filePath("image-export")));

    plt = craft(tmp, "absolute", {{"    sky", "    " + QFile::encodeName(tmp.filePath("outside"))}});
    r = cli({"render", plt, "-o", tmp.filePath("x.png")});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("scene 'Welcome': the background")) << r.err.constData();

    // Sound names are refused when the project is read.
    put(tmp.filePath("outside.wav"), wav(8012));
    plt = craft(tmp, "sound", {{"        chime", "        " + up + "/outside"}});
    r = cli({"export", plt, tmp.filePath("sound-export.html")});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("sound.plt, Card.dat, line") && r.err.contains("does not name a file of the project's sound folder"))
        << r.err.constData();
    EXPECT_FALSE(QFileInfo::exists(tmp.filePath("sound-export")));
}

TEST(OutsideTheProject, InfoShowsControlCharactersEscaped)
{
    QTemporaryDir tmp;
    const QString plt = craft(tmp, "names", {{"      sun;sun", QByteArray("      sun;\x1b[2J\x01sun")}});
    const CliRun r = cli({"info", plt});
    ASSERT_EQ(r.code, 0) << r.err.constData();
    EXPECT_FALSE(r.out.contains('\x1b'));
    EXPECT_FALSE(r.out.contains('\x01'));
    EXPECT_TRUE(r.out.contains("\"\\x1b[2J\\x01sun\"")) << r.out.constData();
}

// --- Memory: sizes that a few bytes of input must not turn into gigabytes ----------------------

TEST(Memory, AGiantStageIsRefusedAtOnce)
{
    QTemporaryDir tmp;
    const QString plt = craft(tmp, "giant", {{"468", "32767"}, {"120", "32767"}});
    const CliRun r = cli({"render", plt, "-o", tmp.filePath("x.png")});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("line 3: the stage size 32767 x 32767 is not usable (at most 4096 x 4096)")) << r.err.constData();
    EXPECT_FALSE(QFileInfo::exists(tmp.filePath("x.png")));
}

TEST(Memory, ASoundTooLongIsRefusedBeforeItIsConverted)
{
    QTemporaryDir tmp;
    // 600 MB of 1,000 Hz samples would be 4.8 billion samples of Sun audio: more than it holds.
    const quint32 bytes = 600u * 1000 * 1000;
    QFile f(tmp.filePath("long.wav"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(wavHeader(1, 1000, 8, bytes));
    ASSERT_TRUE(f.resize(44 + bytes));  // sparse: no disk space taken
    f.close();
    const CliRun r = cli({"au", tmp.filePath("long.wav"), tmp.filePath("long.au")});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("long.wav: the sound is too long for Sun audio")) << r.err.constData();
    EXPECT_FALSE(QFileInfo::exists(tmp.filePath("long.au")));
}

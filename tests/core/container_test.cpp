#include "core/errors.h"
#include "core/projectcontainer.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include "testfiles.h"
#include <unistd.h>

using namespace kav;
using kavtest::get;
using kavtest::put;

namespace {


QByteArray randomBytes(qsizetype n)
{
    QByteArray b(n, Qt::Uninitialized);
    QRandomGenerator gen(42);
    for (qsizetype i = 0; i < n; ++i)
        b[i] = char(gen.generate() & 0xFF);
    return b;
}

// Relative path -> content of every file below dir.
QMap<QString, QByteArray> tree(const QString& dir)
{
    QMap<QString, QByteArray> out;
    QDirIterator it(dir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString p = it.next();
        out.insert(QDir(dir).relativeFilePath(p), get(p));
    }
    return out;
}

QByteArray header(const QByteArray& path, const QByteArray& size)
{
    QByteArray h = path + ';' + size + ';';
    h.append(525 - h.size(), ' ');
    return h;
}
} // namespace

TEST(ProjectContainer, PackThenUnpackReproducesTheTree)
{
    QTemporaryDir tmp;
    const QString src = tmp.filePath("work");
    put(src + "/Card.dat", "Ver971112\r\n468\r\n");
    put(src + "/Image/sun.bmp", randomBytes(5 * 1024 * 1024 + 17));  // more than one copy chunk
    put(src + "/Image/.hidden", "h");
    put(src + QString::fromUtf8("/Sound/Grüße.wav"), "RIFF....");
    put(src + "/Animation/empty.bmp", "");                            // empty files are not stored
    QDir(src).mkpath("Sound");

    const QString plt = tmp.filePath("p.plt");
    ProjectContainer::Pack(src, plt);
    EXPECT_TRUE(get(plt).startsWith("Ver970609"));
    const QString out = tmp.filePath("out");
    ProjectContainer::Unpack(plt, out);

    auto expected = tree(src);
    expected.remove("Animation/empty.bmp");
    EXPECT_EQ(tree(out), expected);
    EXPECT_TRUE(QDir(out + "/Animation").exists());

    // Stored paths use backslashes, as every reader of the format expects.
    EXPECT_TRUE(get(plt).contains("Image\\sun.bmp;5242897;"));
}

TEST(ProjectContainer, HostileEntriesAreRefusedBeforeAnythingIsWritten)
{
    QTemporaryDir tmp;
    const QString target = tmp.filePath("stage/work");
    const QList<QByteArray> hostile = {"..\\evil.txt", "Image\\..\\..\\evil.txt", "/tmp/evil.txt",
                                       "\\evil.txt", "C:\\evil.txt", "Other\\evil.txt", "Image\\a\\b",
                                       "", "Image\\"};
    for (const QByteArray& path : hostile) {
        const QString plt = tmp.filePath("bad.plt");
        put(plt, "Ver970609" + header("Card.dat", "3") + "abc" + header(path, "4") + "evil");
        EXPECT_THROW(ProjectContainer::Unpack(plt, target), UserError) << path.constData();
        EXPECT_FALSE(QFile::exists(tmp.filePath("evil.txt")));
        EXPECT_FALSE(QFile::exists(target + "/Card.dat")) << "nothing may be written for " << path.constData();
    }
    // Truncated content, a cut header, a size that is no number.
    for (const QByteArray& bytes : {QByteArray("Ver970609") + header("Card.dat", "30") + "short",
                                    QByteArray("Ver970609") + header("Card.dat", "3") + "abc" + "Image\\x;",
                                    QByteArray("Ver970609") + header("Card.dat", "x3") + "abc",
                                    QByteArray("Ver970609") + QByteArray(525, ' '),
                                    QByteArray("NotAProject")}) {
        const QString plt = tmp.filePath("bad.plt");
        put(plt, bytes);
        try {
            ProjectContainer::Unpack(plt, target);
            FAIL();
        } catch (const UserError& e) {
            EXPECT_TRUE(e.message().contains("bad.plt")) << e.message().toStdString();
        }
        EXPECT_FALSE(QFile::exists(target + "/Card.dat"));
    }
}

TEST(ProjectContainer, OldTagEmptyEntriesAndFolderSpelling)
{
    QTemporaryDir tmp;
    const QString plt = tmp.filePath("old.plt");
    put(plt, "Ver970518" + header("Card.dat", "0") + header("Card.dat", "-5") + header("image\\a.bmp", "2") + "AB" +
                 header("Card.dat", "3") + "xyz");
    EXPECT_TRUE(ProjectContainer::HasProjectTag(plt));
    ProjectContainer::Unpack(plt, tmp.filePath("w"));
    EXPECT_EQ(get(tmp.filePath("w/Image/a.bmp")), "AB");
    EXPECT_EQ(get(tmp.filePath("w/Card.dat")), "xyz");
}

TEST(ProjectContainer, FilesOutsideTheProjectFoldersAreNotStored)
{
    QTemporaryDir tmp;
    const QString src = tmp.filePath("work");
    put(src + "/Card.dat", "x");
    put(src + "/Other/stray.txt", "y");
    QStringList warnings;
    ProjectContainer::Pack(src, tmp.filePath("p.plt"), [&](const QString& w) { warnings << w; });
    ASSERT_EQ(warnings.size(), 1);
    EXPECT_TRUE(warnings[0].contains("Other/stray.txt"));
    ProjectContainer::Unpack(tmp.filePath("p.plt"), tmp.filePath("out"));  // what we write, we read
}

// A save that fails keeps the previous project file as it was.
TEST(ProjectContainer, FailedSaveKeepsThePreviousFile)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs a small file system to fill";
    QTemporaryDir tmp;
    const QString mnt = tmp.filePath("small");
    QDir().mkpath(mnt);
    if (QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=256k", "tmpfs", mnt}) != 0)
        GTEST_SKIP() << "cannot mount a small file system here";
    const QString plt = mnt + "/p.plt";
    put(plt, "Ver970609");
    const QByteArray before = get(plt);
    const QString src = tmp.filePath("work");
    put(src + "/Image/big.bmp", randomBytes(1024 * 1024));
    try {
        ProjectContainer::Pack(src, plt);
        ADD_FAILURE() << "packing 1 MB into 256 KB succeeded";
    } catch (const WriteError& e) {
        EXPECT_TRUE(e.diskFull()) << e.message().toStdString();
    }
    EXPECT_EQ(get(plt), before);
    EXPECT_EQ(QDir(mnt).entryList(QDir::Files | QDir::Hidden).size(), 1);  // no temporary left behind
    QProcess::execute("umount", {mnt});
}

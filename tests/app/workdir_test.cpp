#include "config/workdir.h"
#include "core/errors.h"
#include "platform/namedlock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <atomic>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace kav;

namespace {

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// Whether someone holds the flock of a file, seen through a fresh open file description, as
// another process would see it.
bool IsLockedElsewhere(const QString& file)
{
    const int fd = open(QFile::encodeName(file).constData(), O_RDONLY);
    if (fd < 0)
        return false;
    const bool locked = flock(fd, LOCK_EX | LOCK_NB) != 0;
    close(fd);
    return locked;
}

// A folder left behind by a run that ended without cleaning up, read-only parts included.
void MakeLeftover(const QString& dir)
{
    WriteFile(dir + "/Temp", "");
    WriteFile(dir + "/Image/a.bmp", "BM");
    WriteFile(dir + "/Image/deep/b.bmp", "BM");
    chmod(QFile::encodeName(dir + "/Image/deep").constData(), 0500);
    chmod(QFile::encodeName(dir + "/Image/a.bmp").constData(), 0400);
}

TEST(WorkDir, LifeOfAWorkingFolder)
{
    QTemporaryDir app;
    std::unique_ptr<TWorkDir> wd = TWorkDir::Create(app.path());
    const QString path = wd->Path();
    EXPECT_TRUE(QRegularExpression("^" + QRegularExpression::escape(app.path()) + "/Tmp[0-9A-F]+/$").match(path).hasMatch())
        << path.toStdString();
    for (const char* sub : {"Animation", "Sound", "Image"})
        EXPECT_TRUE(QFileInfo(path + sub).isDir()) << sub;
    EXPECT_EQ(QFileInfo(path + "Temp").size(), 0);
    EXPECT_TRUE(IsLockedElsewhere(path + "Temp"));

    // Emptying for another project keeps the lock file, and the lock.
    WriteFile(path + "Card.dat", "x");
    WriteFile(path + "Image/Image.txt", "x");
    wd->EnsureSubfolders(true);
    wd->Clear();
    QStringList left = QDir(path).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    left.sort();
    EXPECT_EQ(left, QStringList({"Animation", "Image", "Sound", "Temp"}));
    EXPECT_TRUE(QDir(path + "Image").isEmpty());
    EXPECT_TRUE(IsLockedElsewhere(path + "Temp"));

    wd->Release();
    EXPECT_FALSE(QFileInfo::exists(path));
    wd->Release(); // a second release is harmless
}

TEST(WorkDir, SweepKeepsFoldersInUseAndRemovesLeftovers)
{
    QTemporaryDir app;
    const QString parent = app.path() + '/';
    std::unique_ptr<TWorkDir> first = TWorkDir::Create(parent);
    MakeLeftover(parent + "Tmp1A2B");
    WriteFile(parent + "Tmp77/Card.dat", "no lock file at all");
    WriteFile(parent + "TmpNotes/keep.txt", "a user's folder, not ours");
    WriteFile(parent + "Other/keep.txt", "");

    // A second working folder in the same parent sweeps it, and both live side by side.
    std::unique_ptr<TWorkDir> second = TWorkDir::Create(parent);
    EXPECT_NE(first->Path(), second->Path());
    EXPECT_TRUE(QFileInfo(first->Path() + "Image").isDir());
    EXPECT_FALSE(QFileInfo::exists(parent + "Tmp1A2B"));
    EXPECT_FALSE(QFileInfo::exists(parent + "Tmp77"));
    EXPECT_TRUE(QFileInfo::exists(parent + "TmpNotes/keep.txt"));
    EXPECT_TRUE(QFileInfo::exists(parent + "Other/keep.txt"));
    TWorkDir::SweepStale(parent);
    EXPECT_TRUE(QFileInfo::exists(first->Path() + "Temp"));
    EXPECT_TRUE(QFileInfo::exists(second->Path() + "Temp"));
}

// The run that left it is still alive elsewhere, then ends.
TEST(WorkDir, SweepSkipsAFolderLockedByAnotherProcess)
{
    const QString flockTool = QStandardPaths::findExecutable("flock");
    if (flockTool.isEmpty())
        GTEST_SKIP() << "no flock program";
    QTemporaryDir app;
    const QString dir = app.path() + "/TmpBEEF";
    MakeLeftover(dir);
    QProcess holder;
    // -o: only flock itself holds the lock; "cat" ends when its input is closed.
    holder.start(flockTool, {"-o", dir + "/Temp", "cat"});
    ASSERT_TRUE(holder.waitForStarted());
    for (int i = 0; i < 200 && !IsLockedElsewhere(dir + "/Temp"); ++i)
        QThread::msleep(10);
    ASSERT_TRUE(IsLockedElsewhere(dir + "/Temp"));

    TWorkDir::SweepStale(app.path());
    EXPECT_TRUE(QFileInfo::exists(dir + "/Image/a.bmp"));

    holder.closeWriteChannel();
    ASSERT_TRUE(holder.waitForFinished());
    TWorkDir::SweepStale(app.path());
    EXPECT_FALSE(QFileInfo::exists(dir));
}

TEST(WorkDir, UnwritableApplicationDirFallsBackToTheCache)
{
    QTemporaryDir root;
    WriteFile(root.path() + "/file", "a regular file cannot hold folders");
    std::unique_ptr<TWorkDir> wd = TWorkDir::Create(root.path() + "/file/app/");
    EXPECT_TRUE(wd->Path().startsWith(TWorkDir::CacheParentDir() + "Tmp")) << wd->Path().toStdString();
    EXPECT_TRUE(TWorkDir::CacheParentDir().startsWith(qEnvironmentVariable("XDG_CACHE_HOME")));
    EXPECT_TRUE(QFileInfo(wd->Path() + "Sound").isDir());
}

TEST(WorkDir, RemoveTreeDeletesLinksNotTheirTargets)
{
    QTemporaryDir root;
    const QString outside = root.path() + "/outside";
    WriteFile(outside + "/precious.txt", "keep me");
    const QString tree = root.path() + "/tree";
    WriteFile(tree + "/sub/file.txt", "x");
    QFile::link(outside, tree + "/sub/dirlink");
    QFile::link(outside + "/precious.txt", tree + "/filelink");
    chmod(QFile::encodeName(tree + "/sub").constData(), 0500);

    EXPECT_TRUE(TWorkDir::RemoveTree(tree + "/"));
    EXPECT_FALSE(QFileInfo::exists(tree));
    EXPECT_EQ(QFileInfo(outside + "/precious.txt").size(), 7);

    // A link in the place of the tree itself is removed as a link.
    QFile::link(outside, root.path() + "/toplink");
    EXPECT_TRUE(TWorkDir::RemoveTree(root.path() + "/toplink/"));
    EXPECT_FALSE(QFileInfo(root.path() + "/toplink").isSymLink());
    EXPECT_TRUE(QFileInfo::exists(outside + "/precious.txt"));

    EXPECT_TRUE(TWorkDir::RemoveTree(root.path() + "/never-there"));
}

TEST(NamedLock, ExcludesOtherHoldersUntilUnlocked)
{
    NamedLock a(QStringLiteral("KAVTEST1"));
    NamedLock b(QStringLiteral("KAVTEST1"));
    EXPECT_TRUE(a.FilePath().startsWith(qEnvironmentVariable("XDG_RUNTIME_DIR") + "/"));
    EXPECT_TRUE(a.TryLock());
    EXPECT_TRUE(a.TryLock()); // already ours
    EXPECT_FALSE(b.TryLock());
    EXPECT_TRUE(NamedLock(QStringLiteral("KAVTEST2")).TryLock()); // another name is another lock

    std::atomic<bool> got{false};
    std::thread waiter([&] {
        b.Lock();
        got = true;
    });
    QThread::msleep(50);
    EXPECT_FALSE(got);
    a.Unlock();
    waiter.join();
    EXPECT_TRUE(got);
    EXPECT_FALSE(a.TryLock());

    { NamedLock c(QStringLiteral("KAVTEST3")); c.Lock(); }
    EXPECT_TRUE(NamedLock(QStringLiteral("KAVTEST3")).TryLock()); // released by its destructor
}

} // namespace

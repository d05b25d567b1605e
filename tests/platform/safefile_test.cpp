// The one writer of files: a target is replaced whole or not at all. Full and read-only disks
// and targets that are no files are tried through kavelins-cli (tests/cli/cli_safety_test.cpp).
#include "core/errors.h"
#include "core/safefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include "testfiles.h"

#include <sys/stat.h>

using namespace kav;
using kavtest::get;
using kavtest::put;

namespace {
QStringList scratchFiles(const QString& dir)
{
    return QDir(dir).entryList({".kav-*"}, QDir::Files | QDir::Hidden);
}
} // namespace

TEST(SafeFile, ReplacesTheTargetKeepingItsPermissions)
{
    QTemporaryDir tmp;
    const QString file = tmp.filePath("a.txt");
    put(file, "old contents");
    QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner);
    TSafeFile f(file);
    f.Open();
    f.write("new ");
    f.write(QByteArray(200000, 'x'));  // more than the buffer
    EXPECT_EQ(get(file), "old contents");  // nothing shows before the commit
    f.Commit();
    EXPECT_EQ(get(file), "new " + QByteArray(200000, 'x'));
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(file).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_TRUE(scratchFiles(tmp.path()).isEmpty());
}

TEST(SafeFile, AnUncommittedWriteLeavesNothing)
{
    QTemporaryDir tmp;
    put(tmp.filePath("a.txt"), "kept");
    {
        TSafeFile f(tmp.filePath("a.txt"));
        f.Open();
        f.write("lost");
    }
    {
        TSafeFile f(tmp.filePath("b.txt"));
        f.Open();
        f.write("lost");
        f.Cancel();
    }
    EXPECT_EQ(get(tmp.filePath("a.txt")), "kept");
    EXPECT_FALSE(QFile::exists(tmp.filePath("b.txt")));
    EXPECT_TRUE(scratchFiles(tmp.path()).isEmpty());
}

TEST(SafeFile, LinksAreFollowedOrReplacedAsAsked)
{
    QTemporaryDir tmp;
    put(tmp.filePath("real"), "real");
    QFile::link(tmp.filePath("real"), tmp.filePath("mine"));
    WriteFileSafely(tmp.filePath("mine"), "through");
    EXPECT_EQ(get(tmp.filePath("real")), "through");
    EXPECT_TRUE(QFileInfo(tmp.filePath("mine")).isSymLink());

    QFile::link(tmp.filePath("real"), tmp.filePath("planted"));
    WriteFileSafely(tmp.filePath("planted"), "instead", TSafeFile::Links::Replace);
    EXPECT_EQ(get(tmp.filePath("real")), "through");
    EXPECT_FALSE(QFileInfo(tmp.filePath("planted")).isSymLink());
    EXPECT_EQ(get(tmp.filePath("planted")), "instead");
}

// Unsaved work outlives a crash: the working folder's copy is kept by the sweep, found at the
// next start and opened as an untitled project.
#include "app/startup.h"
#include "config/settings.h"
#include "config/workdir.h"
#include "document/document.h"
#include "document/item.h"
#include "document/itemimage.h"
#include "document/project.h"
#include "document/scene.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using namespace kav;

namespace {
class Recovery : public ::testing::Test {
protected:
    void SetUp() override
    {
        StartOptions options;
        options.applicationDir = app.path() + "/";
        StartEngine(options);
    }
    void TearDown() override { ReplaceRunWorkDir(nullptr); }
    QStringList workFolders() const
    {
        return QDir(app.path()).entryList({"Tmp*"}, QDir::Dirs | QDir::NoDotAndDotDot);
    }
    QTemporaryDir app;
};
} // namespace

TEST_F(Recovery, AKilledEditorsUnsavedWorkIsOfferedAndOpened)
{
    // A child process plays the editor: it makes a project with a picture and a change, keeps
    // its copy of the unsaved work, and is killed.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ReplaceRunWorkDir(TWorkDir::Create(settings().ApplicationDir));
        TProject project;
        project.New();
        QImage box(8, 8, QImage::Format_RGB32);
        box.fill(Qt::blue);
        box.save(Doc().ImageFolder() + "box.bmp", "BMP");
        auto item = std::make_unique<TItemBase>(Doc().Scene(0));
        item->AttachGraphic(std::make_unique<TItemImage>());
        item->Graphic->SetMedia(Doc().ImageFolder(), "box", 1);
        item->Name = "Recovered box";
        Doc().Scene(0)->Items.Add(std::move(item));
        project.FileName = "/home/someone/banner.plt";
        project.SetModified();
        project.WriteRecovery();
        raise(SIGKILL);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));

    // The next start sweeps stale folders but keeps the one holding unsaved work.
    TWorkDir::SweepStale(app.path());
    const QStringList found = TWorkDir::FindRecoverable(app.path());
    ASSERT_EQ(found.size(), 1);
    EXPECT_EQ(TProject::RecoveryOrigin(found[0]), "/home/someone/banner.plt");

    ReplaceRunWorkDir(TWorkDir::Create(settings().ApplicationDir));
    TProject project;
    project.New();
    project.Recover(found[0]);
    EXPECT_TRUE(project.FileName.isEmpty());
    EXPECT_TRUE(project.Modified());
    ASSERT_EQ(Doc().Scene(0)->ItemCount(), 1);
    EXPECT_EQ(Doc().Scene(0)->Item(0)->Name, "Recovered box");
    EXPECT_TRUE(QFile::exists(Doc().ImageFolder() + "box.bmp"));
    EXPECT_FALSE(QDir(found[0]).exists());
    // Saving it leaves no copy behind in the project file's working folder.
    project.SaveAs(app.filePath("saved.plt"));
    EXPECT_FALSE(QFile::exists(project.WorkDir() + kRecoveryFile));
    EXPECT_TRUE(TWorkDir::FindRecoverable(app.path()).isEmpty());
}

TEST_F(Recovery, FoldersWithoutUnsavedWorkAreSweptAndLiveOnesAreNotOffered)
{
    QDir(app.path()).mkpath("Tmp1A2B");
    QFile(app.filePath("Tmp1A2B/Temp")).open(QIODevice::WriteOnly);
    ReplaceRunWorkDir(TWorkDir::Create(settings().ApplicationDir));
    TProject live;
    live.New();
    live.SetModified();
    live.WriteRecovery();  // this run's own copy: in use, never offered
    TWorkDir::SweepStale(app.path());
    EXPECT_FALSE(QDir(app.filePath("Tmp1A2B")).exists());
    EXPECT_TRUE(TWorkDir::FindRecoverable(app.path()).isEmpty());
    live.ClearRecovery();
    EXPECT_FALSE(QFile::exists(live.WorkDir() + kRecoveryFile));
}

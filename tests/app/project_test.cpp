#include "document/project.h"
#include "config/settings.h"
#include "config/workdir.h"
#include "core/errors.h"
#include "core/projectcontainer.h"
#include "recordclasses.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include "testfiles.h"

using namespace kav;
using namespace kavtest;

namespace {
QByteArray header(const QByteArray& path, const QByteArray& size)
{
    QByteArray h = path + ';' + size + ';';
    h.append(525 - h.size(), ' ');
    return h;
}



std::unique_ptr<TBaseObject> newTestScene(const QString& name)
{
    auto s = std::make_unique<TestScene>();
    s->name = name;
    s->stage = std::make_unique<TestStage>(s.get());
    s->stage->values = {65280, 16777215, QString(), 0, 8388608, true, 0};
    return s;
}

class ProjectFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegisterRecordClasses();
        TProject::SetSceneHooks({newTestScene, {}, QStringLiteral("TScene")});
        LoadOptions options;
        options.applicationDir = app.path() + "/";
        LoadSettings(options);
        project = std::make_unique<TProject>();
        project->New();
    }
    void TearDown() override
    {
        project.reset();
        TProject::SetSceneHooks({});
        if (RunWorkDir())
            ReplaceRunWorkDir(nullptr);
    }
    QStringList sceneNames() const
    {
        QStringList names;
        for (const auto& s : project->Scenes)
            names << static_cast<TestScene*>(s.get())->name;
        return names;
    }
    QStringList workFolders() const { return QDir(app.path()).entryList({"Tmp*"}, QDir::Dirs); }

    RegistryGuard guard{RecordClassNames()};
    QTemporaryDir app;
    QTemporaryDir files;
    std::unique_ptr<TProject> project;
};
} // namespace

TEST_F(ProjectFiles, SaveAndOpenRoundTrip)
{
    EXPECT_EQ(sceneNames(), QStringList({"Scene 1"}));
    EXPECT_EQ(project->Title, "Untitled");
    project->Scenes.Add(newTestScene("Second"));
    project->StageWidth = 300;
    put(project->WorkDir() + "Image/sun.bmp", "BM-sun");
    put(project->WorkDir() + "Sound/silent.wav", "");   // empty media are not kept
    put(project->WorkDir() + "Preview/page.html", "x"); // the preview folder never goes into a file
    project->SetModified();

    const QString plt = files.filePath("My Ad.plt");
    project->SaveAs(plt);
    EXPECT_FALSE(project->Modified());
    EXPECT_EQ(project->Title, "My Ad.plt");
    EXPECT_TRUE(get(project->WorkDir() + "Card.dat").startsWith("Ver971112\r\n300\r\n120\r\n2\r\nTScene\r\n  Scene 1\r\n"));

    TProject other;
    other.Open(plt);
    EXPECT_EQ(other.FileName, QFileInfo(plt).absoluteFilePath());
    EXPECT_EQ(other.StageWidth, 300);
    ASSERT_EQ(other.Scenes.Count(), 2);
    EXPECT_EQ(other.Scenes.As<TestScene>(1)->name, "Second");
    EXPECT_EQ(get(other.WorkDir() + "Image/sun.bmp"), "BM-sun");
    EXPECT_FALSE(QFile::exists(other.WorkDir() + "Sound/silent.wav"));
    EXPECT_FALSE(QFile::exists(other.WorkDir() + "Preview/page.html"));
    EXPECT_TRUE(QDir(other.WorkDir() + "Preview").exists());
    EXPECT_EQ(workFolders().size(), 1);  // the previous working folder went away with the switch
}

TEST_F(ProjectFiles, AFailedOpenLeavesTheOpenProjectAsItWas)
{
    project->Scenes.Add(newTestScene("Mine"));
    const QString plt = files.filePath("mine.plt");
    project->SaveAs(plt);
    put(project->WorkDir() + "Image/unsaved.bmp", "work in progress");
    project->SetModified();
    const QString workDir = project->WorkDir();

    const QByteArray card = "Ver971112\r\n468\r\n120\r\n1\r\n";
    const QList<QPair<QString, QByteArray>> bad = {
        {"not a project", "Hello world"},
        {"escaping entry", "Ver970609" + header("..\\..\\x", "3") + "abc"},
        {"cut short", "Ver970609" + header("Card.dat", "999") + "abc"},
        {"no data file", "Ver970609" + header("Image\\a.bmp", "1") + "a"},
        {"bad data tag", "Ver970609" + header("Card.dat", "14") + "Ver123456\r\n1\r\n"},
        {"unknown class", "Ver970609" + header("Card.dat", QByteArray::number(card.size() + 9)) + card + "TBogus\r\n\r\n\r\n"},
        {"item as scene", "Ver970609" + header("Card.dat", QByteArray::number(card.size() + 11)) + card + "TStage\r\n1\r\n"},
        {"truncated data", "Ver970609" + header("Card.dat", QByteArray::number(card.size() + 14)) + card + "TScene\r\n  A\r\n"},
    };
    for (const auto& [what, bytes] : bad) {
        const QString path = files.filePath("bad.plt");
        put(path, bytes);
        try {
            project->Open(path);
            ADD_FAILURE() << what.toStdString() << " opened";
        } catch (const UserError& e) {
            EXPECT_TRUE(e.message().contains("bad.plt") || e.message().contains("Card.dat")) << e.message().toStdString();
        }
        EXPECT_EQ(project->FileName, QFileInfo(plt).absoluteFilePath()) << what.toStdString();
        EXPECT_EQ(sceneNames(), QStringList({"Scene 1", "Mine"}));
        EXPECT_TRUE(project->Modified());
        EXPECT_EQ(project->WorkDir(), workDir);
        EXPECT_EQ(get(workDir + "Image/unsaved.bmp"), "work in progress");
        EXPECT_EQ(workFolders().size(), 1) << "staging folder left behind after " << what.toStdString();
    }
}

TEST_F(ProjectFiles, DataFileErrorsNameTheLine)
{
    const QByteArray card = "Ver971112\r\n468\r\nwide\r\n0\r\n";
    const QString path = files.filePath("line.plt");
    put(path, "Ver970609" + header("Card.dat", QByteArray::number(card.size())) + card);
    try {
        project->Open(path);
        FAIL();
    } catch (const ReadError& e) {
        EXPECT_EQ(e.line(), 3);
    }
}

TEST_F(ProjectFiles, OldestDataVersionIsReadWithItsFlag)
{
    const QString path = files.filePath("Card.dat");
    put(path, "Ver970518\r\n200\r\n40\r\n0\r\n");
    CardData data;
    ReadCardData(path, data, TProject::sceneHooks());
    EXPECT_TRUE(data.OldFormat);
    EXPECT_EQ(data.StageHeight, 40);

    // An empty scene list still gives the editor one scene to show.
    const QString plt = files.filePath("empty.plt");
    const QByteArray card = "Ver970609\r\n200\r\n40\r\n0\r\n";
    put(plt, "Ver970518" + header("Card.dat", QByteArray::number(card.size())) + card);
    project->Open(plt);
    EXPECT_EQ(sceneNames(), QStringList({"Scene 1"}));
}

TEST_F(ProjectFiles, AFailedSaveKeepsTheNameAndThePreviousFile)
{
    const QString plt = files.filePath("keep.plt");
    project->SaveAs(plt);
    const QByteArray saved = get(plt);
    put(files.filePath("blocker"), "a file where a folder should be");
    EXPECT_THROW(project->SaveAs(files.filePath("blocker/x.plt")), UserError);
    EXPECT_EQ(project->FileName, QFileInfo(plt).absoluteFilePath());
    EXPECT_EQ(get(plt), saved);

    TProject unnamed;
    EXPECT_THROW(unnamed.Save(), UserError);
}

TEST_F(ProjectFiles, CopiesThroughMemory)
{
    auto* scene = project->Scenes.As<TestScene>(0);
    auto mem = WriteToMemory(*scene, smProject);
    auto copy = ReadFromMemory(*mem, nullptr);
    ASSERT_EQ(copy->ClassName(), "TScene");
    EXPECT_EQ(static_cast<TestScene*>(copy.get())->stage->values, scene->stage->values);
}

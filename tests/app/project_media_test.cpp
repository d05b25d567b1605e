// Pictures belong to their project: opening one project after another in the same process never
// shows the first one's picture of the same name, and a failed open leaves the open project's
// pictures as they were.
#include "document/project.h"
#include "config/settings.h"
#include "app/startup.h"
#include "config/workdir.h"
#include "core/errors.h"
#include "document/builder.h"
#include "document/document.h"
#include "document/item.h"
#include "document/itemimage.h"
#include "document/scene.h"
#include "editor/stagerenderer.h"

#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include "testfiles.h"

using namespace kav;

namespace {

class TwoProjects : public ::testing::Test {
protected:
    void SetUp() override
    {
        StartOptions options;
        options.applicationDir = app.path() + "/";
        StartEngine(options);
        project = std::make_unique<TProject>();
        // Two projects whose only item shows a picture named "pic": a red one 10 pixels wide
        // and a blue one 20 pixels wide.
        make(files.filePath("red.plt"), QSize(10, 6), Qt::red);
        make(files.filePath("blue.plt"), QSize(20, 6), Qt::blue);
    }
    void TearDown() override
    {
        project.reset();
        ReplaceRunWorkDir(nullptr);
    }

    void make(const QString& file, QSize size, Qt::GlobalColor colour)
    {
        project->New();
        QImage picture(size, QImage::Format_RGB32);
        picture.fill(colour);
        ASSERT_TRUE(picture.save(project->WorkDir() + "Image/pic.bmp", "BMP"));
        Build::PlaceAt(Build::AddImage(Doc().Scene(0), "pic"), QPoint(50, 30));
        project->SaveAs(file);
    }

    // The item as it is drawn: its width and the colour in the middle of the stage's picture.
    QPair<int, QRgb> drawn()
    {
        TScene* scene = Doc().Scene(0);
        EXPECT_EQ(scene->ItemCount(), 1);
        const TItemBase* item = scene->Item(0);
        item->Graphic->ResetPlayback();
        TStageRenderer renderer;
        QImage stage;
        renderer.Compose(stage, scene, project->StageWidth, project->StageHeight, TStageView{});
        return {item->Graphic->Width(), stage.pixel(item->X - item->HotSpotX + 2, item->Y - item->HotSpotY + 2) & 0xFFFFFF};
    }

    QTemporaryDir app, files;
    std::unique_ptr<TProject> project;
};

} // namespace

TEST_F(TwoProjects, EachDrawsItsOwnPictureOfTheSameName)
{
    project->Open(files.filePath("red.plt"));
    EXPECT_EQ(drawn(), qMakePair(10, QRgb(0xFF0000)));
    project->Open(files.filePath("blue.plt"));
    EXPECT_EQ(drawn(), qMakePair(20, QRgb(0x0000FF)));
    project->Open(files.filePath("red.plt"));
    EXPECT_EQ(drawn(), qMakePair(10, QRgb(0xFF0000)));
}

TEST_F(TwoProjects, AFailedOpenKeepsTheOpenProjectsPictures)
{
    project->Open(files.filePath("red.plt"));
    kavtest::put(files.filePath("broken.plt"), kavtest::get(files.filePath("blue.plt")).left(600));
    EXPECT_THROW(project->Open(files.filePath("broken.plt")), UserError);
    EXPECT_EQ(drawn(), qMakePair(10, QRgb(0xFF0000)));
}

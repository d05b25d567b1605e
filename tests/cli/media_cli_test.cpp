// Media from the command line: the installed default library, and imports into a project that
// survive saving and opening it again.
#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include "clirun.h"

using namespace kavtest;

TEST(MediaCli, ImportsStayInTheProjectAndLibrariesAreListed)
{
    const CliRun libs = cli({"libs"});
    EXPECT_EQ(libs.code, 0) << libs.err.toStdString();
    EXPECT_TRUE(libs.out.startsWith("deflib\n")) << libs.out.toStdString();
    EXPECT_TRUE(libs.out.contains(" image, ")) << libs.out.toStdString();

    QTemporaryDir dir;
    QImage logo(20, 10, QImage::Format_RGB32);
    logo.fill(Qt::red);
    ASSERT_TRUE(logo.save(dir.filePath("logo.png")));
    for (int i = 1; i <= 3; ++i)
        ASSERT_TRUE(logo.save(dir.filePath(QString("walk%1.bmp").arg(i))));
    const QString project = dir.filePath("ad.plt");

    CliRun r = cli({"import", project, dir.filePath("logo.png"), dir.filePath("walk2.bmp"), "deflib/image/shapes/star/o1s1c1"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "image logo\nanimation walk\nimage star_o1s1c1\n");
    // A second run opens the project: the same file gets a new name, nothing is lost.
    r = cli({"import", project, dir.filePath("logo.png")});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "image logo_2\n");
    ASSERT_EQ(cli({"unpack", project, dir.filePath("u")}).code, 0);
    EXPECT_EQ(QDir(dir.filePath("u/Image")).entryList({"*.bmp"}), QStringList({"logo.bmp", "logo_2.bmp", "star_o1s1c1.bmp"}));
    EXPECT_TRUE(QFile::exists(dir.filePath("u/Animation/walk.bmp")));

    r = cli({"import", project, "deflib/video/nothing"});
    EXPECT_EQ(r.code, 1);
}

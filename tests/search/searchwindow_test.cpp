// The library search window driven as a user drives it, from the main window's Libraries menu:
// a typed word, a picked thumbnail, the variants, the Magazine button and Ok put the picture on
// the stage.
#include "app/startup.h"
#include "config/settings.h"
#include "config/workdir.h"
#include "document/document.h"
#include "document/item.h"
#include "document/itemimage.h"
#include "document/project.h"
#include "document/scene.h"
#include "editor/forms/mainform.h"
#include "media/forms/magazineform.h"
#include "media/forms/searchform.h"
#include "media/library.h"
#include "media/magazine.h"
#include "media/searchengine.h"
#include "platform/soundoutput.h"
#include "testfiles.h"
#include "ui/forms/bmpbutton.h"
#include "ui/forms/clearpanel.h"
#include "ui/forms/infobar.h"
#include "ui/forms/msgform.h"

#include "whenshown.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace kav;

namespace {

QByteArray bmp(QColor colour)
{
    QImage img(16, 16, QImage::Format_RGB32);
    img.fill(colour);
    QByteArray out;
    QBuffer b(&out);
    b.open(QIODevice::WriteOnly);
    img.save(&b, "BMP");
    return out;
}

class SearchWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        StartOptions options;
        options.applicationDir = app.path() + "/";
        StartEngine(options);
        settings().SearchEnabled = "1";
        settings().ClickTimer = 40;
        settings().HistoryLimit = 5;
        SetInfoBarHints({QStringLiteral("7000;;Find")});
        SetMessageBoxHandler([this](const QString&, const QString& text, int) {
            errors << text;
            return 1;
        });

        // A library of three image topics; the star comes in two colours.
        QByteArray index, data;
        auto add = [&](const char* entry, QColor colour) {
            const QByteArray b = bmp(colour);
            index += QByteArray(entry) + ';' + QByteArray::number(data.size()) + ';' + QByteArray::number(b.size()) + "\r\n";
            data += b;
        };
        add("shapes\\star\\o1s1c1.bmp", Qt::yellow);
        add("shapes\\star\\o1s1c2.bmp", Qt::red);
        add("shapes\\moon\\o1s1c1.bmp", Qt::gray);
        add("tags\\sale\\o1s1c1.bmp", Qt::green);
        kavtest::put(lib.path() + "/media/image.rif", index);
        kavtest::put(lib.path() + "/media/image.rdf", data);
        Libraries().SetLibraries({"deflib"}, {{lib.path() + "/media/", lib.path() + "/preview/", lib.path() + "/java/"}},
                                 QString(), true);

        // The search files of the image category; the other categories have none.
        kavtest::put(dataDir.path() + "/image.txt",
                     "deflib/image/shapes/star\r\nStar\r\n1\r\n0\r\nstar\r\n2\r\nsky\r\nnight\r\n"
                     "deflib/image/shapes/moon\r\nMoon\r\n1\r\n0\r\nmoon\r\n3\r\nsky\r\nnight\r\nstar\r\n"
                     "deflib/image/tags/sale\r\nSale tag\r\n1\r\n0\r\ntag\r\n1\r\nshop\r\n");
        kavtest::put(dataDir.path() + "/imageK.txt", "moon\r\nnight\r\nshop\r\nsky\r\nstar\r\ntag\r\n");
        kavtest::put(dataDir.path() + "/ImageTL.dat", "Moon\r\nSale tag\r\nStar\r\n");
        kavtest::put(dataDir.path() + "/ImageIL.dat", "deflib/image/shapes/moon\r\ndeflib/image/tags/sale\r\ndeflib/image/shapes/star\r\n");
        settings().DataDir = dataDir.path() + "/";
        SearchData().Reset();

        project = std::make_unique<TProject>();
        project->New();
        window = std::make_unique<TMainForm>(*project, &sound);
        window->ShowError = [this](const QString& m) { errors << m; };
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    void TearDown() override
    {
        window.reset();
        project.reset();
        SearchData().Reset();
        Libraries().SetLibraries({}, {}, QString(), false);
        SetMessageBoxHandler(nullptr);
        ReplaceRunWorkDir(nullptr);
    }

    QTemporaryDir app, lib, dataDir;
    TSoundOutput sound;
    std::unique_ptr<TProject> project;
    std::unique_ptr<TMainForm> window;
    QStringList errors;
};

using kavtest::whenShown;

void clickTopic(TSearchForm& form, const QString& topic)
{
    for (int i = 1; i < TSearchResults::kPositions; ++i)
        if (form.TopicAt(i) == topic) {
            QTest::mouseClick(form.Workspace, Qt::LeftButton, {},
                              TSearchForm::Position(i).center() - form.Workspace->geometry().topLeft());
            return;
        }
    ADD_FAILURE() << topic.toStdString() << " is not on the page";
}

} // namespace

TEST_F(SearchWindow, F5FindsAPictureByMeaningAndPutsItOnTheStage)
{
    bool searched = false;
    whenShown<TSearchForm>([&](TSearchForm& form) {
        searched = true;
        EXPECT_EQ(form.windowTitle(), "Image Library");
        // A word the library does not know cannot be searched for.
        QTest::keyClicks(form.EditSearch, "zz");
        EXPECT_EQ(form.LabelNearest->text(), "Not Available!");
        EXPECT_TRUE(form.BtnSearch->Dimmed());
        form.EditSearch->clear();
        // "st" is nearest to "star": the search runs as the user types, once per nearest word.
        QTest::keyClicks(form.EditSearch, "star");
        EXPECT_EQ(form.LabelNearest->text(), "star");
        EXPECT_EQ(form.Results().History.size(), 3);  // the opening page, "shop" for "s", then "star"
        EXPECT_EQ(form.SelectedTopic(), "deflib/image/shapes/star");
        EXPECT_EQ(form.Results().List.size(), 3);  // the star, the moon (listing "star"), then the rest
        EXPECT_EQ(form.LabelFound->text(), "Found: 3");
        EXPECT_EQ(form.LabelPage->text(), "Page 1 of 1");

        // The star's colours: 1, 2 and back to 1; it has no other orientation.
        QTest::mouseClick(form.BtnColour, Qt::LeftButton, {}, QPoint(8, 8));
        EXPECT_EQ(form.SelectedReference(), "deflib/image/shapes/star/o1s1c2");
        QTest::mouseClick(form.BtnFlip, Qt::LeftButton, {}, QPoint(8, 8));
        EXPECT_EQ(form.Orientation(), 1);
        QTest::mouseClick(form.BtnColour, Qt::LeftButton, {}, QPoint(8, 8));
        EXPECT_EQ(form.Colour(), 1);

        // One click on the moon (no second click follows): the moon is searched for.
        clickTopic(form, "deflib/image/shapes/moon");
        QTRY_COMPARE(form.SelectedTopic(), QString("deflib/image/shapes/moon"));
        EXPECT_EQ(form.Results().List.first(), "deflib/image/shapes/moon");
        EXPECT_FALSE(form.BtnBack->Dimmed());
        // The history from the keyboard: back to the star's results and forward again.
        QTest::keyClick(&form, Qt::Key_Left, Qt::AltModifier);
        EXPECT_EQ(form.SelectedTopic(), "deflib/image/shapes/star");
        EXPECT_FALSE(form.BtnForward->Dimmed());
        QTest::keyClick(&form, Qt::Key_Right, Qt::AltModifier);
        EXPECT_EQ(form.SelectedTopic(), "deflib/image/shapes/moon");
        EXPECT_TRUE(form.BtnForward->Dimmed());

        QTest::mouseClick(form.BtnMagazine, Qt::LeftButton, {}, QPoint(8, 8));
        EXPECT_TRUE(form.Collected().Exists("moon"));
        EXPECT_TRUE(form.BtnMagazine->Dimmed());  // collected once only
        QTest::mouseClick(form.BtnOk, Qt::LeftButton, {}, QPoint(8, 8));
    });
    bool inserted = false;
    whenShown<TMagazineForm>([&](TMagazineForm& form) {
        inserted = true;
        EXPECT_EQ(form.SelectedName(), "moon");
        QTest::mouseClick(form.BtnInsert, Qt::LeftButton, {}, QPoint(8, 8));
    });
    QTest::keyClick(window.get(), Qt::Key_F5);
    EXPECT_TRUE(searched);
    EXPECT_TRUE(inserted);
    EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();

    ASSERT_EQ(Doc().Scene(0)->ItemCount(), 1);
    auto* image = dynamic_cast<TItemImage*>(window->Session().CurrentItem()->Graphic);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->MediaName, "moon");
    EXPECT_EQ(Magazines().OriginOf(TMagazineType::Image, "moon"), "LIB\\deflib/image/shapes/moon/o1s1c1");
    // The moon is remembered: the next opening starts from topics like it.
    EXPECT_EQ(SearchData().RememberedEssence, "moon");
}

TEST_F(SearchWindow, LookingByNameFindsTheTopicOfThatCaptionWithoutPages)
{
    whenShown<TSearchForm>([&](TSearchForm& form) {
        form.ComboMode->setCurrentIndex(1);
        QTest::keyClicks(form.EditSearch, "SAL");
        EXPECT_EQ(form.LabelNearest->text(), "sale tag");
        EXPECT_TRUE(form.SelectedTopic() != "deflib/image/tags/sale");  // by name, typing does not search
        QTest::keyClick(form.EditSearch, Qt::Key_Return);
        EXPECT_EQ(form.SelectedTopic(), "deflib/image/tags/sale");
        EXPECT_EQ(form.LabelPage->text(), "");
        EXPECT_TRUE(form.BtnNext->Dimmed());
        QTest::keyClick(&form, Qt::Key_Escape);
    });
    QTest::keyClick(window.get(), Qt::Key_F5);
    EXPECT_EQ(Doc().Scene(0)->ItemCount(), 0);
}

TEST_F(SearchWindow, MissingSearchFilesFindNothingAndCancelLeavesTheStageAlone)
{
    // The animation category has no files in the data folder.
    whenShown<TSearchForm>([&](TSearchForm& form) {
        EXPECT_EQ(form.windowTitle(), "Animation Library");
        EXPECT_EQ(form.BtnMagazine->Caption(), "Add to Animation Magazine");
        EXPECT_EQ(form.Results().List, QStringList{QString()});
        EXPECT_TRUE(form.BtnOk->Dimmed());
        QTest::keyClick(&form, Qt::Key_R, Qt::ControlModifier);
        EXPECT_TRUE(form.SelectedTopic().isEmpty());
        QTest::keyClick(&form, Qt::Key_Escape);
    });
    QTest::keyClick(window.get(), Qt::Key_F7);
    EXPECT_EQ(Doc().Scene(0)->ItemCount(), 0);
    // Every missing file was said once, by name.
    EXPECT_TRUE(errors.join('\n').contains("anim.txt")) << errors.join('\n').toStdString();
    EXPECT_TRUE(errors.join('\n').contains("AnimTL.dat"));

    // Without search the Libraries entries do nothing.
    settings().SearchEnabled.clear();
    QTest::keyClick(window.get(), Qt::Key_F5);
    EXPECT_EQ(Doc().Scene(0)->ItemCount(), 0);
}

TEST_F(SearchWindow, TheMagazinesLibraryButtonSearchesAndStartsFromTheSelectedPicture)
{
    TMagazineForm magazine(TMagazineType::Image, window.get());
    magazine.Prepare();
    magazine.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&magazine));

    // Typed "moon", then a double click on the main topic chooses it.
    whenShown<TSearchForm>([](TSearchForm& form) {
        QTest::keyClicks(form.EditSearch, "moon");
        EXPECT_EQ(form.SelectedTopic(), "deflib/image/shapes/moon");
        QTest::mouseDClick(form.Workspace, Qt::LeftButton, {},
                           TSearchForm::Position(0).center() - form.Workspace->geometry().topLeft());
    });
    QTest::mouseClick(magazine.BtnLibrary, Qt::LeftButton, {}, QPoint(8, 8));
    EXPECT_EQ(Magazines().Images.Names(), QStringList{"moon"});
    EXPECT_EQ(magazine.SelectedName(), "moon");

    // With the library picture selected, the search opens on its topic.
    whenShown<TSearchForm>([](TSearchForm& form) {
        EXPECT_EQ(form.Results().List.value(0), "deflib/image/shapes/moon");
        EXPECT_EQ(form.SelectedTopic(), "deflib/image/shapes/moon");
        QTest::keyClick(&form, Qt::Key_Escape);
    });
    QTest::mouseClick(magazine.BtnLibrary, Qt::LeftButton, {}, QPoint(8, 8));
    EXPECT_EQ(Magazines().Images.Names(), QStringList{"moon"});
    EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
}

TEST_F(SearchWindow, TheKeyboardAloneFindsAPictureAndChoosesIt)
{
    bool chosen = false, inserted = false;
    whenShown<TSearchForm>([&](TSearchForm& form) {
        form.EditSearch->setFocus();
        QTest::keyClicks(form.EditSearch, "moon");
        QTest::keyClick(form.EditSearch, Qt::Key_Return);  // in the box Enter searches, and the window stays
        EXPECT_EQ(form.SelectedTopic(), "deflib/image/shapes/moon");
        EXPECT_TRUE(form.isVisible());
        QTest::keyClick(&form, Qt::Key_Return);  // elsewhere it chooses the selected picture
        chosen = true;
    });
    whenShown<TMagazineForm>([&](TMagazineForm& form) {
        EXPECT_EQ(form.SelectedName(), "moon");
        QTest::keyClick(form.ListItems, Qt::Key_Return);  // the list passes Enter on: Insert
        inserted = true;
    });
    QTest::keyClick(window.get(), Qt::Key_F5);
    EXPECT_TRUE(chosen);
    EXPECT_TRUE(inserted);
    EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
    ASSERT_EQ(Doc().Scene(0)->ItemCount(), 1);
    auto* image = dynamic_cast<TItemImage*>(window->Session().CurrentItem()->Graphic);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->MediaName, "moon");
}

// The sound library's catalogue as the window shows it: categories with their sorted
// sub-categories, sounds in each, and collecting a sound once for the magazine.
#include "media/soundcatalogue.h"
#include "platform/soundoutput.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include "testfiles.h"

using namespace kav;

namespace {

struct NotedOutput : TSoundOutput {
    QStringList played;
    void Play(const QString& file, bool loop) override { played << file + (loop ? " loop" : " once"); }
};

TEST(SoundLibrary, TheCatalogueSortsSoundsIntoCategoriesAndCollectsEachOnce)
{
    QTemporaryDir dir;
    kavtest::put(dir.filePath("sound.txt"),
                 "  DefLib/Sound/Click\tClick\teffects\tClicks\r\n"
                 "deflib\\sound\\chime\tChime\tEFFECTS\tChimes\t7\r\n"
                 "deflib\\sound\\hello\tHello\tVoice\tGreetings\r\n"
                 "deflib\\sound\\pop\tPop\tEFFECTS\tClicks\r\n"
                 "deflib\\sound\\odd\tOdd\tNOISE\tOther\r\n"
                 "too\tfew\r\n");
    TSoundCatalogue cat;
    cat.Load(dir.filePath("sound.txt"));
    EXPECT_EQ(cat.SubCategories(TSoundCatalogue::scEffects), QStringList({"Chimes", "Clicks"}));
    EXPECT_EQ(cat.SubCategories(TSoundCatalogue::scVoice), QStringList({"Greetings"}));
    EXPECT_TRUE(cat.Sounds(TSoundCatalogue::scMusic).isEmpty());
    const QList<TSoundRec> clicks = cat.SoundsIn(TSoundCatalogue::scEffects, "Clicks");
    ASSERT_EQ(clicks.size(), 2);
    EXPECT_EQ(clicks.first().Path, "deflib\\sound\\click");
    EXPECT_EQ(cat.SoundsIn(TSoundCatalogue::scEffects, "Chimes").first().Number, 7);

    TSoundCollection collected;
    EXPECT_TRUE(collected.Add(clicks.first()));
    EXPECT_FALSE(collected.CanAdd(clicks.first()));
    EXPECT_FALSE(collected.Add(clicks.first()));
    EXPECT_TRUE(collected.Add(clicks.last()));
    ASSERT_EQ(collected.Items().Count(), 2);
    EXPECT_EQ(collected.Items().At(0)->Path, "deflib\\sound\\click.wav");

    // A sound the library lacks plays nothing.
    NotedOutput out;
    EXPECT_FALSE(PlayLibrarySound(out, "deflib\\sound\\nothing", false, dir.path() + "/"));
    EXPECT_TRUE(out.played.isEmpty());
}

} // namespace

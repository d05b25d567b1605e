// Shows the magazine windows filled from the default library and saves what the screen shows of
// each as PNG, for looking at them at any scale (QT_SCALE_FACTOR).
// Usage: kav-mediashots APPDIR OUTDIR [SUFFIX]
#include "mediashotsetup.h"

#include "app/startup.h"
#include "config/settings.h"
#include "document/document.h"
#include "media/forms/magazineform.h"
#include "media/forms/soundform.h"
#include "media/soundcatalogue.h"
#include "platform/soundoutput.h"
#include "media/library.h"
#include "media/magazine.h"
#include "ui/forms/bmpbutton.h"
#include "ui/forms/interstore.h"

#include <QApplication>
#include <QDir>
#include <QListWidget>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

using namespace kav;

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    kavshots::MediaShotSetup setup;
    if (!setup.Start(argc, argv, "kav-mediashots"))
        return 2;
    const QString& out = setup.out;
    const QString& suffix = setup.suffix;

    TLibItemsCont images, anims, sounds;
    for (const char* ref : {"deflib/image/shapes/star/o1s3c4", "deflib/image/buttons/buynow/o1s2c1", "deflib/image/tags/sale/o1s2c1",
                            "deflib/image/weather/cloudy/o1s3c1", "deflib/image/badges/approved/o1s3c2", "deflib/image/arrows/arrow/o1s3c2",
                            "deflib/image/icons/cart/o1s3c3", "deflib/image/tags/new/o1s3c1", "deflib/image/gifts/gift/o1s3c1",
                            "deflib/image/awards/trophy/o1s3c1", "deflib/image/money/coin/o1s2c1", "deflib/image/characters/smile/o1s3c1",
                            "deflib/image/talk/bubble/o1s3c1", "deflib/image/hands/thumbsup/o1s3c2", "deflib/image/shopping/bag/o1s3c1",
                            "deflib/image/places/pin/o1s2c1", "deflib/image/time/clock/o1s3c2", "deflib/image/characters/person/o1s3c2",
                            "deflib/image/fireworks/firework/o1s3c2", "deflib/image/weather/rainbow/o1s3c1"}) {
        const QString name = QString::fromLatin1(ref).section(QLatin1Char('/'), 3, 3);
        images.Add(std::make_unique<TLibItemImage>(name.at(0).toUpper() + name.mid(1), QString::fromLatin1(ref)));
    }
    anims.Add(std::make_unique<TLibItemAnim>(QStringLiteral("Spinning star"), 8, QStringLiteral("deflib/anim/spinstar")));
    anims.Add(std::make_unique<TLibItemAnim>(QStringLiteral("Bounce"), 8, QStringLiteral("deflib/anim/bounce/o1s1c1")));
    anims.Add(std::make_unique<TLibItemAnim>(QStringLiteral("Blinking new"), 4, QStringLiteral("deflib/anim/blinknew")));
    anims.Add(std::make_unique<TLibItemAnim>(QStringLiteral("Spinning coin"), 8, QStringLiteral("deflib/anim/spincoin/o1s2c1")));
    anims.Add(std::make_unique<TLibItemAnim>(QStringLiteral("Waving flag"), 8, QStringLiteral("deflib/anim/flag/o1s1c2")));
    anims.Add(std::make_unique<TLibItemAnim>(QStringLiteral("Walking person"), 8, QStringLiteral("deflib/anim/walker/o1s1c1")));
    anims.Add(std::make_unique<TLibItemAnim>(QStringLiteral("Ticking clock"), 8, QStringLiteral("deflib/anim/tickclock/o1s1c2")));
    for (const char* s : {"click", "chime", "whoosh", "ding", "coin", "fanfare", "bell", "swoosh"})
        sounds.Add(std::make_unique<TLibItemSound>(QString::fromLatin1(s), QStringLiteral("deflib/sound/") + QLatin1String(s)));
    const TMediaResult r1 = Magazines().ImportLibraryItems(TMagazineType::Image, images);
    Magazines().ImportLibraryItems(TMagazineType::Anim, anims);
    Magazines().ImportLibraryItems(TMagazineType::Sound, sounds);
    for (const QString& e : r1.Errors)
        std::fprintf(stderr, "kav-mediashots: %s\n", qPrintable(e));
    Magazines().FlipAndDuplicate({QStringLiteral("Arrow")});

    auto shoot = [&](TMagazineForm& form, const QString& name, const QString& select) {
        form.Prepare();
        form.show();
        if (!QTest::qWaitForWindowExposed(&form))
            std::fprintf(stderr, "kav-mediashots: %s was never shown\n", qPrintable(name));
        form.SelectName(select);
        QTest::qWait(200);
        const QPixmap shot = form.screen()->grabWindow(form.winId());
        const QString file = out + QLatin1Char('/') + name + suffix + QStringLiteral(".png");
        std::printf("%s %dx%d\n", qPrintable(file), shot.width(), shot.height());
        shot.save(file);
        form.hide();
    };
    TMagazineForm image(TMagazineType::Image);
    shoot(image, QStringLiteral("magazine-image"), QStringLiteral("Gift"));
    TMagazineForm anim(TMagazineType::Anim);
    shoot(anim, QStringLiteral("magazine-anim"), QStringLiteral("Waving flag"));
    TMagazineForm sound(TMagazineType::Sound);
    shoot(sound, QStringLiteral("magazine-sound"), QStringLiteral("chime"));

    TSoundOutput quiet;
    TSoundForm library(SoundCatalogue(), &quiet);
    library.WorkDir = Doc().WorkDir;
    library.show();
    if (!QTest::qWaitForWindowExposed(&library))
        std::fprintf(stderr, "kav-mediashots: the sound library was never shown\n");
    library.SelectSubCategory(1);
    library.SelectSound(0);
    library.BtnAddClick();
    library.SelectSound(1);
    QTest::qWait(200);
    const QPixmap shot = library.screen()->grabWindow(library.winId());
    const QString file = out + QStringLiteral("/soundlibrary") + suffix + QStringLiteral(".png");
    std::printf("%s %dx%d\n", qPrintable(file), shot.width(), shot.height());
    shot.save(file);
    return 0;
}

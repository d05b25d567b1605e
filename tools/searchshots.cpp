// Shows the library search window on the default library's search data and saves what the
// screen shows as PNG: an image search, a page of animations with the slide show running, a
// random page of backgrounds. For looking at the window at any scale (QT_SCALE_FACTOR).
// Usage: kav-searchshots APPDIR OUTDIR [SUFFIX]
#include "mediashotsetup.h"

#include "app/startup.h"
#include "config/settings.h"
#include "document/document.h"
#include "media/forms/searchform.h"
#include "media/library.h"
#include "media/magazine.h"
#include "ui/forms/bmpbutton.h"
#include "ui/forms/interstore.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <functional>

using namespace kav;

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    kavshots::MediaShotSetup setup;
    if (!setup.Start(argc, argv, "kav-searchshots"))
        return 2;
    const QString& out = setup.out;
    const QString& suffix = setup.suffix;
    settings().HistoryLimit = 10;
    Libraries().Setup(settings());
    Libraries().LoadIndexes();

    int failures = 0;
    auto shoot = [&](int category, const QString& name, const std::function<void(TSearchForm&)>& act) {
        TSearchForm form;
        form.Prepare(category);
        form.show();
        if (!QTest::qWaitForWindowExposed(&form)) {
            ++failures;
            return;
        }
        act(form);
        QTest::qWait(900);
        const QPixmap shot = form.screen()->grabWindow(form.winId());
        const QString file = out + QStringLiteral("/search-%1%2.png").arg(name, suffix);
        if (!shot.save(file))
            ++failures;
        std::printf("%s\n", qPrintable(file));
        form.hide();
    };
    shoot(1, QStringLiteral("image"), [](TSearchForm& form) {
        QTest::keyClicks(form.EditSearch, "star");
        QTest::qWait(50);
        form.BtnMagazineClick();
        form.ThumbnailClicked(3);
        QTest::mouseMove(form.BtnMagazine, QPoint(20, 10));
    });
    shoot(0, QStringLiteral("anim"), [](TSearchForm& form) {
        QTest::keyClicks(form.EditSearch, "zzq");
    });
    shoot(2, QStringLiteral("background"), [](TSearchForm& form) { form.BtnRandomClick(); });
    return failures == 0 ? 0 : 1;
}

// Shows the standard windows one after another on the current screen and saves what the screen
// shows of each as PNG, for looking at the interface at any scale (QT_SCALE_FACTOR).
// Usage: kav-uishots APPDIR OUTDIR [SUFFIX]
#include "config/settings.h"
#include "core/baseobject.h"
#include "ui/forms/aboutform.h"
#include "ui/forms/bmpbutton.h"
#include "ui/forms/debugform.h"
#include "ui/forms/loadingform.h"
#include "ui/forms/logoform.h"
#include "ui/forms/startupform.h"
#include "ui/forms/infobar.h"
#include "ui/forms/interstore.h"
#include "ui/forms/msgform.h"
#include "ui/forms/savemsgform.h"
#include "ui/forms/stdpeltoform.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QScreen>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QWindow>

#include <cstdio>
#include <thread>

using namespace kav;

namespace {

QString g_out, g_suffix;

void Shoot(QWidget& window, const QString& name, const std::function<void()>& before = {})
{
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        std::fprintf(stderr, "kav-uishots: %s was never shown; the picture may be empty\n", qPrintable(name));
    if (before)
        before();
    QTest::qWait(150);
    QScreen* screen = window.screen();
    const QPixmap shot = screen->grabWindow(window.winId());
    const QString file = g_out + QLatin1Char('/') + name + g_suffix + QStringLiteral(".png");
    std::printf("%s %dx%d\n", qPrintable(file), shot.width(), shot.height());
    shot.save(file);
    window.hide();
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: kav-uishots APPDIR OUTDIR [SUFFIX]\n");
        return 2;
    }
    const QString appDir = QString::fromLocal8Bit(argv[1]);
    g_out = QString::fromLocal8Bit(argv[2]);
    g_suffix = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QString();
    QDir().mkpath(g_out);
    OpenInterStore(appDir + QStringLiteral("/Data/"), appDir + QStringLiteral("/Inter/"));
    SetInfoBarHints(LoadInfoBar(appDir + QStringLiteral("/Data/infobar.txt")));

    TStdPeltoForm std;
    std.StdLabelTitle->setText(QStringLiteral("Stage Size"));
    auto* sizes = new QComboBox(&std);
    sizes->addItems({QStringLiteral("468 x 60  Full Banner"), QStringLiteral("300 x 250  Medium Rectangle")});
    sizes->setGeometry(30, 60, 240, 26);
    auto* width = new QSpinBox(&std);
    width->setRange(1, 4096);
    width->setValue(468);
    width->setGeometry(30, 100, 90, 26);
    auto* height = new QSpinBox(&std);
    height->setRange(1, 4096);
    height->setValue(60);
    height->setGeometry(130, 100, 90, 26);
    auto* keep = new QCheckBox(QStringLiteral("Keep proportions"), &std);
    keep->move(30, 140);
    keep->adjustSize();
    std.resize(420, 270);
    Shoot(std, QStringLiteral("stdwin"), [&] { ShowHint(std.InfoBar, 10); });
    Shoot(std, QStringLiteral("stdwin-okdimmed"), [&] {
        std.BtnOk->SetDimmed(true);
        QTest::mouseMove(std.BtnCancel, QPoint(20, 15));
        ResetCurrentHint();
        ShowHint(std.InfoBar, 11);
    });

    TMsgForm error;
    error.Setup(QStringLiteral("Error"), QStringLiteral("The file \"show.plt\" could not be read: it is not a Kavelins project."), mbOk);
    Shoot(error, QStringLiteral("msg-error"));

    TMsgForm confirm;
    confirm.Setup(QStringLiteral("Confirm"), QStringLiteral("Delete the scene \"Intro\" and its 12 items?"), mbOkCancel,
                  QStringLiteral("Do not ask again"));
    Shoot(confirm, QStringLiteral("msg-confirm"), [&] { QTest::mouseMove(confirm.BtnOk, QPoint(20, 12)); });

    TMsgForm info;
    info.Setup(QStringLiteral("Information"), QStringLiteral("The export is finished.\nEstimated download: 3 s at 28.8 kbit/s."), mbCancel);
    Shoot(info, QStringLiteral("msg-information"));

    TSaveMsgForm save;
    Shoot(save, QStringLiteral("msg-save"));

    TStartupForm startup;
    startup.SetTips(LoadStartupTips(appDir + QStringLiteral("/Data/StartupTips.txt")));
    Shoot(startup, QStringLiteral("startup"), [&] {
        QTest::mouseMove(startup.ModeButtons[3], QPoint(20, 20));
        startup.SelectMode(smdTemplates);
    });

    TLogoForm logo;
    Shoot(logo, QStringLiteral("splash"));

    TAboutForm about;
    about.Animation.SetCredits(LoadCredits(appDir + QStringLiteral("/Data/credorvel.txt")));
    for (int i = 0; i < 120; ++i)
        about.Animation.Step();
    Shoot(about, QStringLiteral("about"));

    // The loading window while a load is under way: shot from the window's own thread.
    TLoadingBarForm loading;
    loading.ShowDelay = 0;
    loading.OnFrame = [&](int frame) {
        if (frame == 4) {
            const QPixmap shot = loading.screen()->grabWindow(loading.winId());
            const QString file = g_out + QStringLiteral("/loading") + g_suffix + QStringLiteral(".png");
            std::printf("%s %dx%d\n", qPrintable(file), shot.width(), shot.height());
            shot.save(file);
        }
    };
    loading.Run(QStringLiteral("/home/someone/showcase.plt"),
                [] { std::this_thread::sleep_for(std::chrono::milliseconds(1200)); });

    TDebugForm debug;
    debug.CheckCreation->setChecked(true);
    {
        TBaseObjectCont objects;
        objects.Add(std::make_unique<TBaseObject>());
        objects.Add(std::make_unique<TBaseObject>());
        debug.BtnObjects->click();
        debug.BtnList->click();
    }
    Shoot(debug, QStringLiteral("debug"));
    return 0;
}

// Shows the standard windows one after another on the current screen and saves what the screen
// shows of each as PNG, for looking at the interface at any scale (QT_SCALE_FACTOR).
// Usage: kav-uishots APPDIR OUTDIR [SUFFIX] [panels]
//   "panels": the lower tool panel with each property panel and the cast list, and the small
//   windows of the editor (transparent colour, rename, shortcuts).
#include "app/startup.h"
#include "config/settings.h"
#include "document/document.h"
#include "document/item.h"
#include "document/itemimage.h"
#include "document/itemtext.h"
#include "document/project.h"
#include "document/scene.h"
#include "document/stage.h"
#include "editor/editsession.h"
#include "editor/forms/castlist.h"
#include "editor/forms/exportforms.h"
#include "editor/forms/propertypanels.h"
#include "editor/forms/renameform.h"
#include "editor/forms/shortcutsform.h"
#include "editor/forms/transcolorform.h"
#include "editor/playback.h"
#include "core/baseobject.h"
#include "ui/forms/aboutform.h"
#include "ui/forms/bmpbutton.h"
#include "ui/forms/debugform.h"
#include "ui/forms/loadingform.h"
#include "ui/forms/logoform.h"
#include "ui/forms/startupform.h"
#include "ui/forms/infobar.h"
#include "ui/forms/interstore.h"
#include "ui/forms/languageforms.h"
#include "ui/forms/msgform.h"
#include "ui/forms/savemsgform.h"
#include "ui/forms/stdpeltoform.h"
#include "ui/langstrings.h"

#include "shotlanguage.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
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

// A scene of pictures, strips and texts, each on a short path.
void BuildShowcase(TScene* scene)
{
    const QColor colours[] = {QColor(0xE8, 0x4A, 0x5F), QColor(0x2A, 0x9D, 0x8F), QColor(0xF4, 0xA2, 0x61),
                              QColor(0x26, 0x46, 0x53), QColor(0x8E, 0x7D, 0xBE)};
    for (int i = 0; i < 5; ++i) {
        QImage img(40 + 30 * i, 30 + 8 * i, QImage::Format_RGB32);
        img.fill(QColor(0, 255, 0));
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        p.setBrush(colours[i]);
        p.setPen(Qt::NoPen);
        p.drawRoundedRect(QRectF(2, 2, img.width() - 4, img.height() - 4), 8, 8);
        p.end();
        img.save(Doc().ImageFolder() + QStringLiteral("shape%1.bmp").arg(i), "BMP");
    }
    QImage strip(4 * 48, 48, QImage::Format_RGB32);
    strip.fill(QColor(0, 255, 0));
    {
        QPainter p(&strip);
        p.setRenderHint(QPainter::Antialiasing);
        for (int f = 0; f < 4; ++f) {
            p.setBrush(QColor(0x3B, 0x7B, 0xF0));
            p.setPen(Qt::NoPen);
            p.drawEllipse(QPointF(f * 48 + 24, 24), 10 + 3 * f, 10 + 3 * f);
        }
    }
    strip.save(Doc().AnimFolder() + QStringLiteral("pulse.bmp"), "BMP");

    auto add = [&](std::unique_ptr<TGfxItemBase> g, int x) {
        auto item = std::make_unique<TItemBase>(scene);
        TGfxItemBase* raw = g.get();
        item->AttachGraphic(std::move(g));
        (void)raw;
        item->Path.PathPoints = {TStagePoint(x, 60), TStagePoint(x + 30, 40), TStagePoint(x + 60, 60)};
        item->Path.Resample();
        auto* added = static_cast<TItemBase*>(scene->Items.Add(std::move(item)));
        scene->NumberItem(added);
        return added;
    };
    for (int i = 0; i < 14; ++i) {
        if (i % 3 == 0) {
            auto text = std::make_unique<TItemText>();
            TItemText* t = text.get();
            TItemBase* item = add(std::move(text), 30 + 20 * i);
            t->SetLines({i == 0 ? QStringLiteral("Summer Sale") : QStringLiteral("Offer %1").arg(i)});
            t->SetTextColor(i == 0 ? 0x00C0392B : 0x00804020);
            t->SetSize(24);
            item->SetItemName(QString());
        } else if (i % 3 == 1) {
            auto anim = std::make_unique<TItemAnim>();
            TItemAnim* a = anim.get();
            TItemBase* item = add(std::move(anim), 30 + 20 * i);
            a->FrameCountStored = 4;
            a->SetMedia(Doc().AnimFolder(), QStringLiteral("pulse"), 4);
            item->SetItemName(QString());
        } else {
            auto image = std::make_unique<TItemImage>();
            TItemImage* im = image.get();
            TItemBase* item = add(std::move(image), 30 + 20 * i);
            im->SetMedia(Doc().ImageFolder(), QStringLiteral("shape%1").arg(i % 5), 1);
            item->SetItemName(QString());
        }
    }
}

int ShootPanels(const QString& appDir)
{
    StartOptions options;
    options.applicationDir = appDir + QLatin1Char('/');
    StartEngine(options);
    kavshots::ApplyShotLanguage();
    TProject project;
    project.New();
    TPlayback playback;
    TEditSession session(project, playback);
    playback.SetScene(Doc().Scene(0));
    BuildShowcase(Doc().Scene(0));
    Doc().Scene(0)->Stage->Color = Doc().Scene(0)->Stage->CurrentColor = 0x00F3E9DC;

    QWidget host;
    host.setWindowTitle(QStringLiteral("Lower tool panel"));
    host.resize(780, TLowerToolPanel::kPropHeight + TCastList::kRowHeight);
    TLowerToolPanel panel(session, &host);
    panel.setGeometry(host.rect());
    // The panel's texts are the main window's entries of the table, as in the editor.
    host.setObjectName(QStringLiteral("MainForm"));
    LocaliseForm(&host);
    panel.FitCaptions();
    session.Changed = [&] {
        panel.UpdatePropertyPanels();
        panel.Cast()->RedrawCastList();
    };
    TScene* scene = Doc().Scene(0);
    auto select = [&](TItemBase* item) {
        if (item)
            session.Select(item);
        else
            session.SelectBackground();
        panel.Cast()->ScrollCast();
        session.NotifyChanged();
    };
    select(scene->Item(0));
    Shoot(host, QStringLiteral("panel-text"));
    static_cast<TItemText*>(scene->Item(0)->Graphic)->EffectsEnabled = true;
    static_cast<TItemText*>(scene->Item(0)->Graphic)->Effects = teBlink | teShrink;
    scene->Item(0)->Path.SetPathTypeByMenu(pmReturn);
    select(scene->Item(0));
    Shoot(host, QStringLiteral("panel-text-effects"));
    select(scene->Item(1));
    Shoot(host, QStringLiteral("panel-anim"));
    select(scene->Item(2));
    Shoot(host, QStringLiteral("panel-image"));
    select(scene->Item(13));
    Shoot(host, QStringLiteral("panel-cast-page2"));
    scene->Stage->BorderVisible = true;
    select(nullptr);
    Shoot(host, QStringLiteral("panel-background"));

    TTransColorForm trans;
    trans.SetColor(0x0000FF00);
    Shoot(trans, QStringLiteral("transcolor"));
    TRenameForm rename;
    rename.EditName->setText(QStringLiteral("Summer Sale"));
    rename.EditName->selectAll();
    Shoot(rename, QStringLiteral("rename"), [&] { rename.EditName->setFocus(); });
    TShortcutsForm shortcuts;
    Shoot(shortcuts, QStringLiteral("shortcuts"));
    return 0;
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
    kavshots::ApplyShotLanguage();
    g_out = QString::fromLocal8Bit(argv[2]);
    g_suffix = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QString();
    QDir().mkpath(g_out);
    if (g_suffix == QLatin1String("panels") || (argc > 4 && QLatin1String(argv[4]) == QLatin1String("panels"))) {
        if (g_suffix == QLatin1String("panels"))
            g_suffix.clear();
        return ShootPanels(appDir);
    }
    OpenInterStore(appDir + QStringLiteral("/Data/"), appDir + QStringLiteral("/Inter/"));
    SetInfoBarHints(LoadInfoBar(InfoBarFile(appDir + QStringLiteral("/Data/"))));

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

    // The export windows.
    TExportChoice choice;
    choice.Target = QStringLiteral("/home/anna/My Kavelins/spring-sale.zip");
    choice.Ad = true;
    TExportForm exportForm(choice);
    Shoot(exportForm, QStringLiteral("export"));
    TExportSizes exported;
    exported.Media = 38000;
    exported.Page = 2100;
    exported.ArchiveNetscape = exported.ArchiveExplorer = 30500;
    exported.Files = {{QStringLiteral("Item3.gif"), 21000}, {QStringLiteral("player.js"), 28000}, {QStringLiteral("Item0.au"), 17000}};
    exported.Deflated = 52000;
    TPerformance performance = ComputePerformance(exported, 3);
    performance.Animation.PassFrames = 170;
    performance.Animation.ComesBack = true;
    performance.Budget = AnimationLengthWarnings(performance.Animation);
    TStatForm stat(performance, true);
    Shoot(stat, QStringLiteral("statform"));

    TStartupForm startup;
    startup.SetTips(LoadStartupTips(LocalisedDataFile(appDir + QStringLiteral("/Data/"), QStringLiteral("StartupTips.txt"))));
    Shoot(startup, QStringLiteral("startup"), [&] {
        QTest::mouseMove(startup.ModeButtons[3], QPoint(20, 20));
        startup.SelectMode(smdTemplates);
    });

    TLogoForm logo;
    Shoot(logo, QStringLiteral("splash"));

    TAboutForm about;
    about.Animation.SetCredits(LoadCredits(LocalisedDataFile(appDir + QStringLiteral("/Data/"), QStringLiteral("credorvel.txt"))));
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

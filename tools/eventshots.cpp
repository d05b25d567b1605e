// Shows the event and action dialogs one after another on a small sample scene and saves what
// the screen shows of each as PNG, for looking at them at any scale (QT_SCALE_FACTOR).
// Usage: kav-eventshots APPDIR OUTDIR [SUFFIX]
#include "app/startup.h"
#include "config/settings.h"
#include "document/document.h"
#include "document/item.h"
#include "document/itemimage.h"
#include "document/itemtext.h"
#include "document/project.h"
#include "document/scene.h"
#include "editor/editsession.h"
#include "editor/eventcommands.h"
#include "editor/forms/cursorsform.h"
#include "editor/forms/editeventsform.h"
#include "editor/forms/listform.h"
#include "editor/forms/newactionform.h"
#include "editor/forms/textform.h"
#include "editor/forms/urlform.h"
#include "editor/playback.h"
#include "events/actions.h"
#include "events/timeactions.h"
#include "ui/forms/infobar.h"
#include "ui/forms/interstore.h"
#include "ui/forms/msgform.h"
#include "ui/langstrings.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QScreen>
#include <QTest>
#include <QTextEdit>

#include <cstdio>

#include "shotlanguage.h"

using namespace kav;

namespace {

QString g_out, g_suffix;

void Shoot(QWidget& window, const QString& name, const std::function<void()>& before = {})
{
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        std::fprintf(stderr, "kav-eventshots: %s was never shown\n", qPrintable(name));
    if (before)
        before();
    QTest::qWait(150);
    const QPixmap shot = window.screen()->grabWindow(window.winId());
    const QString file = g_out + QLatin1Char('/') + name + g_suffix + QStringLiteral(".png");
    std::printf("%s %dx%d\n", qPrintable(file), shot.width(), shot.height());
    shot.save(file);
    window.hide();
}

void Picture(const QString& name, QSize size, const std::function<void(QPainter&)>& draw)
{
    QImage img(size, QImage::Format_RGB32);
    img.fill(QColor(0, 255, 0));
    QPainter p(&img);
    draw(p);
    p.end();
    img.save(Doc().ImageFolder() + name + QStringLiteral(".bmp"), "BMP");
}

TItemBase* AddImage(TScene* scene, const QString& media, QPoint at)
{
    auto item = std::make_unique<TItemBase>(scene);
    item->AttachGraphic(std::make_unique<TItemImage>());
    item->Graphic->SetMedia(Doc().ImageFolder(), media, 1);
    item->Path.PathPoints = {TStagePoint(at.x(), at.y())};
    auto* raw = static_cast<TItemBase*>(scene->Items.Add(std::move(item)));
    scene->NumberItem(raw);
    raw->ResetPosition();
    return raw;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: kav-eventshots APPDIR OUTDIR [SUFFIX]\n");
        return 2;
    }
    const QString appDir = QDir(QString::fromLocal8Bit(argv[1])).absolutePath() + QLatin1Char('/');
    g_out = QString::fromLocal8Bit(argv[2]);
    g_suffix = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QString();
    QDir().mkpath(g_out);
    StartOptions options;
    options.applicationDir = appDir;
    StartEngine(options);
    kavshots::ApplyShotLanguage();
    OpenInterStore(appDir + QStringLiteral("Data/"), appDir + QStringLiteral("Inter/"));
    SetInfoBarHints(LoadInfoBar(InfoBarFile(appDir + QStringLiteral("Data/"))));

    TProject project;
    project.New();
    TPlayback playback;
    TEditSession session(project, playback);
    TScene* scene = Doc().Scene(0);
    playback.SetScene(scene);
    SceneOps::RenameScene(SceneOps::AddScene(), QStringLiteral("Thank You"));

    Picture(QStringLiteral("sun"), QSize(60, 60), [](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 170, 0));
        p.drawEllipse(10, 10, 40, 40);
    });
    Picture(QStringLiteral("logo"), QSize(120, 40), [](QPainter& p) {
        p.fillRect(0, 0, 120, 40, QColor(0x27, 0x61, 0xD9));
        p.setPen(Qt::white);
        QFont f = p.font();
        f.setBold(true);
        f.setPixelSize(20);
        p.setFont(f);
        p.drawText(QRect(0, 0, 120, 40), Qt::AlignCenter, QStringLiteral("SALE"));
    });
    TItemBase* sun = AddImage(scene, QStringLiteral("sun"), QPoint(80, 60));
    TItemBase* logo = AddImage(scene, QStringLiteral("logo"), QPoint(300, 60));
    auto textItem = std::make_unique<TItemBase>(scene);
    textItem->AttachGraphic(std::make_unique<TItemText>());
    auto* text = static_cast<TItemText*>(textItem->Graphic);
    text->SetLines({QStringLiteral("Summer deals"), QStringLiteral("up to 50% off")});
    auto* textRaw = static_cast<TItemBase*>(scene->Items.Add(std::move(textItem)));
    scene->NumberItem(textRaw);

    // Eight timed events on the sun, so that the boxes scroll.
    for (int i = 0; i < 8; ++i) {
        auto event = std::make_unique<TTimeActions>(sun);
        event->Time = uint32_t(i * 25 + 5) << 16;
        TTimeActions* raw = event.get();
        sun->InsertTimedEvent(std::move(event));
        const TActionTarget target{&raw->FActions, sun, false};
        if (i == 2) {
            AddTargetActions(target, TTargetKind::Show, {{QString(), logo, {}}});
            AddPlaySoundAction(target, QStringLiteral("chime"), true);
            AddGotoUrlAction(target, QStringLiteral("example.com/summer"), QString(), false);
        } else {
            AddTargetActions(target, i % 2 ? TTargetKind::Hide : TTargetKind::Show, {{QString(), logo, {}}});
        }
    }
    AddChangeColorAction({&logo->Graphic->UserEvents, logo, true}, 0x00D9A040);
    AddGotoUrlAction({&logo->Graphic->UserEvents, logo, true}, QStringLiteral("example.com"), QStringLiteral("_blank"), false);
    session.Select(sun);

    TEventDialogHooks hooks;
    hooks.ChooseImage = [](TItemBase&) { return false; };
    hooks.ChooseAnimation = [](TItemBase&) { return false; };

    {
        TNewActionForm form({&sun->Event(0)->FActions, sun, false},
                            QStringLiteral("Select an Action to occur at this point"), hooks);
        Shoot(form, QStringLiteral("newaction"));
    }
    {
        TListForm form;
        form.Setup(QStringLiteral("Select item(s) to show:"), QStringLiteral("Show Item(s)"), ShowHideRows(*scene), true);
        form.List->setCurrentRow(1);
        Shoot(form, QStringLiteral("list-items"));
    }
    {
        TListForm form;
        form.Setup(QStringLiteral("Choose scene to go to:"), QStringLiteral("Goto Scene"), SceneRows(), false,
                   TListForm::Kind::Scenes);
        Shoot(form, QStringLiteral("list-scenes"));
    }
    {
        TListForm form;
        form.PlaySound = [](const QString&) {};
        form.Setup(QStringLiteral("Select a sound:"), QStringLiteral("Play Sound"),
                   {{QStringLiteral("chime"), nullptr, QStringLiteral("chime")},
                    {QStringLiteral("whoosh"), nullptr, QStringLiteral("whoosh")}},
                   false, TListForm::Kind::Sounds);
        Shoot(form, QStringLiteral("list-sounds"));
    }
    {
        TURLForm form;
        form.EditURL->setText(QStringLiteral("https://www.example.com/summer"));
        Shoot(form, QStringLiteral("url"));
    }
    {
        // What Ok answers to an address a browser must not be sent to.
        TMsgForm box;
        box.Setup(QStringLiteral("Error"), GetString(QStringLiteral("Error.UnsafeURL"), QStringLiteral("javascript:alert(1)")), mbOk);
        Shoot(box, QStringLiteral("url-refused"));
    }
    {
        TCursorsForm form;
        const QStringList names = CursorNames(settings().DataDir);
        QList<QImage> pictures;
        for (const QString& n : names)
            pictures << CursorPicture(settings().DataDir, n);
        form.SetCursors(names, pictures);
        form.Preselect(QStringLiteral("deflib/cursors/01"));
        Shoot(form, QStringLiteral("cursors"));
    }
    {
        TTextForm form;
        form.Fill(*text);
        Shoot(form, QStringLiteral("text"));
    }
    {
        TEditEventsForm form(session, TEditEventsForm::Mode::TimedEvents, hooks, sun->Event(2));
        Shoot(form, QStringLiteral("events-timed"), [&] { form.ScrollBoxes(1); });
        form.reject();
    }
    sun = Doc().Scene(0)->Item(0);
    logo = Doc().Scene(0)->Item(1);
    session.Select(logo);
    {
        TEditEventsForm form(session, TEditEventsForm::Mode::UserEvents, hooks);
        Shoot(form, QStringLiteral("events-user"));
        form.reject();
    }
    {
        TEditEventsForm form(session, TEditEventsForm::Mode::SceneEvents, hooks);
        Shoot(form, QStringLiteral("events-scene"));
        form.reject();
    }
    return 0;
}

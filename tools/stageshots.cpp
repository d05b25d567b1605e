// Opens the showcase project in the main window, drives the stage as a user does and saves the
// screen as PNG at each step: a selected item with its event bar, the path editor in the middle
// of a stroke, the item's popup menu. For looking at the stage at any scale (QT_SCALE_FACTOR).
// Usage: kav-stageshots APPDIR OUTDIR [SUFFIX]
#include "app/startup.h"
#include "config/settings.h"
#include "config/workdir.h"
#include "document/document.h"
#include "document/item.h"
#include "document/project.h"
#include "document/scene.h"
#include "editor/forms/mainform.h"
#include "editor/forms/stagewidget.h"
#include "platform/soundoutput.h"
#include "ui/forms/infobar.h"
#include "ui/forms/interstore.h"

#include "shotlanguage.h"

#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QTest>

#include <cmath>
#include <cstdio>

using namespace kav;

namespace {

QString g_out, g_suffix;

void Save(QWidget& window, const QString& name)
{
    QTest::qWait(200);
    // The whole screen: popup menus are windows of their own.
    QScreen* screen = window.screen();
    const QRect area = window.frameGeometry().adjusted(-4, -4, 260, 160) & screen->geometry();
    const QPixmap shot = screen->grabWindow(0, area.x(), area.y(), area.width(), area.height());
    const QString file = g_out + QLatin1Char('/') + name + g_suffix + QStringLiteral(".png");
    std::printf("%s %dx%d\n", qPrintable(file), shot.width(), shot.height());
    shot.save(file);
}

void Mouse(QWidget* stage, QEvent::Type type, QPoint p, Qt::MouseButton button, Qt::MouseButtons held)
{
    QMouseEvent e(type, QPointF(p), stage->mapToGlobal(QPointF(p)), button, held, Qt::NoModifier);
    QApplication::sendEvent(stage, &e);
}

// An opaque point of the item, as near its centre as there is one.
QPoint Grip(const TItemBase* item)
{
    const TBox b = item->BoundingBox();
    const QPoint c((b.left + b.right) / 2, (b.top + b.bottom) / 2);
    for (int r = 0; r < 40; ++r)
        for (int dy = -r; dy <= r; ++dy)
            for (int dx = -r; dx <= r; ++dx)
                if (item->HitTest(c.x() + dx, c.y() + dy, false, true).kind == hkBody)
                    return c + QPoint(dx, dy);
    return c;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: kav-stageshots APPDIR OUTDIR [SUFFIX]\n");
        return 2;
    }
    const QString appDir = QString::fromLocal8Bit(argv[1]);
    g_out = QString::fromLocal8Bit(argv[2]);
    g_suffix = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QString();
    QDir().mkpath(g_out);
    StartOptions options;
    options.applicationDir = appDir + QLatin1Char('/');
    StartEngine(options);
    kavshots::ApplyShotLanguage();
    OpenInterStore(appDir + QStringLiteral("/Data/"), appDir + QStringLiteral("/Inter/"));
    SetInfoBarHints(LoadInfoBar(InfoBarFile(appDir + QStringLiteral("/Data/"))));

    TProject project;
    project.New();
    TSoundOutput silent;
    TMainForm window(project, &silent);
    window.resize(760, 420);
    window.move(20, 20);
    window.show();
    if (!window.OpenFile(appDir + QStringLiteral("/Samples/showcase.plt")))
        return 1;
    window.activateWindow();
    (void)QTest::qWaitForWindowActive(&window);
    TStageWidget* stage = window.Stage();
    TScene* scene = window.Session().CurrentScene();
    if (!scene || scene->ItemCount() == 0)
        return 1;
    // The item with the longest path shows most of the overlay.
    TItemBase* item = scene->Item(0);
    for (int i = 0; i < scene->ItemCount(); ++i)
        if (scene->Item(i)->Path.PathPoints.size() > item->Path.PathPoints.size() && scene->Item(i)->Graphic)
            item = scene->Item(i);

    // 1. The item selected: outline, path, handles, markers, the event bar (pointer on its
    //    middle box).
    const QPoint grip = Grip(item);
    Mouse(stage, QEvent::MouseButtonPress, grip, Qt::LeftButton, Qt::LeftButton);
    Mouse(stage, QEvent::MouseButtonRelease, grip, Qt::LeftButton, Qt::NoButton);
    const QRect bar = item->EventBar;
    Mouse(stage, QEvent::MouseMove, QPoint(bar.left() + 10, bar.top() + 30), Qt::NoButton, Qt::NoButton);
    Save(window, QStringLiteral("stage-selected"));

    // 2. The path editor in the middle of a stroke.
    window.StageEditor().StartPathDrawing();
    Save(window, QStringLiteral("stage-path-waiting"));
    const QPoint start = Grip(item);
    Mouse(stage, QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton);
    for (int i = 1; i <= 30; ++i) {
        const double t = i / 30.0;
        const QPoint p = start + QPoint(int(160 * t), int(35 * std::sin(t * 6.283)));
        Mouse(stage, QEvent::MouseMove, p, Qt::NoButton, Qt::LeftButton);
    }
    Save(window, QStringLiteral("stage-path-stroke"));
    const QPoint end = start + QPoint(160, 0);
    Mouse(stage, QEvent::MouseButtonRelease, end, Qt::LeftButton, Qt::NoButton);
    Save(window, QStringLiteral("stage-path-fitted"));

    // 3. The item's popup menu, its Path Type submenu open: the right press on the body, away
    //    from the path's handles.
    QPoint at = Grip(item);
    const TBox box = item->BoundingBox();
    for (int y = box.top; y < box.bottom; ++y)
        for (int x = box.left; x < box.right; ++x) {
            TItemBase* under = nullptr;
            if (window.StageEditor().HitTestStage(QPoint(x, y), &under).kind == hkBody && under == item) {
                at = QPoint(x, y);
                y = box.bottom;
                break;
            }
        }
    Mouse(stage, QEvent::MouseButtonPress, at, Qt::RightButton, Qt::RightButton);
    Mouse(stage, QEvent::MouseButtonRelease, at, Qt::RightButton, Qt::NoButton);
    QTest::qWait(200);
    if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
        for (QAction* a : menu->actions())
            if (a->menu() && a->menu()->objectName().contains(QLatin1String("Path"))) {
                menu->setActiveAction(a);
                a->menu()->popup(menu->mapToGlobal(menu->actionGeometry(a).topRight()));
            }
    }
    Save(window, QStringLiteral("stage-popup"));
    if (QWidget* popup = QApplication::activePopupWidget())
        popup->close();
    if (QWidget* popup = QApplication::activePopupWidget())
        popup->close();
    window.Project().SetModified(false);
    window.AskSaveChanges = [] { return TMainForm::SaveAnswer::No; };
    window.close();
    ReplaceRunWorkDir(nullptr);
    return 0;
}

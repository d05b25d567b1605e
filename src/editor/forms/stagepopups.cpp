#include "editor/forms/stagepopups.h"

#include <QActionGroup>
#include <QMap>
#include <QMenu>
#include <QPointer>

namespace kav {

namespace {
const char* MenuName(TPopupKind kind)
{
    switch (kind) {
    case TPopupKind::Item: return "PopupItem";
    case TPopupKind::PathPoint: return "PopupPath";
    case TPopupKind::EventPoint: return "PopupEventPoint";
    case TPopupKind::Background: return "PopupBkd";
    case TPopupKind::TimedEvent: return "PopupEvent";
    case TPopupKind::UserEvent: return "PopupUser";
    case TPopupKind::None: break;
    }
    return "Popup";
}
} // namespace

QMenu* BuildStagePopup(const TPopupRequest& request, TStageEditor& editor, QWidget* parent)
{
    auto* menu = new QMenu(parent);
    menu->setObjectName(QLatin1String(MenuName(request.Kind)));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QMap<QString, QMenu*> submenus;
    QMap<QString, QActionGroup*> groups;
    for (const TPopupEntry& e : request.Entries) {
        QMenu* into = menu;
        if (!e.Submenu.isEmpty()) {
            QMenu*& sub = submenus[e.Submenu];
            if (!sub) {
                sub = menu->addMenu(e.Submenu);
                sub->setObjectName(menu->objectName() + QLatin1Char('_') + QString(e.Submenu).remove(QLatin1Char('&')));
            }
            into = sub;
        }
        if (e.Name.isEmpty()) {
            into->addSeparator();
            continue;
        }
        QAction* a = into->addAction(e.Caption);
        a->setObjectName(menu->objectName() + QLatin1Char('_') + e.Name);
        a->setEnabled(e.Enabled);
        if (e.Checkable) {
            a->setCheckable(true);
            a->setChecked(e.Checked);
            // The path types are one choice: shown as radio marks.
            QActionGroup*& group = groups[e.Submenu];
            if (!group) {
                group = new QActionGroup(menu);
                group->setExclusive(true);
            }
            group->addAction(a);
        }
        // The entry runs after the menu closed, so a dialog it opens is not inside the menu.
        QPointer<QWidget> owner(parent);
        const QString name = e.Name;
        QObject::connect(a, &QAction::triggered, parent, [&editor, name, owner] {
            if (owner)
                editor.RunCommand(name);
        }, Qt::QueuedConnection);
    }
    return menu;
}

QMenu* ShowStagePopup(const TPopupRequest& request, TStageEditor& editor, QWidget* stage)
{
    if (request.Kind == TPopupKind::None || request.Entries.isEmpty())
        return nullptr;
    QMenu* menu = BuildStagePopup(request, editor, stage);
    menu->popup(stage->mapToGlobal(request.At));
    return menu;
}

} // namespace kav

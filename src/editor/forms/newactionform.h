#pragma once
#include "editor/eventcommands.h"
#include "editor/forms/eventdialogs.h"
#include "ui/forms/stdpeltoform.h"

namespace kav {

class TEditSession;

// The action chooser: one button per kind of action. Each button asks what it needs (a media
// editor, a list, an address, a colour) and closes the window with Ok when it appended at least
// one action to the target's list, with Cancel otherwise.
class TNewActionForm : public TStdPeltoForm {
    Q_OBJECT
public:
    TNewActionForm(const TActionTarget& target, const QString& subtitle, const TEventDialogHooks& hooks,
                   QWidget* parent = nullptr);

    QLabel* LabelSubtitle = nullptr;
    TBmpButton* BtnAddText = nullptr;
    TBmpButton* BtnAddImage = nullptr;
    TBmpButton* BtnAddAnim = nullptr;
    TBmpButton* BtnReplaceItem = nullptr;
    TBmpButton* BtnShowItems = nullptr;
    TBmpButton* BtnHideItems = nullptr;
    TBmpButton* BtnFreezeAnim = nullptr;
    TBmpButton* BtnResumeAnim = nullptr;
    TBmpButton* BtnPlaySound = nullptr;
    TBmpButton* BtnStopSound = nullptr;
    TBmpButton* BtnGotoScene = nullptr;
    TBmpButton* BtnGotoURL = nullptr;
    TBmpButton* BtnBackgroundColor = nullptr;

    // The actions the window appended.
    const QList<TActionBase*>& Made() const { return m_made; }

    // Opens the chooser on a list; true when actions were appended.
    static bool Run(QWidget* parent, const TActionTarget& target, const QString& subtitle,
                    const TEventDialogHooks& hooks);
    // "New Timed Event..." / "Add Timed Event...": the event at the current frame of the
    // selected item, with its undo step "Add Event".
    static bool NewTimedEvent(TEditSession& session, const TEventDialogHooks& hooks, QWidget* parent = nullptr);
    // "New User Event...": the selected item's user events, with the undo step "Add User Event".
    static bool NewUserEvent(TEditSession& session, const TEventDialogHooks& hooks, QWidget* parent = nullptr);

protected:
    void ApplyStrings() override;
    bool BeforeBuildBackground(QPainter& painter) override;

private:
    bool AddItem(TNewItemKind kind);
    bool ReplaceItem();
    bool TargetItems(TTargetKind kind);
    bool PlaySound();
    bool StopSound();
    bool GotoScene();
    bool GotoURL();
    bool BackgroundColor();
    void Finish(bool made);
    void UpdateDimming();

    TActionTarget m_target;
    TEventDialogHooks m_hooks;
    QList<TActionBase*> m_made;
};

} // namespace kav

#include "editor/forms/newactionform.h"

#include "document/document.h"
#include "document/item.h"
#include "document/scene.h"
#include "document/stage.h"
#include "editor/editsession.h"
#include "editor/forms/listform.h"
#include "editor/forms/urlform.h"
#include "events/actions.h"
#include "ui/forms/bmpbutton.h"
#include "ui/forms/interstore.h"
#include "ui/langstrings.h"

#include <QLabel>
#include <QPainter>

namespace kav {

namespace {
constexpr int kTop = 74, kStep = 36, kLeft = 18, kColumnGap = 12;
constexpr int kHelpAction = 15300;  // the buttons' hints follow in steps of two (dimmed: + 1)

QString Verb(const char* key) { return GetString(QStringLiteral("EventForms.Verb") + QLatin1String(key)); }
} // namespace

TNewActionForm::TNewActionForm(const TActionTarget& target, const QString& subtitle, const TEventDialogHooks& hooks,
                               QWidget* parent)
    : TStdPeltoForm(parent), m_target(target), m_hooks(hooks)
{
    setObjectName(QStringLiteral("NewActionForm"));
    const QString title = GetString(target.UserEvent ? QStringLiteral("NewActionForm.TitleNewInteraction")
                                                     : QStringLiteral("NewActionForm.TitleNewTimedEvent"));
    setWindowTitle(title);
    StdLabelTitle->setText(title);
    LabelSubtitle = new QLabel(subtitle, this);
    LabelSubtitle->setObjectName(QStringLiteral("LabelSubtitle"));
    QFont bold = LabelSubtitle->font();
    bold.setBold(true);
    LabelSubtitle->setFont(bold);

    int n = 0;
    auto button = [this, &n](const char* name, const QString& caption) {
        TBmpButton* b = eventdialogs::MakeButton(this, name, caption, QStringLiteral("Action"), kHelpAction + 2 * n);
        const int column = n < 6 ? 0 : 1, row = n < 6 ? n : n - 6;
        b->move(kLeft + column * (b->width() + kColumnGap), kTop + row * kStep);
        ++n;
        return b;
    };
    BtnAddText = button("BtnAddText", QStringLiteral("Add Text"));
    BtnAddImage = button("BtnAddImage", QStringLiteral("Add Image"));
    BtnAddAnim = button("BtnAddAnim", QStringLiteral("Add Animation"));
    BtnReplaceItem = button("BtnReplaceItem", QStringLiteral("Replace Item with..."));
    BtnShowItems = button("BtnShowItems", QStringLiteral("Show Item(s)"));
    BtnHideItems = button("BtnHideItems", QStringLiteral("Hide Item(s)"));
    BtnFreezeAnim = button("BtnFreezeAnim", QStringLiteral("Freeze Animation"));
    BtnResumeAnim = button("BtnResumeAnim", QStringLiteral("Resume Animation"));
    BtnPlaySound = button("BtnPlaySound", QStringLiteral("Play Sound"));
    BtnStopSound = button("BtnStopSound", QStringLiteral("Stop Sound"));
    BtnGotoScene = button("BtnGotoScene", QStringLiteral("Go to Scene"));
    BtnGotoURL = button("BtnGotoURL", QStringLiteral("Go to Web Site"));
    BtnBackgroundColor = button("BtnBackgroundColor", QStringLiteral("Background Color"));

    connect(BtnAddText, &TBmpButton::OnClick, this, [this] { Finish(AddItem(TNewItemKind::Text)); });
    connect(BtnAddImage, &TBmpButton::OnClick, this, [this] { Finish(AddItem(TNewItemKind::Image)); });
    connect(BtnAddAnim, &TBmpButton::OnClick, this, [this] { Finish(AddItem(TNewItemKind::Animation)); });
    connect(BtnReplaceItem, &TBmpButton::OnClick, this, [this] { Finish(ReplaceItem()); });
    connect(BtnShowItems, &TBmpButton::OnClick, this, [this] { Finish(TargetItems(TTargetKind::Show)); });
    connect(BtnHideItems, &TBmpButton::OnClick, this, [this] { Finish(TargetItems(TTargetKind::Hide)); });
    connect(BtnFreezeAnim, &TBmpButton::OnClick, this, [this] { Finish(TargetItems(TTargetKind::Freeze)); });
    connect(BtnResumeAnim, &TBmpButton::OnClick, this, [this] { Finish(TargetItems(TTargetKind::Resume)); });
    connect(BtnPlaySound, &TBmpButton::OnClick, this, [this] { Finish(PlaySound()); });
    connect(BtnStopSound, &TBmpButton::OnClick, this, [this] { Finish(StopSound()); });
    connect(BtnGotoScene, &TBmpButton::OnClick, this, [this] { Finish(GotoScene()); });
    connect(BtnGotoURL, &TBmpButton::OnClick, this, [this] { Finish(GotoURL()); });
    connect(BtnBackgroundColor, &TBmpButton::OnClick, this, [this] { Finish(BackgroundColor()); });

    // Every button ends the window; Cancel stands alone on the tray.
    BtnOk->hide();
    const int width = kLeft * 2 + 2 * BtnAddText->width() + kColumnGap;
    LabelSubtitle->setGeometry(kLeft, 44, width - 2 * kLeft, 20);
    SetClientSize(width, kTop + 7 * kStep + 92);
    ApplyStrings();
    UpdateDimming();
}

void TNewActionForm::ApplyStrings()
{
    TStdPeltoForm::ApplyStrings();
    const QString desc = m_target.Owner ? ItemKindText(m_target.Owner->ClassDesc()) : QString();
    BtnReplaceItem->SetCaption(GetString(QStringLiteral("NewActionForm.BtnReplaceItem"), desc));
    BtnCancel->SetCaption(GetText(QStringLiteral("NewActionForm.BtnCancel")));
}

bool TNewActionForm::BeforeBuildBackground(QPainter& p)
{
    const QImage back = LoadInterfaceBitmap(QStringLiteral("StdWin\\ActionBg"), p.device()->devicePixelRatioF());
    p.fillRect(rect(), QColor(0xEE, 0xF1, 0xF6));
    p.drawImage(QRectF(rect()), back);
    DrawTopDecoration(p);
    DrawBottomDecoration(p);
    // Cancel alone takes the place Ok would have, at the end of the tray.
    BtnCancel->move(BtnOk->pos());
    return true;
}

void TNewActionForm::UpdateDimming()
{
    const TScene* scene = m_target.Scene();
    const bool hasAnim = scene && SceneHasAnimation(*scene);
    BtnFreezeAnim->SetDimmed(!hasAnim);
    BtnResumeAnim->SetDimmed(!hasAnim);
    BtnStopSound->SetDimmed(SoundNames().isEmpty());
    BtnAddImage->SetDimmed(!m_hooks.ChooseImage);
    BtnAddAnim->SetDimmed(!m_hooks.ChooseAnimation);
    const bool ownerText = m_target.Owner && m_target.Owner->ClassDesc() == QLatin1String("Text");
    const bool ownerAnim = m_target.Owner && m_target.Owner->ClassDesc() == QLatin1String("Animation");
    BtnReplaceItem->SetDimmed(!m_target.Owner
                              || (!ownerText && !(ownerAnim ? bool(m_hooks.ChooseAnimation) : bool(m_hooks.ChooseImage))));
    const bool items = scene && !ShowHideRows(*scene).isEmpty();
    BtnShowItems->SetDimmed(!items);
    BtnHideItems->SetDimmed(!items);
}

void TNewActionForm::Finish(bool made)
{
    done(made ? mrOk : mrCancel);
}

bool TNewActionForm::AddItem(TNewItemKind kind)
{
    // The item exists only for its media editor until that says Ok; otherwise it goes again.
    std::unique_ptr<TItemBase> item = NewActionItem(m_target, kind);
    if (!eventdialogs::EditItemMedia(this, m_hooks, *item))
        return false;
    item->ResetPosition();
    m_made << AddItemAction(m_target, std::move(item), false);
    return true;
}

bool TNewActionForm::ReplaceItem()
{
    std::unique_ptr<TItemBase> item = NewReplacementItem(m_target);
    if (!eventdialogs::EditItemMedia(this, m_hooks, *item))
        return false;
    item->ResetPosition();
    m_made << AddItemAction(m_target, std::move(item), true);
    return true;
}

bool TNewActionForm::TargetItems(TTargetKind kind)
{
    const TScene* scene = m_target.Scene();
    if (!scene)
        return false;
    QString title, action;
    QList<TListRow> rows;
    if (kind == TTargetKind::Show || kind == TTargetKind::Hide) {
        const QString verb = Verb(kind == TTargetKind::Show ? "Show" : "Hide");
        title = GetString(QStringLiteral("EventForms.ShowHideTitle"), verb.toLower());
        action = GetString(QStringLiteral("EventForms.ShowHideAction"), verb);
        rows = ShowHideRows(*scene);
    } else {
        const QString verb = Verb(kind == TTargetKind::Freeze ? "Freeze" : "Resume");
        title = GetString(QStringLiteral("EventForms.AnimTitle"), verb);
        action = GetString(QStringLiteral("EventForms.AnimAction"), verb);
        rows = AnimationRows(*scene);
    }
    QList<TListRow> chosen;
    if (!TListForm::Choose(this, title, action, rows, true, chosen))
        return false;
    const QList<TActionBase*> made = AddTargetActions(m_target, kind, chosen);
    m_made << made;
    return !made.isEmpty();
}

bool TNewActionForm::PlaySound()
{
    QString sound;
    bool loop = false;
    if (!eventdialogs::ChooseSound(this, m_hooks, sound, loop))
        return false;
    TActionBase* made = AddPlaySoundAction(m_target, sound, loop);
    if (made)
        m_made << made;
    return made != nullptr;
}

bool TNewActionForm::StopSound()
{
    QList<TListRow> chosen;
    if (!TListForm::Choose(this, GetString(QStringLiteral("EventForms.StopSoundTitle")),
                           GetString(QStringLiteral("EventForms.StopSoundAction")), StopSoundRows(), true, chosen,
                           TListForm::Kind::Sounds, nullptr, nullptr, m_hooks.PlaySound))
        return false;
    const QList<TActionBase*> made = AddStopSoundActions(m_target, chosen);
    m_made << made;
    return !made.isEmpty();
}

bool TNewActionForm::GotoScene()
{
    const QList<TListRow> rows = SceneRows();
    QList<TListRow> chosen;
    TNewSceneKind make = TNewSceneKind::None;
    if (!TListForm::Choose(this, GetString(QStringLiteral("EventForms.SceneTitle")),
                           GetString(QStringLiteral("EventForms.SceneAction")), rows, false, chosen,
                           TListForm::Kind::Scenes, &make))
        return false;
    TScene* scene = nullptr;
    if (make == TNewSceneKind::None && !chosen.isEmpty())
        scene = Doc().FindScene(chosen.first().Name);
    TActionBase* made = AddGotoSceneAction(m_target, scene, make);
    if (made)
        m_made << made;
    return made != nullptr;
}

bool TNewActionForm::GotoURL()
{
    QString url = WebAddressStart(), frame;
    bool relative = false;
    if (!TURLForm::Edit(this, url, frame, relative))
        return false;
    TActionBase* made = AddGotoUrlAction(m_target, url, frame, relative);
    if (made)
        m_made << made;
    return made != nullptr;
}

bool TNewActionForm::BackgroundColor()
{
    const TScene* scene = m_target.Scene();
    uint32_t color = scene && scene->Stage ? scene->Stage->Color : 0x00FFFFFF;
    const bool ok = m_hooks.ChooseColor ? m_hooks.ChooseColor(color) : eventdialogs::ChooseColor(this, color);
    if (!ok)
        return false;
    m_made << AddChangeColorAction(m_target, color);
    return true;
}

bool TNewActionForm::Run(QWidget* parent, const TActionTarget& target, const QString& subtitle,
                         const TEventDialogHooks& hooks)
{
    TNewActionForm form(target, subtitle, hooks, parent);
    return form.exec() == mrOk && !form.Made().isEmpty();
}

bool TNewActionForm::NewTimedEvent(TEditSession& session, const TEventDialogHooks& hooks, QWidget* parent)
{
    return kav::NewTimedEvent(session, [&](const TActionTarget& target) {
        return Run(parent, target, GetString(QStringLiteral("EventForms.SubtitleTimed")), hooks);
    });
}

bool TNewActionForm::NewUserEvent(TEditSession& session, const TEventDialogHooks& hooks, QWidget* parent)
{
    return kav::NewUserEvent(session, [&](const TActionTarget& target) {
        return Run(parent, target, GetString(QStringLiteral("EventForms.SubtitleUser")), hooks);
    });
}

} // namespace kav

#pragma once
// What the event and action dialogs share: the media choosers they borrow from the rest of the
// program, the look of their buttons, the colour dialog and the editors of single actions.
#include <QImage>
#include <QString>

#include <cstdint>
#include <functional>

class QWidget;

namespace kav {

class TActionBase;
class TBmpButton;
class TGfxItemBase;
class TItemBase;
class TScene;
class TStage;

// Media the dialogs take from elsewhere. The main window supplies the choosers of the media
// libraries; an action button whose chooser is missing is dimmed. The last three replace the
// program's own dialogs when set (scripted runs).
struct TEventDialogHooks {
    // Gives the new item's graphic an image or an animation; true when one was chosen.
    std::function<bool(TItemBase& item)> ChooseImage;
    std::function<bool(TItemBase& item)> ChooseAnimation;
    // The sound chooser, opened on a sound: the chosen name and its "Loop" box. Unset: the
    // sounds of the project's sound folder in the list chooser.
    std::function<bool(QString& sound, bool& loop)> ChooseSound;
    // The speaker buttons: play a sound once; stop whatever plays. Unset: the editor's playback.
    std::function<void(const QString& sound)> PlaySound;
    std::function<void()> StopSound;
    // Unset: the text dialog and the colour dialog.
    std::function<bool(TItemBase& item)> EditText;
    std::function<bool(uint32_t& color)> ChooseColor;
};

namespace eventdialogs {

// A captioned bitmap button of these dialogs: "Events\<face>" pictures in four looks.
TBmpButton* MakeButton(QWidget* parent, const char* name, const QString& caption, const QString& face,
                       int help = 0);
// The colour dialog (Qt's own on every desktop, so that it shows the program's 16 custom colours)
// on a colour; the custom colours are stored back whatever the user answers. True on Ok.
bool ChooseColor(QWidget* parent, uint32_t& color);
// The sound chooser of the hooks, or the project's sounds in the list chooser.
bool ChooseSound(QWidget* parent, const TEventDialogHooks& hooks, QString& sound, bool& loop);
// The media editor of an item: the text dialog for text, the image or animation chooser.
bool EditItemMedia(QWidget* parent, const TEventDialogHooks& hooks, TItemBase& item);
// "Edit" of the event editor: runs the action's own editor; true when it changed the action.
bool EditAction(QWidget* parent, const TEventDialogHooks& hooks, TActionBase& action);
// Previews: an item's graphic scaled down to fit and centred, or the stage background.
void DrawItemPreview(QImage& image, const TItemBase& item);
void DrawStagePreview(QImage& image, const TStage& stage);

} // namespace eventdialogs
} // namespace kav

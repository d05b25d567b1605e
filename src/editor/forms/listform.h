#pragma once
#include "editor/eventcommands.h"
#include "editor/forms/eventdialogs.h"
#include "ui/forms/stdpeltoform.h"

class QCheckBox;
class QListWidget;

namespace kav {

// The list chooser: rows in a list box (one or several chosen) with a preview of the row's item,
// a speaker button for sounds and, for choosing a scene, the buttons "New Blank Scene" and
// "New Duplicated Scene" above the "Existing Scene(s):".
class TListForm : public TStdPeltoForm {
    Q_OBJECT
public:
    enum class Kind { Items, Sounds, Scenes };

    explicit TListForm(QWidget* parent = nullptr);

    QLabel* LabelTitle = nullptr;
    QListWidget* List = nullptr;
    QLabel* Preview = nullptr;
    TBmpButton* BtnSpeaker = nullptr;
    QCheckBox* CheckLoop = nullptr;
    TBmpButton* BtnNewBlankScene = nullptr;
    TBmpButton* BtnNewDuplicatedScene = nullptr;
    QLabel* LabelExistingScenes = nullptr;

    // `title` above the list, `actionName` in the title tab.
    void Setup(const QString& title, const QString& actionName, const QList<TListRow>& rows, bool multi,
               Kind kind = Kind::Items);
    // The chosen rows in list order.
    QList<TListRow> Chosen() const;
    // Set when the window closed through one of the new-scene buttons.
    TNewSceneKind NewScene = TNewSceneKind::None;
    // Plays a sound row (the speaker button); unset, the button is hidden.
    std::function<void(const QString& sound)> PlaySound;

    // Opens the chooser; true on Ok with at least one row (or a new-scene button).
    static bool Choose(QWidget* parent, const QString& title, const QString& actionName,
                       const QList<TListRow>& rows, bool multi, QList<TListRow>& chosen,
                       Kind kind = Kind::Items, TNewSceneKind* newScene = nullptr, bool* loop = nullptr,
                       std::function<void(const QString&)> playSound = {});

private:
    void RowChanged();
    void UpdateOk();
    QList<TListRow> m_rows;
    Kind m_kind = Kind::Items;
};

} // namespace kav

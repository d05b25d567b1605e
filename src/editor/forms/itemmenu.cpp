// The Item menu's value entries: speed, loop, tempo, font, size, style, colour, alignment,
// spacing, effects and tile. They run the same commands as the property panels, so undo, the
// limits and the repaint are one for both; what shows and what is marked comes from
// ItemMenuState.
#include "document/itemtext.h"
#include "document/scene.h"
#include "document/stage.h"
#include "editor/forms/eventdialogs.h"
#include "editor/forms/mainform.h"
#include "editor/itemcommands.h"
#include "core/errors.h"
#include "ui/langstrings.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>

namespace kav {

namespace {
QString ItemText(const char* key)
{
    return GetText(QStringLiteral("MainForm.") + QLatin1String(key));
}

// A submenu of radio entries, one per value; `apply` gets the chosen entry's value.
QMenu* ValueMenu(QMenu* parent, const char* name, const QList<int>& values, const QStringList& captions,
                 QObject* owner, const std::function<void(int)>& apply)
{
    QMenu* menu = parent->addMenu(ItemText(name));
    menu->setObjectName(QLatin1String(name));
    auto* group = new QActionGroup(menu);
    for (int i = 0; i < values.size(); ++i) {
        QAction* a = menu->addAction(i < captions.size() ? captions[i] : QString::number(values[i]));
        a->setObjectName(QStringLiteral("%1_%2").arg(QLatin1String(name)).arg(values[i]));
        a->setData(values[i]);
        a->setCheckable(true);
        group->addAction(a);
        const int value = values[i];
        QObject::connect(a, &QAction::triggered, owner, [apply, value] { apply(value); });
    }
    return menu;
}

// Marks the entry holding `value` (none when no entry holds it).
void Mark(QMenu* menu, int value)
{
    for (QAction* a : menu->actions())
        a->setChecked(a->data().toInt() == value);
}
} // namespace

void TMainForm::RunItemCommand(const std::function<void()>& command)
{
    try {
        command();
    } catch (const UserError& e) {
        ShowErrorBox(e.message());
    }
}

void TMainForm::BuildItemValueMenu()
{
    TEditSession& s = *m_session;
    auto entry = [this](const char* name, const QKeySequence& keys, const std::function<void()>& run) {
        QAction* a = m_menuItem->addAction(ItemText(name));
        a->setObjectName(QLatin1String(name));
        if (!keys.isEmpty())
            a->setShortcut(keys);
        connect(a, &QAction::triggered, this, [this, run] { RunItemCommand(run); });
        return a;
    };
    auto number = [this, &s](int (*command)(TEditSession&, const QString&)) {
        return [this, &s, command](int value) { RunItemCommand([&] { command(s, QString::number(value)); }); };
    };

    m_itemValues.flip = entry("MenuItem_Flip", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F),
                              [&s] { ItemCommands::Flip(s); });
    m_itemValues.speed = ValueMenu(m_menuItem, "MenuItem_Speed", SpeedValues(), {}, this, number(ItemCommands::SetSpeed));
    m_itemValues.loop = entry("MenuItem_Loop", QKeySequence(Qt::CTRL | Qt::Key_L),
                              [&s] { ItemCommands::SetAnimLoop(s, !ItemMenuState(s).loopChecked); });
    m_itemValues.loop->setCheckable(true);
    QList<int> tempos;
    for (int t = kMinShownTempo; t <= kMaxShownTempo; ++t)
        tempos << t;
    m_itemValues.tempo = ValueMenu(m_menuItem, "MenuItem_Tempo", tempos, {}, this, number(ItemCommands::SetTempo));
    QList<int> fonts;
    QStringList fontNames;
    for (const TFontNames& f : FontList()) {
        fonts << fonts.size();
        fontNames << f.FontDisplayName;
    }
    m_itemValues.font = ValueMenu(m_menuItem, "MenuItem_Font", fonts, fontNames, this,
                                  [this, &s](int index) { RunItemCommand([&] { ItemCommands::SetFont(s, index); }); });
    m_itemValues.size = ValueMenu(m_menuItem, "MenuItem_Size", SizeValues(), {}, this, number(ItemCommands::SetFontSize));

    m_itemValues.style = m_menuItem->addMenu(ItemText("MenuItem_Style"));
    m_itemValues.style->setObjectName(QStringLiteral("MenuItem_Style"));
    auto styleEntry = [this, &s](const char* name, bool boldEntry) {
        QAction* a = m_itemValues.style->addAction(ItemText(name));
        a->setObjectName(QLatin1String(name));
        a->setCheckable(true);
        connect(a, &QAction::triggered, this, [this, &s, boldEntry] {
            const TItemMenuState m = ItemMenuState(s);
            RunItemCommand([&] { ItemCommands::SetStyle(s, m.bold != boldEntry, m.italic == boldEntry); });
        });
        return a;
    };
    m_itemValues.bold = styleEntry("MenuItem_Bold", true);
    m_itemValues.italic = styleEntry("MenuItem_Italic", false);

    // The colour of the text, or of the stage when the background is selected.
    m_itemValues.color = entry("MenuItem_Color", QKeySequence(Qt::CTRL | Qt::Key_R), [this, &s] {
        if (TItemText* text = SelectedText(s)) {
            uint32_t colour = text->Font.TextColor & 0x00FFFFFF;
            if (eventdialogs::ChooseColor(this, colour))
                ItemCommands::SetTextColor(s, colour);
        } else if (TStage* stage = s.BackgroundSelected() ? CurrentStage(s) : nullptr) {
            uint32_t colour = stage->Color & 0x00FFFFFF;
            if (eventdialogs::ChooseColor(this, colour))
                ItemCommands::SetStageColor(s, colour);
        }
    });
    m_itemValues.alignment = ValueMenu(m_menuItem, "MenuItem_Alignment", {taLeftJustify, taCenter, taRightJustify},
                                       {ItemText("MenuItem_AlignLeft"), ItemText("MenuItem_AlignCenter"),
                                        ItemText("MenuItem_AlignRight")},
                                       this, [this, &s](int align) { RunItemCommand([&] { ItemCommands::SetAlignment(s, align); }); });
    m_itemValues.spacing = ValueMenu(m_menuItem, "MenuItem_Spacing", SpacingValues(), {}, this, number(ItemCommands::SetSpacing));

    m_itemValues.effect = m_menuItem->addMenu(ItemText("MenuItem_Effect"));
    m_itemValues.effect->setObjectName(QStringLiteral("MenuItem_Effect"));
    static const char* const effectNames[5] = {"MenuItem_Effect1", "MenuItem_Effect2", "MenuItem_Effect3",
                                               "MenuItem_Effect4", "MenuItem_Effect5"};
    for (int i = 0; i < 5; ++i) {
        QAction* a = m_itemValues.effect->addAction(ItemText(effectNames[i]));
        a->setObjectName(QLatin1String(effectNames[i]));
        a->setCheckable(true);
        connect(a, &QAction::triggered, this, [this, &s, i] { RunItemCommand([&] { ItemCommands::ToggleEffect(s, i); }); });
        m_itemValues.effects[i] = a;
    }
    m_itemValues.tile = entry("MenuItem_Tile", QKeySequence(Qt::CTRL | Qt::Key_T),
                              [&s] { ItemCommands::SetTile(s, !ItemMenuState(s).tileChecked); });
    m_itemValues.tile->setCheckable(true);
}

void TMainForm::RefreshItemValueMenu()
{
    if (!m_itemValues.tile)
        return;
    const TItemMenuState m = ItemMenuState(*m_session);
    const bool editing = !m_playback.Playing && !m_editor->DrawingPath();
    auto show = [editing](QAction* a, bool visible, bool enabled) {
        a->setVisible(visible);
        a->setEnabled(visible && enabled && editing);
    };
    show(m_actCenter, m.center, m_actCenter->isEnabled());
    show(m_itemValues.flip, m.flip, m.flipEnabled);
    show(m_itemValues.speed->menuAction(), m.speed, m.speedEnabled);
    Mark(m_itemValues.speed, m.speedValue);
    show(m_itemValues.loop, m.loop, true);
    m_itemValues.loop->setChecked(m.loopChecked);
    show(m_itemValues.tempo->menuAction(), m.tempo, m.tempoEnabled);
    Mark(m_itemValues.tempo, m.tempoShown);
    show(m_itemValues.font->menuAction(), m.font, true);
    Mark(m_itemValues.font, m.fontIndex);
    show(m_itemValues.size->menuAction(), m.size, true);
    Mark(m_itemValues.size, m.sizeValue);
    show(m_itemValues.style->menuAction(), m.style, true);
    m_itemValues.bold->setChecked(m.bold);
    m_itemValues.italic->setChecked(m.italic);
    // The background's colour is chosen here too, where the menu shows it.
    show(m_itemValues.color, m.color, m.colorEnabled || m_session->BackgroundSelected());
    show(m_itemValues.alignment->menuAction(), m.alignment, m.alignmentEnabled);
    Mark(m_itemValues.alignment, m.alignValue);
    show(m_itemValues.spacing->menuAction(), m.spacing, true);
    Mark(m_itemValues.spacing, m.spacingValue);
    show(m_itemValues.effect->menuAction(), m.effect, true);
    for (int i = 0; i < 5; ++i)
        m_itemValues.effects[i]->setChecked(m.effects[i]);
    show(m_itemValues.tile, m.tile, true);
    m_itemValues.tile->setChecked(m.tileChecked);
}

} // namespace kav

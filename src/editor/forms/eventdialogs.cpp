#include "editor/forms/eventdialogs.h"

#include "config/datafiles.h"
#include "core/colors.h"
#include "document/document.h"
#include "document/gfxitem.h"
#include "document/item.h"
#include "document/itemimage.h"
#include "document/itemtext.h"
#include "document/stage.h"
#include "editor/forms/listform.h"
#include "editor/forms/textform.h"
#include "editor/forms/urlform.h"
#include "events/actions.h"
#include "ui/forms/bmpbutton.h"
#include "ui/langstrings.h"

#include <QColorDialog>
#include <QDir>
#include <QPainter>

#include <algorithm>

namespace kav::eventdialogs {

TBmpButton* MakeButton(QWidget* parent, const char* name, const QString& caption, const QString& face, int help)
{
    auto* b = new TBmpButton(parent);
    b->setObjectName(QLatin1String(name));
    const QString base = QStringLiteral("\\Events\\") + face;
    b->SetBmps(base, base + QLatin1Char('R'), base + QLatin1Char('C'), base + QLatin1Char('D'));
    b->SetCaption(caption);
    b->SetDrawCaption(!caption.isEmpty());
    b->TextPressedDY = 1;
    QFont f = b->font();
    f.setBold(true);
    f.setPixelSize(12);
    b->setFont(f);
    // Dark slate on the light face, the accent under the mouse.
    b->Color = 0x00514137;
    b->ColorRoll = 0x00C0561F;
    b->ColorPressed = 0x00943E17;
    b->ColorDimmed = 0x00AFA59C;
    if (help)
        b->SetHelpContext(help);
    return b;
}

namespace {

// Custom colours are kept as "ColorA=BBGGRR" lines, sixteen of them.
QColor CustomColor(const QString& line)
{
    bool ok = false;
    const uint32_t value = line.section(QLatin1Char('='), 1).trimmed().toUInt(&ok, 16);
    return ok ? ToQColor(value) : QColor(Qt::white);
}

QString CustomColorLine(int i, const QColor& c)
{
    const QString hex = QString::number(FromQColor(c) & 0xFFFFFF, 16).rightJustified(6, QLatin1Char('0')).toUpper();
    return QStringLiteral("Color%1=%2").arg(QString(QLatin1Char(char('A' + i))), hex);
}

} // namespace

bool ChooseColor(QWidget* parent, uint32_t& color)
{
    const QStringList lines = AppData().CustomColors;
    for (int i = 0; i < 16; ++i)
        QColorDialog::setCustomColor(i, i < lines.size() ? CustomColor(lines[i]) : QColor(Qt::white));
    QColorDialog dialog(ToQColor(color), parent);
    // The program's own dialog: it keeps the sixteen custom colours on every desktop.
    dialog.setOption(QColorDialog::DontUseNativeDialog, true);
    const bool ok = dialog.exec() == QDialog::Accepted;
    // The custom colours the user set are kept whether or not he chose a colour.
    QStringList kept;
    for (int i = 0; i < 16; ++i)
        kept << CustomColorLine(i, QColorDialog::customColor(i));
    if (kept != lines) {
        AppData().CustomColors = kept;
        try {
            SaveCustomColors(CustomColorsFile(), kept);
        } catch (...) {
            // The colours stay for this run; the next start has the old ones.
        }
    }
    if (ok)
        color = FromQColor(dialog.selectedColor());
    return ok;
}

bool ChooseSound(QWidget* parent, const TEventDialogHooks& hooks, QString& sound, bool& loop)
{
    if (hooks.ChooseSound)
        return hooks.ChooseSound(sound, loop);
    // Until the sound library is there: the sounds the project holds.
    QList<TListRow> rows;
    const QStringList files = QDir(Doc().SoundFolder()).entryList({QStringLiteral("*.wav")}, QDir::Files, QDir::Name);
    for (const QString& f : files) {
        const QString name = f.left(f.size() - 4);
        rows.append({name, nullptr, name});
    }
    QList<TListRow> chosen;
    const bool ok = TListForm::Choose(parent, GetString(QStringLiteral("EventForms.ChooseSound")),
                                      GetText(QStringLiteral("NewActionForm.BtnPlaySound")), rows, false, chosen,
                                      TListForm::Kind::Sounds, nullptr, &loop, hooks.PlaySound);
    if (!ok || chosen.isEmpty())
        return false;
    sound = chosen.first().Name;
    return true;
}

bool EditItemMedia(QWidget* parent, const TEventDialogHooks& hooks, TItemBase& item)
{
    if (dynamic_cast<TItemText*>(item.Graphic)) {
        if (hooks.EditText)
            return hooks.EditText(item);
        return TTextForm::Edit(parent, item);
    }
    if (dynamic_cast<TItemAnim*>(item.Graphic))
        return hooks.ChooseAnimation && hooks.ChooseAnimation(item);
    return hooks.ChooseImage && hooks.ChooseImage(item);
}

bool EditAction(QWidget* parent, const TEventDialogHooks& hooks, TActionBase& action)
{
    if (auto* add = dynamic_cast<TActionAddItem*>(&action))
        return add->Item && EditItemMedia(parent, hooks, *add->Item);
    if (auto* url = dynamic_cast<TActionGotoURL*>(&action)) {
        QString address = url->URL, frame = url->Frame;
        bool relative = url->Relative;
        if (!TURLForm::Edit(parent, address, frame, relative))
            return false;
        url->SetTarget(address, frame, relative);
        return true;
    }
    if (auto* colour = dynamic_cast<TActionChangeColor*>(&action)) {
        uint32_t c = colour->Color;
        const bool ok = hooks.ChooseColor ? hooks.ChooseColor(c) : ChooseColor(parent, c);
        if (ok)
            colour->Color = c;
        return ok;
    }
    if (auto* play = dynamic_cast<TActionPlaySound*>(&action)) {
        QString sound = play->SoundName;
        bool loop = play->Loop;
        if (!ChooseSound(parent, hooks, sound, loop))
            return false;
        play->SetSound(sound);
        play->Loop = loop;
        return true;
    }
    return false;
}

void DrawItemPreview(QImage& image, const TItemBase& item)
{
    if (item.Graphic)
        DrawGraphicPreview(image, *item.Graphic);
    else
        image.fill(Qt::white);
}

void DrawStagePreview(QImage& image, const TStage& stage) { kav::DrawStagePreview(image, stage); }

} // namespace kav::eventdialogs

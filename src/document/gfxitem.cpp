#include "document/gfxitem.h"

#include "core/errors.h"
#include "core/mediacache.h"
#include "core/textstr.h"
#include "document/document.h"
#include "document/item.h"
#include "ui/langstrings.h"

#include <QFileInfo>
#include <QHash>

namespace kav {

namespace {
QHash<QString, int>& cursorTable()
{
    static QHash<QString, int> table;
    return table;
}
} // namespace

int CursorNumber(const QString& cursorName) { return cursorTable().value(cursorName, 0); }

void SetCursorTable(const QList<QPair<QString, int>>& table)
{
    cursorTable().clear();
    for (const auto& [name, number] : table)
        if (!cursorTable().contains(name))
            cursorTable().insert(name, number);
}

TGfxItemBase::TGfxItemBase(TBaseObject* owner) : TBaseObject(owner)
{
    UserEvents.Owner = this;
    SetCursor(QLatin1String(kDefaultCursor));
}

TGfxItemBase::~TGfxItemBase()
{
    UserEvents.ClearItems();
    MediaCache().Release(CursorBitmap);
}

TItemBase* TGfxItemBase::Item() const { return dynamic_cast<TItemBase*>(Owner); }

void TGfxItemBase::SetCursor(const QString& name)
{
    if (name == Cursor && CursorBitmap)
        return;
    MediaCache().Release(CursorBitmap);
    CursorBitmap = nullptr;
    Cursor = name;
    CursorId = CursorNumber(name);
    // Cursor pictures come from the media libraries; until one holds this cursor the stage
    // shows the system's pointing hand rather than a placeholder picture.
    // The name is a library reference (cursors come from the program's data folder) or a file.
    const QString key = QStringLiteral("Cursor/") + name;
    QImage picture;
    if (!MediaCache().Find(key)) {
        const QString file = name + QStringLiteral(".bmp");
        picture = QFileInfo::exists(file) ? ReadImageFile(file) : TMaskedBitmap::ReadLibraryImage(name);
        if (picture.isNull())
            return;
    }
    CursorBitmap = MediaCache().Acquire(key, [&] {
        auto bmp = std::make_unique<TMaskedBitmap>();
        bmp->AddFrames(picture, picture.width(), picture.height(), Doc().TransparentColor);
        return bmp;
    });
}

void TGfxItemBase::LoadGraphicPart(TTextStr& s)
{
    if (s.Mode != smCopy)
        UserEvents.LoadOf<TActionBase>(s, Owner);
    // The stored cursor is the user's choice: keep it (an unknown name still loads, as number 0).
    const QString cursor = s.ReadString();
    SetCursor(cursor.isEmpty() ? QLatin1String(kDefaultCursor) : cursor);
}

void TGfxItemBase::SaveGraphicPart(TTextStr& s, const QString& indent)
{
    TBaseObject::Save(s, indent);
    if (s.Mode != smCopy)
        UserEvents.Save(s, indent);
    s.WriteString(Deeper(indent), QuotedWhenNeeded(Cursor));
}

void TGfxItemBase::Load(TTextStr& s) { LoadGraphicPart(s); }
void TGfxItemBase::Save(TTextStr& s, const QString& indent)
{
    // The player knows images, animations and texts, each of which writes its own record.
    if (s.Mode == smApplet)
        throw UserError(GetString(QStringLiteral("Error.UnrecognizableItem")));
    SaveGraphicPart(s, indent);
}

int TGfxItemBase::PropertySpeed() const { return Item() ? Item()->Path.Speed : 0; }

void TGfxItemBase::SetPropertySpeed(int v)
{
    if (TItemBase* item = Item())
        item->SetSpeed(v);
}

void TGfxItemBase::CollectMedia(TMediaList& list) const
{
    for (const auto& a : UserEvents)
        static_cast<const TActionBase*>(a.get())->CollectMedia(list);
    list.append({Cursor, CursorId});
}

void TGfxItemBase::SetItemName(const QString&)
{
    if (TItemBase* item = Item())
        item->Name.clear();
}

void TGfxItemBase::ResetPlayback()
{
    if (TItemBase* item = Item()) {
        item->HotSpotX = Width() / 2;
        item->HotSpotY = Height() / 2;
    }
}

} // namespace kav

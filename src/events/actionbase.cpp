#include "events/actionbase.h"

#include "core/errors.h"
#include "core/textstr.h"
#include "ui/langstrings.h"

namespace kav {

void TActionBase::DrawPreview(QImage& image) const { image.fill(Qt::white); }

void TActionBase::Load(TTextStr& s) { s.ReadInteger(); }

void TActionBase::Save(TTextStr& s, const QString& indent)
{
    // Every action the player knows writes its own record.
    if (s.Mode == smApplet)
        throw UserError(GetString(QStringLiteral("Error.UnknownAction")));
    TBaseObject::Save(s, indent);
    s.WriteInteger(Deeper(indent), 0);
}

void TActionBase::RemoveAndDestroy()
{
    if (ParentList && ParentList->IndexOf(this) >= 0)
        ParentList->Extract(this).reset();
}

} // namespace kav

#include "events/actionbase.h"

#include "core/textstr.h"

namespace kav {

void TActionBase::DrawPreview(QImage& image) const { image.fill(Qt::white); }

void TActionBase::Load(TTextStr& s) { s.ReadInteger(); }

void TActionBase::Save(TTextStr& s, const QString& indent)
{
    TBaseObject::Save(s, indent);
    s.WriteInteger(Deeper(indent), 0);
}

void TActionBase::RemoveAndDestroy()
{
    if (ParentList && ParentList->IndexOf(this) >= 0)
        ParentList->Extract(this).reset();
}

} // namespace kav

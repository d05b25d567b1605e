#include "ui/forms/clearpanel.h"

#include "ui/forms/infobar.h"

#include <QPainter>

namespace kav {

TClearPanel::TClearPanel(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAutoFillBackground(false);
}

void TClearPanel::paintEvent(QPaintEvent*)
{
    if (OnPaint) {
        QPainter p(this);
        OnPaint(p);
    }
}

TClearPaintBox::TClearPaintBox(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAutoFillBackground(false);
}

int TClearPaintBox::HelpContext() const { return kav::HelpContext(this); }
void TClearPaintBox::SetHelpContext(int number) { kav::SetHelpContext(this, number); }

void TClearPaintBox::paintEvent(QPaintEvent*)
{
    if (OnPaint) {
        QPainter p(this);
        OnPaint(p);
    }
}

} // namespace kav

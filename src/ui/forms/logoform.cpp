#include "ui/forms/logoform.h"

#include "ui/forms/interstore.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

namespace kav {

TLogoForm::TLogoForm(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("LogoForm"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setEnabled(false);
    m_logo = LoadInterfaceBitmap(QStringLiteral("logo"), 2.0, QSize(360, 200));
    setFixedSize(m_logo.deviceIndependentSize().toSize());
}

void TLogoForm::ShowNow()
{
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    show();
    repaint();
}

void TLogoForm::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.drawImage(rect(), m_logo);
}

} // namespace kav

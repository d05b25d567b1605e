#include "editor/forms/stagewidget.h"

#include <QMouseEvent>
#include <QPainter>

namespace kav {

TStageWidget::TStageWidget(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("PBoxStage"));
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);
    // Every pixel comes from the composed frame: no background to erase first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFixedSize(1, 1);
}

void TStageWidget::FrameReady()
{
    if (size() != m_frame.size() && !m_frame.isNull())
        setFixedSize(m_frame.size());
    update();
}

void TStageWidget::paintEvent(QPaintEvent* event)
{
    QPainter p(this);
    p.drawImage(event->rect().topLeft(), m_frame, event->rect());
}

void TStageWidget::mouseMoveEvent(QMouseEvent* event)
{
    emit MouseMoved(event->position().toPoint());
}

void TStageWidget::mousePressEvent(QMouseEvent* event)
{
    emit MousePressed(event->position().toPoint(), event->button());
}

void TStageWidget::mouseReleaseEvent(QMouseEvent* event)
{
    emit MouseReleased(event->position().toPoint(), event->button());
}

void TStageWidget::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    emit MouseLeft();
}

} // namespace kav

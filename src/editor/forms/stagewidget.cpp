#include "editor/forms/stagewidget.h"

#include "editor/stageediting.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <cmath>

namespace kav {

namespace {
Qt::CursorShape Shape(TStageCursor c)
{
    switch (c) {
    case TStageCursor::MoveItem: return Qt::SizeAllCursor;
    case TStageCursor::PathPoint: return Qt::CrossCursor;
    case TStageCursor::Curve: return Qt::SizeAllCursor;
    case TStageCursor::Marker: return Qt::SizeHorCursor;
    case TStageCursor::Button: return Qt::PointingHandCursor;
    case TStageCursor::Pen: return Qt::CrossCursor;
    case TStageCursor::Arrow: break;
    }
    return Qt::ArrowCursor;
}

QPoint StagePoint(const QMouseEvent* e)
{
    // Whole stage pixels: an item dragged on a scaled screen lands on whole pixels too.
    const QPointF p = e->position();
    return QPoint(int(std::floor(p.x())), int(std::floor(p.y())));
}
} // namespace

TStageWidget::TStageWidget(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("PBoxStage"));
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
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

void TStageWidget::UpdateCursor(QPoint at)
{
    if (m_editor)
        setCursor(Shape(m_editor->CursorAt(at)));
}

bool TStageWidget::event(QEvent* event)
{
    // Tab and Shift+Tab walk through the items, not through the window's controls.
    if (m_editor && (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride)) {
        auto* k = static_cast<QKeyEvent*>(event);
        if ((k->key() == Qt::Key_Tab || k->key() == Qt::Key_Backtab) && !(k->modifiers() & Qt::ControlModifier)) {
            k->accept();
            return true;
        }
    }
    return QWidget::event(event);
}

void TStageWidget::paintEvent(QPaintEvent* event)
{
    QPainter p(this);
    p.drawImage(event->rect().topLeft(), m_frame, event->rect());
    if (PaintOverlay)
        PaintOverlay(p);
}

void TStageWidget::mouseMoveEvent(QMouseEvent* event)
{
    emit MouseMoved(StagePoint(event), event->buttons());
}

void TStageWidget::mousePressEvent(QMouseEvent* event)
{
    setFocus(Qt::MouseFocusReason);
    emit MousePressed(StagePoint(event), event->button(), event->modifiers());
}

void TStageWidget::mouseReleaseEvent(QMouseEvent* event)
{
    emit MouseReleased(StagePoint(event), event->button());
}

void TStageWidget::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        emit DoubleClicked(StagePoint(event));
}

void TStageWidget::keyPressEvent(QKeyEvent* event)
{
    if (m_editor && m_editor->KeyDown(event->key(), event->modifiers())) {
        event->accept();
        emit KeyUsed(event->key());
        return;
    }
    QWidget::keyPressEvent(event);
}

void TStageWidget::keyReleaseEvent(QKeyEvent* event)
{
    if (!event->isAutoRepeat() && m_editor && m_editor->KeyUp(event->key(), event->modifiers())) {
        event->accept();
        emit KeyUsed(event->key());
        return;
    }
    QWidget::keyReleaseEvent(event);
}

void TStageWidget::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    emit MouseLeft();
}

} // namespace kav

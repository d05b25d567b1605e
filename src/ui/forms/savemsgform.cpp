#include "ui/forms/savemsgform.h"

#include "ui/forms/bmpbutton.h"
#include "ui/forms/interstore.h"
#include "ui/langstrings.h"

#include <QPainter>

namespace kav {

namespace {
constexpr int kButtonStep = 64;   // from one button of the tray to the next
}

TSaveMsgForm::TSaveMsgForm(QWidget* parent)
    : TMsgForm(parent)
{
    setObjectName(QStringLiteral("SaveMsgForm"));
    BtnNo = new TBmpButton(this);
    BtnNo->setObjectName(QStringLiteral("BtnNo"));
    BtnNo->SetBmps(QStringLiteral("\\StdWin\\Message\\SaveCancel"), QStringLiteral("\\StdWin\\Message\\SaveCancelR"),
                   QStringLiteral("\\StdWin\\Message\\SaveCancelC"), QStringLiteral("\\StdWin\\Message\\SaveCancelD"));
    BtnNo->SetCaption(QStringLiteral("No"));
    BtnNo->SetDrawCaption(true);
    BtnNo->TextPressedDY = BtnCancel->TextPressedDY;
    BtnNo->setFont(BtnCancel->font());
    BtnNo->SetHelpContext(BtnCancel->HelpContext());
    connect(BtnNo, &TBmpButton::OnClick, this, &TSaveMsgForm::BtnNoClick);
    SetText(GetString(QStringLiteral("Confirm.SaveChanges")));
    TStdPeltoForm::ApplyStrings();
}

void TSaveMsgForm::SetText(const QString& text)
{
    Setup(QStringLiteral("Confirm"), text, mbOkCancel);
    BtnNo->Color = BtnCancel->Color;
    BtnNo->ColorRoll = BtnCancel->ColorRoll;
    BtnNo->ColorPressed = BtnCancel->ColorPressed;
    BtnNo->ColorDimmed = BtnCancel->ColorDimmed;
    setWindowTitle(GetText(QStringLiteral("SaveMsgForm")));
    setFixedSize(std::max(width(), 380), height());
}

void TSaveMsgForm::BtnNoClick() { done(mrNo); }

bool TSaveMsgForm::BeforeBuildBackground(QPainter& p)
{
    TMsgForm::BeforeBuildBackground(p);
    // A second tray one button to the left makes room for No before Cancel.
    const QImage curve = LoadInterfaceBitmap(QStringLiteral("StdWin\\Message\\BottomCurve"), p.device()->devicePixelRatioF());
    const QSizeF size = curve.deviceIndependentSize();
    const int x = width() - int(size.width());
    const int y = height() - int(size.height());
    p.drawImage(QPointF(x - kButtonStep, y), curve);
    p.drawImage(QPointF(x, y), curve);
    BtnNo->move(x + 27 - kButtonStep, y);
    return true;
}

} // namespace kav

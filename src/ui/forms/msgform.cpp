#include "ui/forms/msgform.h"

#include "core/colors.h"
#include "ui/forms/bmpbutton.h"
#include "ui/forms/clearpanel.h"
#include "ui/forms/interstore.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPainter>
#include <QScreen>

namespace kav {

namespace {
constexpr int kTextLeft = 80;        // right of the caption picture
constexpr int kTextTop = 30;
constexpr int kMaxTextWidth = 460;   // longer lines wrap instead of widening the box off screen
MessageBoxHandler g_handler;

QString Message(const QString& name) { return QStringLiteral("StdWin\\Message\\") + name; }
} // namespace

TMsgForm::TMsgForm(QWidget* parent)
    : TStdPeltoForm(parent)
{
    setObjectName(QStringLiteral("MsgForm"));
    setWindowFlag(Qt::WindowStaysOnTopHint);
    SetColors(0x00FFFFFF, 0x00909090);
    InfoPanel->hide();
    StdLabelTitle->setWordWrap(true);
    StdLabelTitle->setContentsMargins(0, 0, 0, 0);
    QFont f = StdLabelTitle->font();
    f.setBold(false);
    f.setPixelSize(13);
    StdLabelTitle->setFont(f);
    StdLabelTitle->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    MsgCheck = new QCheckBox(this);
    MsgCheck->setObjectName(QStringLiteral("MsgCheck"));
    MsgCheck->hide();
    KeepButtonPositions = true;
    TStdPeltoForm::ApplyStrings();
}

void TMsgForm::Setup(const QString& caption, const QString& text, int buttons, const QString& checkText)
{
    m_caption = caption.isEmpty() ? QStringLiteral("Error") : caption;
    setWindowTitle(m_caption);
    StdLabelTitle->setText(text);
    const bool ok = (buttons & mbOk) || !(buttons & mbCancel);   // a box always has a way out
    const bool cancel = buttons & mbCancel;
    BtnOk->setVisible(ok);
    BtnCancel->setVisible(cancel);
    m_single = !(ok && cancel);
    if (m_single) {
        for (TBmpButton* b : {BtnOk, BtnCancel})
            b->SetBmps(QStringLiteral("\\StdWin\\Message\\Full"), QStringLiteral("\\StdWin\\Message\\FullR"),
                       QStringLiteral("\\StdWin\\Message\\FullC"), QStringLiteral("\\StdWin\\Message\\FullD"));
        // Either button alone wears the accent face and its white caption.
        BtnCancel->Color = BtnCancel->ColorRoll = 0x00FFFFFF;
        BtnCancel->ColorPressed = 0x00F5EBE3;
    } else {
        BtnCancel->Color = 0x00514137;
        BtnCancel->ColorRoll = 0x00C0561F;
        BtnCancel->ColorPressed = 0x00943E17;
        BtnCancel->SetBmps(QStringLiteral("\\StdWin\\Message\\SaveCancel"), QStringLiteral("\\StdWin\\Message\\SaveCancelR"),
                           QStringLiteral("\\StdWin\\Message\\SaveCancelC"), QStringLiteral("\\StdWin\\Message\\SaveCancelD"));
        BtnOk->SetBmps(QStringLiteral("\\StdWin\\Message\\Yes"), QStringLiteral("\\StdWin\\Message\\YesR"),
                       QStringLiteral("\\StdWin\\Message\\YesC"), QStringLiteral("\\StdWin\\Message\\YesD"));
    }

    // The label takes the size of its text; the box is that plus 100 each way, at least 310 x 140.
    const QFontMetrics fm(StdLabelTitle->font());
    const QRect textSize = fm.boundingRect(QRect(0, 0, kMaxTextWidth, 100000), Qt::TextWordWrap, text);
    StdLabelTitle->setGeometry(kTextLeft, kTextTop, textSize.width() + 2, textSize.height());
    int contentWidth = StdLabelTitle->width();
    int contentHeight = StdLabelTitle->height();
    if (!checkText.isEmpty()) {
        MsgCheck->setText(checkText);
        MsgCheck->setChecked(false);
        MsgCheck->adjustSize();
        MsgCheck->move(kTextLeft, kTextTop + contentHeight + 10);
        MsgCheck->show();
        contentWidth = std::max(contentWidth, MsgCheck->width());
        contentHeight += 10 + MsgCheck->height();
    } else {
        MsgCheck->hide();
    }
    setFixedSize(std::max(contentWidth + 100, 310), std::max(contentHeight + 100, 140));
    if (isVisible())
        RebuildBackground();
}

bool TMsgForm::BeforeBuildBackground(QPainter& p)
{
    const qreal dpr = p.device()->devicePixelRatioF();
    p.fillRect(rect(), Qt::white);
    QImage picture = LoadInterfaceBitmap(Message(m_caption), dpr);
    if (picture.deviceIndependentSize().width() < 70)
        picture = LoadInterfaceBitmap(Message(QStringLiteral("Warning")), dpr);
    p.drawImage(QPointF(0, 0), picture);

    const QImage curve = LoadInterfaceBitmap(Message(m_single ? QStringLiteral("SingleCurve") : QStringLiteral("BottomCurve")), dpr);
    const QSizeF size = curve.deviceIndependentSize();
    const int x = width() - int(size.width());
    const int y = height() - int(size.height());
    const QColor band = ToQColor(0x00D5D5D5);
    if (m_single) {
        p.fillRect(QRect(QPoint(0, y + 26), QPoint(x, y + 43)), band);
        BtnOk->move(x + 22, y + 9);
        BtnCancel->move(x + 22, y + 9);
    } else {
        p.fillRect(QRect(QPoint(0, y + 18), QPoint(x, y + 35)), band);
        BtnCancel->move(x + 27, y);
        BtnOk->move(x + 91, y);
    }
    p.drawImage(QPointF(x, y), curve);
    return true;
}

int MessageBoxCheck(const QString& caption, const QString& text, int buttons, const QString& checkText,
                    bool* checked)
{
    if (g_handler) {
        if (checked)
            *checked = false;
        return g_handler(caption.isEmpty() ? QStringLiteral("Error") : caption, text, buttons);
    }
    TMsgForm form(QApplication::activeWindow());
    form.Setup(caption, text, buttons, checkText);
    const int result = form.exec();
    if (checked)
        *checked = form.MsgCheck->isChecked();
    return result == TStdPeltoForm::mrOk ? TStdPeltoForm::mrOk : TStdPeltoForm::mrCancel;
}

int MessageBox(const QString& caption, const QString& text, int buttons)
{
    return MessageBoxCheck(caption, text, buttons, {}, nullptr);
}

void ShowErrorBox(const QString& text)
{
    MessageBox(QStringLiteral("Error"), text, mbOk);
}

void SetMessageBoxHandler(MessageBoxHandler handler) { g_handler = std::move(handler); }

} // namespace kav

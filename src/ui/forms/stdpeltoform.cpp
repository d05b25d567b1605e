#include "ui/forms/stdpeltoform.h"

#include "config/settings.h"
#include "core/colors.h"
#include "ui/forms/bmpbutton.h"
#include "ui/forms/clearpanel.h"
#include "ui/forms/infobar.h"
#include "ui/forms/interstore.h"
#include "ui/forms/languageforms.h"
#include "ui/langstrings.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QScreen>

namespace kav {

namespace {
constexpr int kInfoPanelHeight = 15;
constexpr int kDragZone = 20;           // the top pixels that move the window
constexpr int kHelpWindow = 20;
constexpr int kHelpOk = 10;             // 11 while dimmed
constexpr int kHelpCancel = 12;         // 13 while dimmed

QImage Picture(const QString& name, qreal dpr)
{
    return LoadInterfaceBitmap(QStringLiteral("StdWin\\") + name, dpr);
}
} // namespace

TStdPeltoForm::TStdPeltoForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                          | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("StdPeltoForm"));
    setAttribute(Qt::WA_OpaquePaintEvent);   // the background picture covers every pixel
    setMouseTracking(true);
    SetHelpContext(kHelpWindow);

    StdLabelTitle = new QLabel(this);
    StdLabelTitle->setObjectName(QStringLiteral("StdLabelTitle"));
    StdLabelTitle->setContentsMargins(12, 0, 6, 0);
    QFont titleFont = StdLabelTitle->font();
    titleFont.setBold(true);
    titleFont.setPixelSize(14);
    StdLabelTitle->setFont(titleFont);
    QPalette titlePalette = StdLabelTitle->palette();
    titlePalette.setColor(QPalette::WindowText, ToQColor(0x00C70703));
    StdLabelTitle->setPalette(titlePalette);

    auto makeButton = [this](const char* name, const QString& caption, const QString& picture, int help) {
        auto* b = new TBmpButton(this);
        b->setObjectName(QLatin1String(name));
        b->SetBmps(QStringLiteral("\\StdWin\\") + picture, QStringLiteral("\\StdWin\\") + picture + QLatin1Char('R'),
                   QStringLiteral("\\StdWin\\") + picture + QLatin1Char('C'),
                   QStringLiteral("\\StdWin\\") + picture + QLatin1Char('D'));
        b->SetCaption(caption);
        b->SetDrawCaption(true);
        b->TextPressedDY = 1;
        QFont f = b->font();
        f.setBold(true);
        f.setPixelSize(12);
        b->setFont(f);
        b->SetHelpContext(help);
        return b;
    };
    BtnCancel = makeButton("BtnCancel", QStringLiteral("Cancel"), QStringLiteral("Cancel"), kHelpCancel);
    BtnCancel->Color = 0x00514137;        // slate text on the light face
    BtnCancel->ColorRoll = 0x00C0561F;
    BtnCancel->ColorPressed = 0x00943E17;
    BtnCancel->ColorDimmed = 0x00AFA59C;
    BtnOk = makeButton("BtnOk", QStringLiteral("Ok"), QStringLiteral("Ok"), kHelpOk);
    BtnOk->Color = 0x00FFFFFF;            // white on the accent face
    BtnOk->ColorRoll = 0x00FFFFFF;
    BtnOk->ColorPressed = 0x00F5EBE3;
    BtnOk->ColorDimmed = 0x00F2EEEA;
    connect(BtnOk, &TBmpButton::OnClick, this, &TStdPeltoForm::BtnOkClick);
    connect(BtnCancel, &TBmpButton::OnClick, this, &TStdPeltoForm::BtnCancelClick);

    InfoPanel = new TClearPanel(this);
    InfoPanel->setObjectName(QStringLiteral("InfoPanel"));
    InfoPanel->OnPaint = [this](QPainter& p) {
        const QRect r = InfoPanel->rect();
        p.fillRect(r, QColor(0xF3, 0xF5, 0xF8));
        p.setPen(ToQColor(LineColor));
        p.drawLine(r.topLeft(), r.topRight());
    };
    InfoBar = new TInfoBarLabel(InfoPanel);
    InfoBar->setObjectName(QStringLiteral("InfoBar"));
    InfoBar->setContentsMargins(6, 0, 6, 0);
    QFont infoFont = InfoBar->font();
    infoFont.setPixelSize(11);
    InfoBar->setFont(infoFont);
    QPalette infoPalette = InfoBar->palette();
    infoPalette.setColor(QPalette::WindowText, ToQColor(0x000000CC));
    InfoBar->setPalette(infoPalette);

    resize(400, 300);
}

TStdPeltoForm::~TStdPeltoForm() = default;

void TStdPeltoForm::SetColors(uint32_t back, uint32_t line)
{
    BackColor = back;
    LineColor = line;
    m_colorsSet = true;
    m_background = QPixmap();
    update();
}

int TStdPeltoForm::HelpContext() const { return kav::HelpContext(this); }
void TStdPeltoForm::SetHelpContext(int number) { kav::SetHelpContext(this, number); }

void TStdPeltoForm::RebuildBackground()
{
    const qreal dpr = devicePixelRatioF();
    QPixmap pixmap(size() * dpr);
    pixmap.setDevicePixelRatio(dpr);
    pixmap.fill(Qt::white);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.setRenderHint(QPainter::Antialiasing);
    if (!BeforeBuildBackground(p))
        BuildBackground(p);
    p.end();
    m_background = pixmap;
    update();
}

bool TStdPeltoForm::BeforeBuildBackground(QPainter&)
{
    return false;
}

void TStdPeltoForm::BuildBackground(QPainter& p)
{
    if (!m_colorsSet) {
        BackColor = 0x026D6D6D;
        LineColor = 0x02909090;
    }
    const QRect all = rect();
    p.fillRect(all, ToQColor(BackColor));
    p.drawImage(QRectF(all), Picture(QStringLiteral("BackColor"), p.device()->devicePixelRatioF()));
    DrawTopDecoration(p);
    DrawBottomDecoration(p);
}

void TStdPeltoForm::DrawTopDecoration(QPainter& p)
{
    const QImage curve = Picture(QStringLiteral("TopCurve"), p.device()->devicePixelRatioF());
    const QSizeF size = curve.deviceIndependentSize();
    StdLabelTitle->adjustSize();
    const int tab = StdLabelTitle->width() + 5;
    StdLabelTitle->setGeometry(0, 0, StdLabelTitle->width(), int(size.height()));
    p.fillRect(QRectF(0, 0, tab, size.height()), Qt::white);
    p.drawImage(QPointF(tab, 0), curve);
}

void TStdPeltoForm::DrawBottomDecoration(QPainter& p)
{
    const QImage curve = Picture(QStringLiteral("BottomCurve"), p.device()->devicePixelRatioF());
    const QSizeF size = curve.deviceIndependentSize();
    const int x = width() - int(size.width()) - 8;
    const int y = height() - int(size.height()) - kInfoPanelHeight - 25;
    m_bottomCurve = QPoint(x, y);
    p.fillRect(QRect(QPoint(0, y + 19), QPoint(x, y + 34)), ToQColor(0x00909090));
    p.drawImage(QPointF(x, y), curve);
    if (!KeepButtonPositions) {
        BtnCancel->move(x + 29, y + 2);
        BtnOk->move(x + 97, y + 2);
    }
}

void TStdPeltoForm::paintEvent(QPaintEvent*)
{
    if (m_background.isNull() || !qFuzzyCompare(m_background.devicePixelRatio(), devicePixelRatioF()))
        RebuildBackground();
    QPainter p(this);
    p.drawPixmap(0, 0, m_background);
}

void TStdPeltoForm::ApplyStrings()
{
    // The title tab repeats the caption unless the table gives it a text of its own.
    const bool tabIsCaption = StdLabelTitle->text() == windowTitle();
    // The two standard buttons keep the standard captions unless the window names its own.
    const bool okIsStandard = BtnOk->Caption() == QLatin1String("Ok");
    const bool cancelIsStandard = BtnCancel->Caption() == QLatin1String("Cancel");
    LocaliseForm(this);
    const TLangStringList* table = CurrentStrings();
    if (!settings().LanguageLearn) {
        for (auto [button, standard] : {std::pair{BtnOk, okIsStandard}, std::pair{BtnCancel, cancelIsStandard}}) {
            const QString own = objectName() + u'.' + button->objectName();
            const TLangStringItem* common = table->Find(QStringLiteral("StdPeltoForm.") + button->objectName());
            if (standard && common && !table->Find(own))
                button->SetCaption(common->Text);
        }
    }
    if (tabIsCaption && !settings().LanguageLearn && !table->Find(objectName() + QStringLiteral(".StdLabelTitle")))
        StdLabelTitle->setText(windowTitle());
}

void TStdPeltoForm::showEvent(QShowEvent* event)
{
    if (!m_shownOnce) {
        m_shownOnce = true;
        ApplyStrings();
        if (const QScreen* screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen())
            move(screen->availableGeometry().center() - rect().center());
    }
    setFixedSize(size());
    RebuildBackground();
    WireHints();
    QDialog::showEvent(event);
    ShowHint(InfoBar, HelpContext());
}

void TStdPeltoForm::hideEvent(QHideEvent* event)
{
    m_background = QPixmap();
    m_dragging = false;
    QDialog::hideEvent(event);
}

void TStdPeltoForm::closeEvent(QCloseEvent* event)
{
    m_background = QPixmap();
    QDialog::closeEvent(event);
}

void TStdPeltoForm::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    InfoPanel->setGeometry(0, height() - kInfoPanelHeight, width(), kInfoPanelHeight);
    InfoBar->setGeometry(InfoPanel->rect());
    if (isVisible())
        RebuildBackground();
}

void TStdPeltoForm::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && event->position().y() < kDragZone) {
        m_dragging = true;
        m_dragMouse = event->globalPosition().toPoint();
        m_dragWindow = pos();
        return;
    }
    QDialog::mousePressEvent(event);
}

void TStdPeltoForm::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragging) {
        move(m_dragWindow + event->globalPosition().toPoint() - m_dragMouse);
        return;
    }
    ShowHint(InfoBar, HelpContext());
    QDialog::mouseMoveEvent(event);
}

void TStdPeltoForm::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_dragging && event->button() == Qt::LeftButton) {
        m_dragging = false;
        move(m_dragWindow + event->globalPosition().toPoint() - m_dragMouse);
        return;
    }
    QDialog::mouseReleaseEvent(event);
}

void TStdPeltoForm::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (BtnOk->isVisible() && !BtnOk->Dimmed())
            BtnOkClick();
        return;
    case Qt::Key_Escape:
        return;   // acts on release, as the window always has
    case Qt::Key_F1:
        if (!HelpRequest())
            QDialog::keyPressEvent(event);
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void TStdPeltoForm::keyReleaseEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && !event->isAutoRepeat()) {
        BtnCancelClick();
        return;
    }
    QDialog::keyReleaseEvent(event);
}

void TStdPeltoForm::BtnOkClick() { done(mrOk); }
void TStdPeltoForm::BtnCancelClick() { done(mrCancel); }
void TStdPeltoForm::reject() { done(mrCancel); }

void TStdPeltoForm::BmpButtonHint(TBmpButton* button)
{
    ShowHint(InfoBar, button->HelpContext() + (button->Dimmed() ? 1 : 0));
}

void TStdPeltoForm::WireHints()
{
    const QList<QWidget*> children = findChildren<QWidget*>();
    for (QWidget* w : children) {
        if (w->window() != this || w == InfoPanel || w == InfoBar)
            continue;
        if (auto* button = qobject_cast<TBmpButton*>(w)) {
            if (!button->property("kavHintWired").toBool()) {
                button->setProperty("kavHintWired", true);
                connect(button, &TBmpButton::OnHint, this, [this, button] { BmpButtonHint(button); });
            }
        } else {
            w->removeEventFilter(this);
            w->installEventFilter(this);
        }
    }
}

bool TStdPeltoForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Enter || event->type() == QEvent::MouseMove) {
        // A control with a help number of its own shows it; the rest belongs to the window.
        const bool own = watched->property("HelpContext").isValid();
        ShowHint(InfoBar, own ? kav::HelpContext(watched) : HelpContext());
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace kav

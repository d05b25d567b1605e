#include "ui/forms/startupform.h"

#include "core/colors.h"
#include "core/textcodec.h"
#include "ui/forms/bmpbutton.h"
#include "ui/forms/infobar.h"
#include "ui/forms/interstore.h"
#include "ui/langstrings.h"

#include <QDateTime>
#include <QEvent>
#include <QFile>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

namespace kav {

namespace {
constexpr uint32_t kWindowColor = 0x00885158;
constexpr uint32_t kChosenLabel = 0x0004FDAE;
constexpr uint32_t kOtherLabel = 0x0000BFFE;
constexpr uint32_t kBandColor = 0x00AC747B;
constexpr int kWidth = 452;
constexpr int kHeight = 375;
constexpr int kHelpWindow = 100;       // the modes' hints follow: 101..105
constexpr int kHelpNext = 106;
constexpr int kHelpCancel = 108;
const QPoint kInfoArea(249, 50);
const QPoint kBottomCurve(319, 322);

const char* const kLabelNames[kStartupModes] = {"LabelFromScratch", "LabelWizard", "LabelTemplates",
                                                "LabelMyKavelins", "LabelWebUpdates"};
const char* const kLabelTexts[kStartupModes] = {"Start from Scratch", "Kavelin Wizard", "Template List",
                                                "My Kavelins", "Kavelins Web Updates"};
const char* const kBuiltInTips[kStartupModes] = {
    "Make your own Kavelin", "Select a Kavelins Template to modify", "Browse Template list",
    "Open an existing Kavelins file", "Go to the Kavelins Web site for Template updates and other news"};

QImage Picture(const QString& name, qreal dpr) { return LoadInterfaceBitmap(QStringLiteral("StdWin\\") + name, dpr); }

void SetTextColour(QLabel* label, uint32_t colour)
{
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, ToQColor(colour));
    label->setPalette(p);
}
} // namespace

QStringList LoadStartupTips(const QString& fileName)
{
    QStringList lines;
    QFile file(fileName);
    if (!fileName.isEmpty() && file.open(QIODevice::ReadOnly)) {
        QString text = DecodeText(file.readAll());
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        lines = text.split(QLatin1Char('\n'));
    }
    QStringList tips;
    for (int i = 0; i < kStartupModes; ++i) {
        const QString line = i < lines.size() ? lines.at(i).trimmed() : QString();
        tips << (line.isEmpty() ? QString::fromLatin1(kBuiltInTips[i]) : line);
    }
    // Further lines are tips about making banners; one of them goes with the mode's tip.
    for (qsizetype i = kStartupModes; i < lines.size(); ++i)
        if (!lines.at(i).trimmed().isEmpty())
            tips << lines.at(i).trimmed();
    return tips;
}

TStartupForm::TStartupForm(QWidget* parent)
    : TStdPeltoForm(parent)
{
    setObjectName(QStringLiteral("StartupForm"));
    setWindowTitle(QStringLiteral("Welcome to Kavelins"));
    StdLabelTitle->setText(QStringLiteral("Welcome to Kavelins"));
    SetColors(kWindowColor, 0x00AC747B);
    SetHelpContext(kHelpWindow);
    KeepButtonPositions = true;

    BtnOk->setObjectName(QStringLiteral("BtnOk"));
    BtnOk->SetBmps(QStringLiteral("Stdwin\\Wizard\\WizardNext"), QStringLiteral("Stdwin\\Wizard\\WizardNextR"),
                   QStringLiteral("Stdwin\\Wizard\\WizardNextC"));
    BtnOk->SetCaption(QStringLiteral("Next"));
    BtnOk->SetHelpContext(kHelpNext);
    BtnCancel->SetBmps(QStringLiteral("Stdwin\\Wizard\\WizardCancel"), QStringLiteral("Stdwin\\Wizard\\WizardCancelR"),
                       QStringLiteral("Stdwin\\Wizard\\WizardCancelC"));
    BtnCancel->SetHelpContext(kHelpCancel);
    BtnCancel->Color = 0x00FFFFFF;
    BtnCancel->ColorRoll = 0x00FFFFFF;
    BtnCancel->ColorPressed = 0x00E6DEDA;
    BtnCancel->move(kBottomCurve + QPoint(6, 4));
    BtnOk->move(kBottomCurve + QPoint(68, 4));
    for (TBmpButton* b : {BtnOk, BtnCancel}) {
        QFont small = b->font();
        small.setPixelSize(11);
        b->setFont(small);
    }

    QFont labelFont = font();
    labelFont.setPixelSize(13);
    labelFont.setBold(true);
    for (int i = 0; i < kStartupModes; ++i) {
        const int mode = i + 1;
        auto* button = new TBmpButton(this);
        button->setObjectName(QStringLiteral("BtnMode%1").arg(mode));
        const QString base = QStringLiteral("Stdwin\\Wizard\\Mode%1").arg(mode);
        button->SetBmps(base, base + QLatin1Char('R'), base + QLatin1Char('C'));
        button->SetStayDown(true);
        button->setProperty("tag", mode);
        button->SetHelpContext(kHelpWindow + mode);
        button->move(26, 58 + i * 52);
        connect(button, &TBmpButton::OnMouseDown, this, [this, mode] { SelectMode(mode); });
        ModeButtons[i] = button;

        auto* label = new QLabel(QString::fromLatin1(kLabelTexts[i]), this);
        label->setObjectName(QLatin1String(kLabelNames[i]));
        label->setFont(labelFont);
        label->setGeometry(76, 58 + i * 52, 168, 40);
        label->setCursor(Qt::PointingHandCursor);
        label->setProperty("tag", mode);
        kav::SetHelpContext(label, kHelpWindow + mode);
        label->installEventFilter(this);
        ModeLabels[i] = label;
    }

    LabelTip = new QLabel(QStringLiteral("Tip"), this);
    LabelTip->setObjectName(QStringLiteral("LabelTip"));
    QFont tipHead = labelFont;
    tipHead.setPixelSize(13);
    LabelTip->setFont(tipHead);
    SetTextColour(LabelTip, kOtherLabel);
    LabelTip->setGeometry(kInfoArea.x() + 52, kInfoArea.y() + 24, 110, 20);

    MemoTip = new QLabel(this);
    MemoTip->setObjectName(QStringLiteral("MemoTip"));
    MemoTip->setWordWrap(true);
    MemoTip->setFocusPolicy(Qt::NoFocus);
    MemoTip->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QFont tipFont = font();
    tipFont.setPixelSize(12);
    MemoTip->setFont(tipFont);
    SetTextColour(MemoTip, 0x00FFFFFF);
    MemoTip->move(kInfoArea + QPoint(16, 64));
    MemoTip->resize(146, 20);

    SetTips(LoadStartupTips(QString()));
    SetClientSize(kWidth, kHeight);
    TStdPeltoForm::ApplyStrings();
    SelectMode(smdFromScratch);
}

void TStartupForm::SetTips(const QStringList& tips)
{
    m_tips = tips;
    SelectMode(m_mode);
}

QString TStartupForm::TipText() const { return MemoTip->text(); }

void TStartupForm::SelectMode(int mode)
{
    if (mode < 1 || mode > kStartupModes)
        return;
    m_mode = mode;
    for (int i = 0; i < kStartupModes; ++i) {
        ModeButtons[i]->SetPressed(i + 1 == mode);
        SetTextColour(ModeLabels[i], i + 1 == mode ? kChosenLabel : kOtherLabel);
    }
    QString tip = mode <= m_tips.size() ? m_tips.at(mode - 1) : QString();
    if (m_tips.size() > kStartupModes)
        tip += QStringLiteral("\n\n") + m_tips.at(kStartupModes + m_shown % (m_tips.size() - kStartupModes));
    MemoTip->setText(tip);
    // The tip box is as tall as its lines.
    const QFontMetrics metrics(MemoTip->font());
    const int height = metrics.boundingRect(QRect(0, 0, MemoTip->width(), 10000), Qt::TextWordWrap, tip).height();
    const int lines = qMax(1, (height + metrics.lineSpacing() - 1) / metrics.lineSpacing());
    MemoTip->resize(MemoTip->width(), lines * metrics.lineSpacing());
}

void TStartupForm::showEvent(QShowEvent* event)
{
    // A different banner tip each time the window comes up.
    if (m_tips.size() > kStartupModes)
        m_shown = int(QDateTime::currentSecsSinceEpoch() / 60 + m_shown + 1);
    SelectMode(smdFromScratch);
    TStdPeltoForm::showEvent(event);
}

bool TStartupForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        const int mode = watched->property("tag").toInt();
        if (mode > 0) {
            SelectMode(mode);
            return true;
        }
    }
    return TStdPeltoForm::eventFilter(watched, event);
}

bool TStartupForm::BeforeBuildBackground(QPainter& p)
{
    const qreal dpr = p.device()->devicePixelRatioF();
    const QRect all = rect();
    p.fillRect(all, ToQColor(kWindowColor));
    p.drawImage(QRectF(all), Picture(QStringLiteral("BackWizard"), dpr));
    p.drawImage(kInfoArea, Picture(QStringLiteral("Wizard\\WizardInfoArea"), dpr));

    // The title tab and its curve.
    const QImage top = Picture(QStringLiteral("Wizard\\WizardTopCurve"), dpr);
    StdLabelTitle->adjustSize();
    const int tab = StdLabelTitle->width() + 5;
    StdLabelTitle->setGeometry(0, 0, StdLabelTitle->width(), int(top.deviceIndependentSize().height()));
    p.fillRect(QRectF(0, 0, tab, top.deviceIndependentSize().height()), Qt::white);
    p.drawImage(QPointF(tab, 0), top);

    p.fillRect(QRect(QPoint(0, 342), QPoint(320, 357)), ToQColor(kBandColor));
    p.drawImage(kBottomCurve, Picture(QStringLiteral("Wizard\\StartupBottomCurve"), dpr));
    return true;
}

int TStartUp::Execute(TStartupForm* window)
{
    int result = TStdPeltoForm::mrOk;
    if (window) {
        result = window->exec();
        Mode = window->Mode();
    }
    if (result == TStdPeltoForm::mrOk)
        Perform(Mode);
    return result;
}

void TStartUp::Perform(int mode)
{
    auto error = [this](const QString& message) {
        if (ShowError)
            ShowError(message);
    };
    auto openUntitled = [this](const QString& file) {
        if (!file.isEmpty() && OpenProject)
            OpenProject(file, true);
    };
    switch (mode) {
    case smdFromScratch:
        if (NewProject)
            NewProject();
        break;
    case smdWizard:
        if (RunWizard)
            openUntitled(RunWizard());
        else
            error(GetString(QStringLiteral("Error.CanNotFind"), GetText(QStringLiteral("StartupForm.LabelWizard"))));
        break;
    case smdTemplates:
        if (RunTemplatePicker)
            openUntitled(RunTemplatePicker());
        else
            error(GetString(QStringLiteral("Error.CanNotFind"), GetText(QStringLiteral("StartupForm.LabelTemplates"))));
        break;
    case smdMyKavelins:
        if (AskOpenFile && OpenProject) {
            const QString file = AskOpenFile();
            if (!file.isEmpty())
                OpenProject(file, false);
        }
        break;
    case smdWebUpdates:
        if (!OpenWithDesktop || !OpenWithDesktop(WebSiteFile))
            error(GetString(QStringLiteral("Error.CanNotFind"), WebSiteFile));
        break;
    default: break;
    }
}

} // namespace kav

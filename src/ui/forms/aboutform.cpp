#include "ui/forms/aboutform.h"

#include "config/settings.h"
#include "core/textcodec.h"
#include "ui/forms/bmpbutton.h"
#include "ui/forms/clearpanel.h"
#include "ui/forms/infobar.h"
#include "ui/forms/interstore.h"
#include "ui/langstrings.h"

#include <QFile>
#include <QLabel>
#include <QPainter>

namespace kav {

namespace {
constexpr int kTickMs = 100;
constexpr int kClientWidth = 476;
constexpr int kClientHeight = 372;
const QPoint kAnimAt(194, 80);
const char* const kVersion = "1.0";

// Draws the animation's picture; the window only asks it to repaint.
class AnimBoxWidget : public QWidget {
public:
    AnimBoxWidget(TAboutAnimation& animation, QWidget* parent) : QWidget(parent), m_animation(animation)
    {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setFixedSize(TAboutAnimation::kWidth, TAboutAnimation::kHeight);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        m_animation.Draw(p);
    }

private:
    TAboutAnimation& m_animation;
};
} // namespace

TAboutAnimation::TAboutAnimation(unsigned seed)
    : m_random(seed)
{
    for (Point& point : m_points)
        Respawn(point);
}

void TAboutAnimation::Respawn(Point& point)
{
    std::uniform_int_distribution<int> offset(-30, 29), speed(1, 8), hue(0, 359);
    point.x = kWidth / 2 + offset(m_random);
    point.y = kHeight / 2 + offset(m_random);
    // Away from the centre in each direction.
    point.dx = speed(m_random) * (point.x < kWidth / 2 ? -1 : 1);
    point.dy = speed(m_random) * (point.y < kHeight / 2 ? -1 : 1);
    point.colour = QColor::fromHsv(hue(m_random), 170, 230);
}

void TAboutAnimation::Step()
{
    ++m_ticks;
    for (Point& point : m_points) {
        point.x += point.dx;
        point.y += point.dy;
        if (point.x < 0 || point.y < 0 || point.x >= kWidth || point.y >= kHeight)
            Respawn(point);
    }
}

void TAboutAnimation::Draw(QPainter& p) const
{
    p.fillRect(QRect(0, 0, kWidth, kHeight), Qt::white);
    p.setPen(Qt::NoPen);
    for (const Point& point : m_points) {
        p.setBrush(point.colour);
        p.drawRect(QRectF(point.x, point.y, 1.5, 1.5));
    }
    if (m_credits.isEmpty())
        return;
    // The credits run upwards in a loop: line n sits at n * 15 - scroll, starting below the box.
    QFont plain = p.font();
    plain.setPixelSize(11);
    QFont heading = plain;
    heading.setBold(true);
    const int n = int(m_credits.size());
    const int scroll = Scroll();
    // Line k (counted on, cyclically) sits at kHeight + k * 15 - scroll: below the box at first.
    const int firstVisible = qMax(0, (scroll - kHeight) / kLineHeight - 1);
    for (int k = firstVisible; k <= scroll / kLineHeight + 1; ++k) {
        const int index = k % n;
        const int y = kHeight + k * kLineHeight - scroll;
        if (y <= -kLineHeight || y >= kHeight)
            continue;
        QString line = m_credits.at(index);
        const bool isHeading = line.startsWith(QLatin1Char('!'));
        if (isHeading)
            line.remove(0, 1);
        p.setFont(isHeading ? heading : plain);
        p.setPen(isHeading ? QColor(0x90, 0x90, 0x90) : QColor(Qt::black));
        p.drawText(QRect(0, y, kWidth, kLineHeight), Qt::AlignHCenter | Qt::AlignVCenter, line);
    }
}

QStringList LoadCredits(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QString text = DecodeText(file.readAll());
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QStringList lines = text.split(QLatin1Char('\n'));
    while (!lines.isEmpty() && lines.back().trimmed().isEmpty())
        lines.removeLast();
    return lines;
}

TAboutForm::TAboutForm(QWidget* parent)
    : TStdPeltoForm(parent)
{
    setObjectName(QStringLiteral("AboutForm"));
    setWindowTitle(QStringLiteral("About Kavelins"));
    SetColors(0x00FFFFFF, 0x00909090);
    KeepButtonPositions = true;
    InfoPanel->hide();
    StdLabelTitle->hide();
    BtnCancel->hide();
    BtnOk->SetBmps(QStringLiteral("\\StdWin\\Message\\Full"), QStringLiteral("\\StdWin\\Message\\FullR"),
                   QStringLiteral("\\StdWin\\Message\\FullC"), QStringLiteral("\\StdWin\\Message\\FullD"));
    BtnOk->SetCaption(QStringLiteral("Close"));

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setText(QStringLiteral("Version %1"));
    QFont f = Label1->font();
    f.setPixelSize(12);
    Label1->setFont(f);
    QPalette pal = Label1->palette();
    pal.setColor(QPalette::WindowText, QColor(0x55, 0x5F, 0x6D));
    Label1->setPalette(pal);
    Label1->setGeometry(20, 140, 160, 18);

    AnimBox = new AnimBoxWidget(Animation, this);
    AnimBox->setObjectName(QStringLiteral("AnimBox"));
    AnimBox->move(kAnimAt);

    Timer.setInterval(kTickMs);
    connect(&Timer, &QTimer::timeout, this, &TAboutForm::Tick);
    SetClientSize(kClientWidth, kClientHeight);
    Animation.SetCredits(LoadCredits(LocalisedDataFile(settings().DataDir, QStringLiteral("credorvel.txt"))));

    TStdPeltoForm::ApplyStrings();
    // The label's text is a template: "Version %1".
    Label1->setText(Label1->text().replace(QLatin1String("%1"), QLatin1String(kVersion)));
}

bool TAboutForm::BeforeBuildBackground(QPainter& p)
{
    const qreal dpr = p.device()->devicePixelRatioF();
    p.fillRect(rect(), Qt::white);
    p.drawImage(QPoint(155, 9), LoadInterfaceBitmap(QStringLiteral("about\\KavelinsLogo"), dpr));
    p.drawImage(QPoint(0, 19), LoadInterfaceBitmap(QStringLiteral("about\\OrvelLogo"), dpr));
    const QImage curve = LoadInterfaceBitmap(QStringLiteral("StdWin\\Message\\SingleCurve"), dpr);
    const QSizeF size = curve.deviceIndependentSize();
    const int x = width() - int(size.width());
    const int y = height() - int(size.height());
    p.fillRect(QRect(QPoint(0, y + 26), QPoint(x, y + 43)), QColor(0xD5, 0xD5, 0xD5));
    p.drawImage(QPoint(x, y), curve);
    BtnOk->move(x + 22, y + 9);
    return true;
}

void TAboutForm::showEvent(QShowEvent* event)
{
    TStdPeltoForm::showEvent(event);
    Timer.start();
}

void TAboutForm::hideEvent(QHideEvent* event)
{
    Timer.stop();
    TStdPeltoForm::hideEvent(event);
}

void TAboutForm::Tick()
{
    Animation.Step();
    AnimBox->update();
}

} // namespace kav

#include "ui/forms/infobar.h"

#include "config/settings.h"
#include "core/textcodec.h"
#include "ui/forms/msgform.h"
#include "ui/langstrings.h"

#include <QDesktopServices>
#include <QFile>
#include <QUrl>
#include <QLabel>
#include <QPainter>
#include <QVariant>

namespace kav {

namespace {
QStringList g_hints;
bool g_hintsSet = false;
QString g_hintsDataDir;
int g_currentHint = 0;
std::function<bool()> g_paused;
std::function<void(const QString&, int)> g_helpOpener;
constexpr const char* kHelpContext = "HelpContext";
} // namespace

bool LoadStringList(QStringList& list, const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        list.clear();
        MessageBox(QStringLiteral("Error"), GetString(QStringLiteral("Error.ListWasNotFound"), fileName), mbOk);
        return false;
    }
    QString text = DecodeText(file.readAll());
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    if (!text.isEmpty())
        list.append(text.split(QLatin1Char('\n')));
    return true;
}

QStringList LoadInfoBar(const QString& fileName)
{
    QStringList list;
    LoadStringList(list, fileName);
    list.removeIf([](const QString& line) {
        return line.trimmed().isEmpty() || line.startsWith(QLatin1Char('!'));
    });
    return list;
}

QString LocalisedDataFile(const QString& dataDir, const QString& fileName)
{
    const QString language = settings().Language.trimmed().toLower();
    if (!language.isEmpty() && language != QLatin1String("english")) {
        const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
        const QString own = dataDir + (dot < 0 ? fileName + QLatin1Char('.') + language
                                               : fileName.left(dot) + QLatin1Char('.') + language + fileName.mid(dot));
        if (QFile::exists(own))
            return own;
    }
    return dataDir + fileName;
}

QString InfoBarFile(const QString& dataDir)
{
    return LocalisedDataFile(dataDir, QStringLiteral("infobar.txt"));
}

void SetInfoBarHints(const QStringList& lines)
{
    g_hints = lines;
    g_hintsSet = true;
}

const QStringList& InfoBarHints()
{
    const QString dataDir = settings().DataDir;
    if (!g_hintsSet && !dataDir.isEmpty() && dataDir != g_hintsDataDir) {
        g_hintsDataDir = dataDir;
        g_hints = LoadInfoBar(InfoBarFile(dataDir));
    }
    return g_hints;
}

QString HintText(int number)
{
    if (number == 0)
        return {};
    for (const QString& line : InfoBarHints()) {
        const qsizetype first = line.indexOf(QLatin1Char(';'));
        if (first < 0)
            continue;
        bool ok = false;
        if (line.left(first).trimmed().toInt(&ok) != number || !ok)
            continue;
        const qsizetype second = line.indexOf(QLatin1Char(';'), first + 1);
        const QString label = second < 0 ? QString() : line.mid(first + 1, second - first - 1);
        const QString text = second < 0 ? line.mid(first + 1) : line.mid(second + 1);
        if (QStringView(label).trimmed().isEmpty())
            return text;
        return label + QStringLiteral(" - ") + text;
    }
    return {};
}

int CurrentHint() { return g_currentHint; }
void ResetCurrentHint() { g_currentHint = 0; }

void ShowHint(QLabel* control, int number)
{
    if ((g_paused && g_paused()) || number == g_currentHint)
        return;
    g_currentHint = number;
    if (control)
        control->setText(HintText(number));
}

void ShowText(QLabel* control, const QString& text)
{
    g_currentHint = 0;
    if (control)
        control->setText(text);
}

void SetHintsPaused(std::function<bool()> paused) { g_paused = std::move(paused); }

bool HelpRequest()
{
    if (!settings().ContextSensitiveHelp || g_currentHint <= 0)
        return false;
    if (g_helpOpener) {
        g_helpOpener(settings().HelpFile, g_currentHint);
    } else if (!settings().HelpFile.isEmpty()) {
        QUrl topic = QUrl::fromLocalFile(settings().HelpFile);
        topic.setFragment(QString::number(g_currentHint));
        QDesktopServices::openUrl(topic);
    }
    return true;
}

void SetHelpTopicOpener(std::function<void(const QString&, int)> opener) { g_helpOpener = std::move(opener); }

int HelpContext(const QObject* object)
{
    return object ? object->property(kHelpContext).toInt() : 0;
}

void SetHelpContext(QObject* object, int number)
{
    if (object)
        object->setProperty(kHelpContext, number);
}

std::pair<QFont, QString> TInfoBarLabel::Fitted() const
{
    QFont f = font();
    const int room = contentsRect().width();
    int size = f.pixelSize();
    while (size > 9 && QFontMetrics(f).horizontalAdvance(text()) > room)
        f.setPixelSize(--size);
    return {f, QFontMetrics(f).elidedText(text(), Qt::ElideRight, room)};
}

void TInfoBarLabel::paintEvent(QPaintEvent*)
{
    const auto [fitted, shown] = Fitted();
    const QString tip = shown == text() ? QString() : text();
    if (toolTip() != tip)
        setToolTip(tip);
    QPainter p(this);
    p.setFont(fitted);
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(contentsRect(), int(alignment()) | Qt::TextSingleLine, shown);
}

} // namespace kav

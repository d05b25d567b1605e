#pragma once
#include <QLabel>
#include <QString>
#include <QStringList>

#include <functional>
#include <utility>

class QObject;

namespace kav {

// Text lists of the data folder. LoadStringList appends every line of the file; a missing file
// shows "Error.ListWasNotFound" and leaves the list empty (false).
bool LoadStringList(QStringList& list, const QString& fileName);
// The hint list of "infobar.txt": the lines of the file less blank ones and "!" comments.
QStringList LoadInfoBar(const QString& fileName);

// A text file of the data folder in the current language: "name.<language>.ext" (lower-case
// language name) when the folder has one, else the file itself.
QString LocalisedDataFile(const QString& dataDir, const QString& fileName);
// The hint file of the current language: "infobar.<language>.txt" when the data folder has one
// (lower-case language name, "infobar.japanese.txt"), else "infobar.txt".
QString InfoBarFile(const QString& dataDir);

// The process-wide hint lines ("number;label;text"). Unless set, the first use loads
// "infobar.txt" from the data folder of the settings.
void SetInfoBarHints(const QStringList& lines);
const QStringList& InfoBarHints();

// The hint text of a number: "label - text", or the text alone when the label is blank; empty
// for 0 and for a number without a line.
QString HintText(int number);

// The number whose text the info bars show (process-wide).
int CurrentHint();
void ResetCurrentHint();

// Shows the hint of a number in a label, unless hints are paused (the main window is playing)
// or the number is the current one already.
void ShowHint(QLabel* control, int number);
// Shows a text directly; the current hint number becomes 0.
void ShowText(QLabel* control, const QString& text);
// While this answers true no hint changes (the main window sets it while playing).
void SetHintsPaused(std::function<bool()> paused);

// A help request (F1 in a dialog): with ContextSensitiveHelp set and a current hint number above
// 0, opens that topic of the help file and returns true; otherwise the request is not ours.
bool HelpRequest();
// Opens help topics instead of the desktop (tests); null restores the desktop.
void SetHelpTopicOpener(std::function<void(const QString& helpFile, int topic)> opener);

// The help number of a control or window, which is also its hint number.
int HelpContext(const QObject* object);
void SetHelpContext(QObject* object, int number);

// The one line of an info bar. A hint wider than the bar is drawn in a smaller font, down to
// 9 pixels, and then cut with an ellipsis; the whole hint is then the bar's tool tip.
class TInfoBarLabel : public QLabel {
public:
    using QLabel::QLabel;
    // The font the text is drawn in, and the text as drawn, for the width the bar has.
    std::pair<QFont, QString> Fitted() const;
    QFont FittedFont() const { return Fitted().first; }
    QString FittedText() const { return Fitted().second; }

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace kav

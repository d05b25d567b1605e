#pragma once
#include "ui/forms/stdpeltoform.h"

#include <QString>

#include <functional>

class QCheckBox;

namespace kav {

// Buttons of a message box: a bit set.
enum MsgButtons { mbOk = 4, mbCancel = 8, mbOkCancel = 12 };

// The message box: the message in the title label beside the picture of its caption
// ("StdWin\Message\Error", ... "Warning" when the caption has none), Ok and Cancel at the
// bottom right; with a check-box text the box MsgCheck below the message. It stays on top.
class TMsgForm : public TStdPeltoForm {
    Q_OBJECT
public:
    explicit TMsgForm(QWidget* parent = nullptr);

    QCheckBox* MsgCheck = nullptr;

    // Lays the box out for a message; an empty caption means "Error".
    void Setup(const QString& caption, const QString& text, int buttons, const QString& checkText = {});
    // Where the message picture and the bottom curve were drawn, for windows and tests.
    bool SingleButton() const { return m_single; }

protected:
    bool BeforeBuildBackground(QPainter& painter) override;
    void ApplyStrings() override {}   // applied on creation, before the message is set

private:
    QString m_caption;
    bool m_single = true;
};

// Shows a message box and returns 1 (Ok) or 2 (Cancel, Esc, the close box).
int MessageBox(const QString& caption, const QString& text, int buttons = mbOk);
// The variant with a check box; *checked tells how the user left it.
int MessageBoxCheck(const QString& caption, const QString& text, int buttons, const QString& checkText,
                    bool* checked);
// The error box: caption "Error", Ok alone.
void ShowErrorBox(const QString& text);

// Answers message boxes instead of showing them while set (scripted runs, tests): it gets the
// caption, text and buttons and returns the result.
using MessageBoxHandler = std::function<int(const QString& caption, const QString& text, int buttons)>;
void SetMessageBoxHandler(MessageBoxHandler handler);

} // namespace kav

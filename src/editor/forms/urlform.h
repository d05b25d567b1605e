#pragma once
#include "ui/forms/stdpeltoform.h"

class QCheckBox;
class QLineEdit;

namespace kav {

// "Go To Web Site": the address, the browser frame and "Relative URL". Ok refuses an address a
// browser must not be sent to (a script, a local file) with a message and keeps the window
// open; an absolute address without a scheme gets "https://".
class TURLForm : public TStdPeltoForm {
    Q_OBJECT
public:
    explicit TURLForm(QWidget* parent = nullptr);

    QLabel* LabelTitle = nullptr;
    QLabel* LabelURL = nullptr;
    QLabel* LabelFrame = nullptr;
    QLineEdit* EditURL = nullptr;
    QLineEdit* EditFrame = nullptr;
    QCheckBox* CheckRelative = nullptr;

    // The address the action keeps once Ok was accepted.
    QString Address() const { return m_address; }
    // A blank frame is "_self".
    QString Frame() const;

    // Opens the dialog on the values; on Ok they take the dialog's (the address as checked).
    static bool Edit(QWidget* parent, QString& url, QString& frame, bool& relative);

public slots:
    void BtnOkClick();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QString m_address;
};

} // namespace kav

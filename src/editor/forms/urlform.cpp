#include "editor/forms/urlform.h"

#include "editor/eventcommands.h"
#include "ui/forms/bmpbutton.h"
#include "ui/forms/msgform.h"
#include "ui/langstrings.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

namespace kav {

TURLForm::TURLForm(QWidget* parent) : TStdPeltoForm(parent)
{
    setObjectName(QStringLiteral("URLForm"));
    setWindowTitle(QStringLiteral("Go To Web Site"));
    StdLabelTitle->setText(QStringLiteral("Go To Web Site"));
    LabelTitle = new QLabel(QStringLiteral("Select a URL:"), this);
    LabelTitle->setObjectName(QStringLiteral("LabelTitle"));
    QFont bold = LabelTitle->font();
    bold.setBold(true);
    LabelTitle->setFont(bold);
    LabelTitle->setGeometry(16, 44, 360, 20);

    LabelURL = new QLabel(QStringLiteral("URL"), this);
    LabelURL->setObjectName(QStringLiteral("LabelURL"));
    LabelURL->setGeometry(16, 76, 60, 24);
    EditURL = new QLineEdit(this);
    EditURL->setObjectName(QStringLiteral("EditURL"));
    EditURL->setGeometry(80, 76, 320, 24);
    EditURL->setMaxLength(2000);

    LabelFrame = new QLabel(QStringLiteral("Frame "), this);
    LabelFrame->setObjectName(QStringLiteral("LabelFrame"));
    LabelFrame->setGeometry(16, 110, 60, 24);
    EditFrame = new QLineEdit(this);
    EditFrame->setObjectName(QStringLiteral("EditFrame"));
    EditFrame->setGeometry(80, 110, 160, 24);
    EditFrame->setMaxLength(200);

    CheckRelative = new QCheckBox(QStringLiteral("Relative URL"), this);
    CheckRelative->setObjectName(QStringLiteral("CheckRelative"));
    CheckRelative->setGeometry(80, 142, 200, 22);

    disconnect(BtnOk, &TBmpButton::OnClick, this, &TStdPeltoForm::BtnOkClick);
    connect(BtnOk, &TBmpButton::OnClick, this, &TURLForm::BtnOkClick);
    SetClientSize(420, 252);
}

QString TURLForm::Frame() const
{
    const QString f = EditFrame->text().trimmed();
    return f.isEmpty() ? QStringLiteral("_self") : f;
}

void TURLForm::BtnOkClick()
{
    const QString typed = EditURL->text().trimmed();
    m_address = CheckedWebAddress(typed, CheckRelative->isChecked());
    if (m_address.isEmpty()) {
        MessageBox(QStringLiteral("Error"), GetString(QStringLiteral("Error.UnsafeURL"), typed), mbOk);
        EditURL->setFocus();
        EditURL->selectAll();
        return;
    }
    EditURL->setText(m_address);
    done(mrOk);
}

void TURLForm::keyPressEvent(QKeyEvent* event)
{
    // Enter is Ok, and Ok checks the address first.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && !BtnOk->Dimmed()) {
        BtnOkClick();
        return;
    }
    TStdPeltoForm::keyPressEvent(event);
}

bool TURLForm::Edit(QWidget* parent, QString& url, QString& frame, bool& relative)
{
    TURLForm form(parent);
    form.EditURL->setText(url);
    form.EditFrame->setText(frame);
    form.CheckRelative->setChecked(relative);
    if (form.exec() != mrOk)
        return false;
    url = form.Address();
    frame = form.Frame();
    relative = form.CheckRelative->isChecked();
    return true;
}

} // namespace kav

#pragma once
#include "ui/forms/stdpeltoform.h"

#include <cstdint>

class QComboBox;
class QLabel;
class QLineEdit;

namespace kav {

class TEditSession;

// The transparent-colour dialog: red, green and blue edits, a sample that opens the colour dialog
// when clicked, and the history of the colours chosen before.
class TTransColorForm : public TStdPeltoForm {
    Q_OBJECT
public:
    explicit TTransColorForm(QWidget* parent = nullptr);

    QLineEdit* Rbox = nullptr;
    QLineEdit* Gbox = nullptr;
    QLineEdit* Bbox = nullptr;
    QWidget* Sample = nullptr;
    QComboBox* ColorsComboBox = nullptr;

    // Shows the colour (selected in the history, added there when missing).
    void SetColor(uint32_t color);
    uint32_t Color() const { return m_color; }
    // Modal; on OK the colour joins the history and comes back in `color`.
    bool Execute(uint32_t& color);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Reads the three edits (a value outside 0 .. 255 becomes 0) and shows the result.
    void ApplyEdits();
    void ShowInHistory();

    uint32_t m_color = 0x0000FF00;
};

// Edit > "Transparent Color...": only while no scene has items or a background image (else the
// warning); on OK the project takes the colour.
void EditTransparentColor(TEditSession& session, QWidget* parent);

} // namespace kav

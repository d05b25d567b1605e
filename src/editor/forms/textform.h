#pragma once
#include "ui/forms/stdpeltoform.h"

class QComboBox;
class QTextEdit;

namespace kav {

class TItemBase;
class TItemText;

// "Text Window": the text of a text item with its font, size, bold, italic and alignment. The
// memo keeps to the line and length limits of the settings; Enter makes a new line there.
class TTextForm : public TStdPeltoForm {
    Q_OBJECT
public:
    explicit TTextForm(QWidget* parent = nullptr);

    QTextEdit* MemoText = nullptr;
    QComboBox* CBoxFont = nullptr;
    QComboBox* CBoxSize = nullptr;
    TBmpButton* BtnBold = nullptr;
    TBmpButton* BtnItalic = nullptr;
    TBmpButton* BtnAlignLeft = nullptr;
    TBmpButton* BtnAlignCenter = nullptr;
    TBmpButton* BtnAlignRight = nullptr;

    // The dialog from the text, and the dialog back into it (Ok).
    void Fill(const TItemText& text);
    void WriteBack(TItemText& text) const;
    // The size the box stands for: 18 when it is empty or not a number.
    int ChosenSize() const;
    QStringList Lines() const;

    // Shows the dialog modally on the item's text; on Ok the text takes the dialog's values
    // (the item is renamed from the text and laid out). Returns whether Ok was chosen.
    static bool Edit(QWidget* parent, TItemBase& item);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void MemoChanged();
    void SizeEdited(const QString& text);
    void UpdateMemoFont();
    void SetAlign(int align);
    int m_align = 0;
    bool m_fixing = false;
};

} // namespace kav

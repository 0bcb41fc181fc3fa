#pragma once
// Tab page "Text Display": typed text, the screen commands, custom and special characters,
// row and column clearing, and the predefined message shown on the selected row.

#include <array>

#include <QWidget>

#include "widgets/pagecontext.h"

class AsciiInputBox;
class QComboBox;
class QLabel;
class QPushButton;

class TextDisplayPage : public QWidget
{
    Q_OBJECT
public:
    TextDisplayPage(PageContext &context, QWidget *parent = nullptr);

    void txtASCIIInput_KeyPress(int code);
    void cmdCommand_Click(int index);
    void cmdBackSp_Click();
    void cmdCustomChar_Click(int index);
    void cmdSC_Click();
    void cmdLoadCC_Click();
    void cmdClrCR_Click(int index);
    void cmdDisTxt_Click();

private:
    AsciiInputBox *txtASCIIInput = nullptr;
    QLabel *Label3 = nullptr;
    std::array<QPushButton *, 3> cmdCommand{};
    QPushButton *cmdBackSp = nullptr;
    QLabel *Label12 = nullptr;
    std::array<QPushButton *, 8> cmdCustomChar{};
    QComboBox *cboSpecial = nullptr;
    QPushButton *cmdSC = nullptr;
    QPushButton *cmdLoadCC = nullptr;
    std::array<QPushButton *, 2> cmdClrCR{};
    QPushButton *cmdDisTxt = nullptr;
    QComboBox *cboPMsg = nullptr;

    PageContext &m_context;
};

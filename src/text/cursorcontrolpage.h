#pragma once
// Tab page "Cursor Control": cursor type, position at the selected row and column, and
// one-step moves left and right.

#include <array>

#include <QWidget>

#include "widgets/pagecontext.h"

class QComboBox;
class QLabel;
class QPushButton;

class CursorControlPage : public QWidget
{
    Q_OBJECT
public:
    CursorControlPage(PageContext &context, QWidget *parent = nullptr);

    void cmdSetCursor_Click();
    void cmdSetPos_Click();
    void cmdCurLR_Click(int index);

private:
    QLabel *Label5 = nullptr;
    QComboBox *cboCursor = nullptr;
    QPushButton *cmdSetCursor = nullptr;
    QPushButton *cmdSetPos = nullptr;
    std::array<QPushButton *, 2> cmdCurLR{};

    PageContext &m_context;
};

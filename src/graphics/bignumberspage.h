#pragma once
// Tab page "BIG Numbers": load the big-digit bitmaps and draw up to four characters.

#include <QWidget>

#include "widgets/pagecontext.h"

class QLineEdit;
class QPushButton;

class BigNumbersPage : public QWidget
{
    Q_OBJECT
public:
    BigNumbersPage(PageContext &context, QWidget *parent = nullptr);

    void cmdInitBN_Click();
    void cmdDrawBN_Click();

private:
    QPushButton *cmdInitBN = nullptr;
    QLineEdit *txtBN = nullptr;
    QPushButton *cmdDrawBN = nullptr;

    PageContext &m_context;
};

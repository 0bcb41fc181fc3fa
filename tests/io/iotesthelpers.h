#pragma once
// What the "Inputs / Outputs" tests share: picking a list item the way a user does and
// reading the indicators as letters.

#include <QAbstractItemView>
#include <QComboBox>
#include <QFrame>
#include <QTabWidget>
#include <QTest>

#include "app/frmmain.h"
#include "io/inputsoutputspage.h"
#include "widgets/controls.h"

namespace iotest
{

inline void showInputsOutputs(frmMain &window)
{
    window.SSTab1->setCurrentWidget(window.inputsOutputs);
}

// Opens the list's drop-down, moves to the item and presses Enter, so the list reports a
// user pick.
inline void pick(frmMain &window, QComboBox *list, int item)
{
    showInputsOutputs(window);
    list->showPopup();
    QAbstractItemView *view = list->view();
    QTRY_VERIFY(view->isVisible());
    view->setCurrentIndex(view->model()->index(item, 0));
    QTest::keyClick(view, Qt::Key_Return);
    QTRY_VERIFY(!view->isVisible());
}

// One letter per indicator: W white (bit set), R red (bit clear), - anything else (the
// keypad's start colour).
template <typename Shape, std::size_t N> QString colours(const std::array<Shape *, N> &indicators)
{
    QString text;
    for (const QWidget *indicator : indicators) {
        const unsigned colour = controls::toBgr(controls::fill(indicator));
        text += colour == InputsOutputsPage::kBitSetColour     ? QLatin1Char('W')
                : colour == InputsOutputsPage::kBitClearColour ? QLatin1Char('R')
                                                               : QLatin1Char('-');
    }
    return text;
}

inline QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text));
}

} // namespace iotest

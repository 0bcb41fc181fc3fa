#pragma once
// Small factories for the window's controls: each creates a named child, gives it its
// caption and places it in twips, so a page reads like its table of controls.

#include <QColor>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStringList>

class QMessageBox;

namespace controls
{

// Colours are given as 0x00BBGGRR numbers, red in the low byte.
QColor fromBgr(unsigned value);
unsigned toBgr(const QColor &colour);

QPushButton *button(QWidget *parent, const QString &name, const QString &caption, int left, int top,
                    int width, int height);
QLabel *label(QWidget *parent, const QString &name, const QString &caption, int left, int top,
              int width, int height);
QGroupBox *frame(QWidget *parent, const QString &name, const QString &caption, int left, int top,
                 int width, int height);
QRadioButton *option(QWidget *parent, const QString &name, const QString &caption, int left,
                     int top, int width, int height);
// A selection-only list filled with the items, first item selected.
QComboBox *list(QWidget *parent, const QString &name, const QStringList &items, int left, int top,
                int width);
QLineEdit *textBox(QWidget *parent, const QString &name, int maxLength, int left, int top,
                   int width, int height);

// Gives a widget a solid background colour (labels, indicators, cells).
void setFill(QWidget *widget, const QColor &colour);
// The same for a fill that text stands on, with black or white text, whichever reads better
// on it: a dark or high-contrast desktop palette cannot put white text on a light fill.
void setTextFill(QWidget *widget, const QColor &colour);
QColor fill(const QWidget *widget);

// Draws the keyboard focus as a frame in the highlight colour just inside the widget's edge,
// for controls whose fill would hide the style's own focus mark. Call from paintEvent.
void paintFocusMark(QWidget *widget);

// Ties a control to the caption that names it for a screen reader (a label relation). A list
// calls itself by its current item and an option by its own caption, so the relation is how
// a listener learns what they are for; it also names text boxes and sliders. `caption`
// becomes the control's buddy. The second form is for captions that are no label (a button's,
// a frame's): a hidden label carrying the same text stands in for them, as the toolkit only
// relates labels to controls. Returns that label.
void labelBy(QWidget *control, QLabel *caption);
QLabel *labelBy(QWidget *control, const QString &caption);

// Shows `box` without waiting for its answer, which comes through its finished signal. It
// is application-modal as a waiting box would be, and deleted once closed. It is at least
// wide enough for its title: a box as short as "Com Error!" would have the window manager
// cut the title short.
void showWithoutWaiting(QMessageBox *box);
// The program's own message, shown that way: modal, no icon, OK only, captioned with the
// application title; the box is returned for its signal. `owner` should be the main window: a
// box owned by a page goes grey with the page when a lost device disables the pages, and
// then cannot be closed.
QMessageBox *openMessage(QWidget *owner, const QString &text, const QString &objectName);

// "1", "2", ... "n" (or from `first`).
QStringList numbers(int first, int last);

} // namespace controls

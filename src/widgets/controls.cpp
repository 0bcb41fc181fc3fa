#include "widgets/controls.h"

#include "widgets/captionbutton.h"
#include "widgets/twips.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QPainter>
#include <QPalette>

#include <cmath>

namespace controls
{

namespace
{

// Relative luminance, as contrast ratios are reckoned.
double luminance(const QColor &colour)
{
    const auto channel = [](double value) {
        return value <= 0.03928 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(colour.redF()) + 0.7152 * channel(colour.greenF()) +
           0.0722 * channel(colour.blueF());
}

} // namespace

QColor fromBgr(unsigned value)
{
    return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                  static_cast<int>((value >> 16) & 0xFF));
}

unsigned toBgr(const QColor &colour)
{
    return static_cast<unsigned>(colour.red()) | (static_cast<unsigned>(colour.green()) << 8) |
           (static_cast<unsigned>(colour.blue()) << 16);
}

QPushButton *button(QWidget *parent, const QString &name, const QString &caption, int left, int top,
                    int width, int height)
{
    auto *widget = twips::make<CaptionButton>(parent, name);
    widget->setText(caption);
    twips::place(widget, left, top, width, height);
    return widget;
}

QLabel *label(QWidget *parent, const QString &name, const QString &caption, int left, int top,
              int width, int height)
{
    auto *widget = twips::make<QLabel>(parent, name);
    widget->setText(caption);
    widget->setTextFormat(Qt::PlainText);
    twips::place(widget, left, top, width, height);
    return widget;
}

QGroupBox *frame(QWidget *parent, const QString &name, const QString &caption, int left, int top,
                 int width, int height)
{
    auto *widget = twips::make<QGroupBox>(parent, name);
    widget->setTitle(caption);
    twips::place(widget, left, top, width, height);
    return widget;
}

QRadioButton *option(QWidget *parent, const QString &name, const QString &caption, int left,
                     int top, int width, int height)
{
    auto *widget = twips::make<QRadioButton>(parent, name);
    widget->setText(caption);
    twips::place(widget, left, top, width, height);
    return widget;
}

QComboBox *list(QWidget *parent, const QString &name, const QStringList &items, int left, int top,
                int width)
{
    auto *widget = twips::make<QComboBox>(parent, name);
    widget->setEditable(false);
    widget->addItems(items);
    widget->setCurrentIndex(items.isEmpty() ? -1 : 0);
    widget->setMaxVisibleItems(12);
    twips::place(widget, left, top, width, 315);
    return widget;
}

QLineEdit *textBox(QWidget *parent, const QString &name, int maxLength, int left, int top,
                   int width, int height)
{
    auto *widget = twips::make<QLineEdit>(parent, name);
    widget->setMaxLength(maxLength);
    twips::place(widget, left, top, width, height);
    return widget;
}

void setFill(QWidget *widget, const QColor &colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    palette.setColor(QPalette::Base, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

void setTextFill(QWidget *widget, const QColor &colour)
{
    setFill(widget, colour);
    // Above this luminance black text has more contrast than white.
    constexpr double kDarkTextAbove = 0.179;
    const QColor text = luminance(colour) > kDarkTextAbove ? QColor(Qt::black) : QColor(Qt::white);
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, text); // a label's
    palette.setColor(QPalette::Text, text);       // a text box's
    widget->setPalette(palette);
}

QColor fill(const QWidget *widget)
{
    return widget->palette().color(QPalette::Window);
}

void paintFocusMark(QWidget *widget)
{
    constexpr int kWidth = 2;
    QPainter painter(widget);
    QPen pen(widget->palette().color(QPalette::Highlight), kWidth);
    pen.setJoinStyle(Qt::MiterJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const qreal inset = kWidth / 2.0;
    painter.drawRect(QRectF(widget->rect()).adjusted(inset, inset, -inset, -inset));
}

void labelBy(QWidget *control, QLabel *caption)
{
    caption->setBuddy(control);
}

QLabel *labelBy(QWidget *control, const QString &caption)
{
    // Qt 6.4: only a QLabel's buddy gets a label relation, so a hidden label stands in.
    auto *standIn = new QLabel(caption, control->parentWidget());
    standIn->setTextFormat(Qt::PlainText);
    standIn->hide();
    standIn->setBuddy(control);
    return standIn;
}

namespace
{

void fitTitle(QMessageBox *box)
{
    // The window manager draws the title, commonly in a bold face about the size of the
    // window's, with the window's icon and three buttons beside it: some six text heights.
    QFont font = QFontDatabase::systemFont(QFontDatabase::TitleFont);
    font.setBold(true);
    const QFontMetrics metrics(font);
    const int width = metrics.horizontalAdvance(box->windowTitle()) + 6 * metrics.height();
    // A message box sizes itself from its layout as it is shown, so the room goes there.
    if (auto *grid = qobject_cast<QGridLayout *>(box->layout()))
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                      grid->rowCount(), 0, 1, grid->columnCount());
}

} // namespace

void showWithoutWaiting(QMessageBox *box)
{
    fitTitle(box);
    // Qt 6.4: setWindowModality() on a QMessageBox puts back the close button it left out.
    // So the box is made modal the way exec() makes it (application-modal here).
    box->setAttribute(Qt::WA_ShowModal);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->show();
}

QMessageBox *openMessage(QWidget *owner, const QString &text, const QString &objectName)
{
    auto *box = new QMessageBox(QMessageBox::NoIcon, QStringLiteral("VantelApp"), text,
                                QMessageBox::Ok, owner);
    box->setObjectName(objectName);
    showWithoutWaiting(box);
    return box;
}

QStringList numbers(int first, int last)
{
    QStringList items;
    for (int n = first; n <= last; ++n)
        items << QString::number(n);
    return items;
}

} // namespace controls

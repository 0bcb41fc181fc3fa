#pragma once
// Holds the running paced sequence (the message upload, the save's wait, a script played
// from the line log) while any message box of the window is open: the acknowledgement,
// "Numeric Value Only", "Com Error!", the lost-device box, the line log's own. A frame
// going out behind a box the user has not read yet would be one the user did not see
// coming. Each box holds the pacing clock from the moment it shows until it hides or goes.
//
// It watches the whole application for boxes, and takes those whose parent chain reaches
// `window` (the line log is a window of its own, but a child of the main window).

#include <QObject>
#include <QSet>

namespace seriallink
{
class PacingClock;
} // namespace seriallink

class QWidget;

class BoxHold : public QObject
{
    Q_OBJECT
public:
    BoxHold(QWidget *window, seriallink::PacingClock &pacing);
    ~BoxHold() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void let(QObject *box);

    QWidget *m_window;
    seriallink::PacingClock &m_pacing;
    QSet<QObject *> m_open;
};

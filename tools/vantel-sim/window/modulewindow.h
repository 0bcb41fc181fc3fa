#pragma once
// The virtual module as a window: the display dot for dot (displayview.h), a line with
// the module's state, the world around the module (outsideworldpanel.h) and the frame log.
//
// The keys of the terminal's key map work here too while the window is active, except
// that a keypad key is held only while its key is down, as its button is while pressed.
// Changes reach the screen together, shortly after they happen, so a flood of frames at
// line rate costs one refresh per interval, not one per frame.

#include <array>

#include <QMainWindow>
#include <QStringList>
#include <QTimer>

#include "sim/replyencoder.h"

class QLabel;
class QPlainTextEdit;

namespace simtool
{

class DisplayView;
class OutsideWorldPanel;
class Simulator;

class ModuleWindow : public QMainWindow
{
    Q_OBJECT

public:
    static constexpr int kRefreshMs = 15;
    static constexpr int kLogKept = 500;

    explicit ModuleWindow(Simulator *simulator, QWidget *parent = nullptr);
    ~ModuleWindow() override;

    DisplayView *display() const { return m_display; }
    OutsideWorldPanel *outsideWorld() const { return m_outside; }
    QPlainTextEdit *log() const { return m_log; }

    // Zoom 2 where the screen has room for it beside the utility, else 1.
    static int defaultScale();
    // Zoom as a whole-number scale of the display (DisplayView::kMinScale to kMaxScale).
    void setScale(int scale);
    void copyDisplay() const;
    // Writes the display as a PNG file; false when the file could not be written.
    bool saveDisplay(const QString &path) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void makeMenus();
    void scheduleRefresh();
    void refresh();
    void addLogLine(const QString &line);
    void flushLog();
    bool takeKey(const QString &text, bool press, bool repeat);
    void releaseKeyboardKeys();
    void askAndSave();

    Simulator *m_simulator;
    DisplayView *m_display = nullptr;
    QLabel *m_state = nullptr;
    OutsideWorldPanel *m_outside = nullptr;
    QPlainTextEdit *m_log = nullptr;
    QTimer m_refreshTimer;
    QStringList m_pendingLog;
    std::array<bool, sim::kKeypadKeys> m_heldFromKeyboard{};
};

} // namespace simtool

#pragma once
// "Line Log": every frame sent and every reply received, one row each, with its time since
// Connect, its direction, its bytes and their meaning in words. A window of its own beside
// the main window, opened from there (Ctrl+L, or a double-click on either hex monitor) and
// kept across Connect and Disconnect; the log behind it records whether it is open or not.
//
// - Show sent, received or both; Pause freezes the rows while recording goes on (the
//   status says how many new entries wait), and resuming shows them; Clear empties the log.
// - Find (Next, Previous, Enter) selects the next row whose text holds what was typed.
// - Copy (Ctrl+C) puts the selected rows on the clipboard as plain-text lines; Save as Text
//   writes the rows shown, one line each.
// - Save as Script writes every frame sent as a script (each with its meaning as a comment,
//   the pauses between them as wait lines when asked); Play Script checks a script whole,
//   refuses one with an error (naming its line), and plays it paced, with a progress bar
//   and Cancel. Closing the window ends a script that plays.

#include <functional>

#include <QString>
#include <QWidget>

#include "record/linelog.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableView;

namespace record
{
class LineLogRecorder;
} // namespace record

namespace script
{
class ScriptPlayer;
} // namespace script

namespace seriallink
{
class PacingClock;
class ReplyReader;
class SerialPortService;
class Transmitter;
} // namespace seriallink

namespace linelog
{

class LineLogModel;

// What the window reads and drives.
struct LineLogSources {
    record::LineLogRecorder &recorder;
    seriallink::SerialPortService &port;
    seriallink::Transmitter &tx;
    seriallink::ReplyReader &replies;
    seriallink::PacingClock &pacing;
    QString settingsPath; // whose glyph table a script's `glyph` starts from
};

class LineLogWindow : public QWidget
{
    Q_OBJECT
public:
    explicit LineLogWindow(const LineLogSources &sources, QWidget *parent = nullptr);

    LineLogModel &model() { return *m_model; }
    script::ScriptPlayer &player() { return *m_player; }

    // The file dialogs' ends, also what a test drives.
    bool saveText(const QString &path);
    bool saveScript(const QString &path);
    void playScript(const QString &path);

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void find(bool forward);
    void copySelection();
    void showStatus();
    // A file dialog that does not wait: `then` runs with the file chosen, if any.
    void askForFile(const QString &name, const QString &caption, const QString &filter, bool save,
                    std::function<void(const QString &)> then);
    bool write(const QString &path, const QByteArray &content);
    void scriptFinished(bool completed, const QString &problem);

    QComboBox *m_showList = nullptr; // "Sent and received", "Sent", "Received"
    QPushButton *m_pauseButton = nullptr;
    QPushButton *m_clearButton = nullptr;
    QLineEdit *m_findBox = nullptr;
    QPushButton *m_findPreviousButton = nullptr;
    QPushButton *m_findNextButton = nullptr;
    QLabel *m_foundLabel = nullptr;
    QTableView *m_table = nullptr;
    QPushButton *m_copyButton = nullptr;
    QPushButton *m_saveTextButton = nullptr;
    QPushButton *m_saveScriptButton = nullptr;
    QCheckBox *m_waitsBox = nullptr;
    QPushButton *m_playButton = nullptr;
    QLabel *m_statusLabel = nullptr;
    QLabel *m_scriptLabel = nullptr;
    QProgressBar *m_scriptProgress = nullptr;
    QPushButton *m_cancelButton = nullptr;

    LineLogModel *m_model = nullptr;
    script::ScriptPlayer *m_player = nullptr;
    QString m_playingName;
    bool m_following = true; // the view shows the newest row: keep it in sight
};

} // namespace linelog

#pragma once
// The main window. It owns the serial link (port service, transmitter, reply reader,
// pacing tick), the port frame with the Connect button, the hex monitors, the shared row
// and column lists, and the eight feature pages; each page builds its own controls and
// handlers and talks to the link only through PageContext.
//
// Both ways through the link are drawn in README's "Developing" section. The window's part: it
// shows the transmitter's monitor caption, and for each read the reply reader hands on it shows the
// last reply in the receive monitor and lets the "Inputs / Outputs" page draw the last of
// each kind. The port service alone says whether the port is open; the Connect button's
// caption only shows it.
//
// The line log (linelog/linelogwindow.h) records from start-up; its window is made the
// first time it is asked for (Ctrl+L anywhere in the window, a double-click on a monitor).
//
// "Reconnect when the device comes back" (the device label's context menu, off unless the
// user turned it on: app/windowoptions.h): a lost line shows the lost-device box as ever,
// then the window waits for the device as it waits for a network port that is Connecting,
// "waiting for DEVICE" beside Connect, the pages locked, Disconnect to stop; the reconnector
// (link/reconnector.h) opens the line again at the same speed, and sends nothing.

#include <memory>

#include <QPointer>
#include <QString>
#include <QWidget>

#include "link/pacingclock.h"
#include "link/reconnector.h"
#include "link/replyreader.h"
#include "link/serialportservice.h"
#include "link/transmitter.h"
#include "ports/portproblem.h"
#include "record/linelogrecorder.h"
#include "widgets/boxhold.h"
#include "widgets/hexmonitor.h"
#include "widgets/pagecontext.h"

namespace linelog
{
class LineLogWindow;
} // namespace linelog

class BacklightPage;
class BigNumbersPage;
class CursorControlPage;
class CustomCharactersPage;
class GraphPage;
class InputsOutputsPage;
class LcdSettingsPage;
class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QMessageBox;
class QPushButton;
class QRadioButton;
class QTabWidget;
class SettingsFile;
class TextDisplayPage;

class frmMain : public QWidget
{
    Q_OBJECT
public:
    // The window reads and writes its settings through `settings`. Form_Load runs here.
    explicit frmMain(SettingsFile &settings, QWidget *parent = nullptr);
    ~frmMain() override;

    // The link, for whoever drives the window from outside (the tests, the benchmark).
    seriallink::SerialPortService &port() { return MSComm1; }
    seriallink::Transmitter &transmitter() { return m_transmitter; }
    seriallink::ReplyReader &replyReader() { return m_replyReader; }
    seriallink::PacingClock &pacing() { return m_pacing; }
    record::LineLogRecorder &lineLog() { return m_lineLog; }
    // What Form_Unload writes to section Settings: the port number and the line settings.
    const QString &commPortText() const { return CommPortText; }
    const QString &commSettings() const { return CommSettings; }

    void cboComm_Click();
    void opt9600_Click();
    void opt19200_Click();
    void cmdConnect_Click();
    // One read's replies: the receive monitor, the page's labels and indicators, the box.
    void showReplies(const seriallink::ReplyBatch &batch);

    bool isConnected() const;
    // Opens the line log's window, or raises it when it is open.
    void showLineLog();
    // Opens "Port Devices" (the label beside Connect offers it in its context menu).
    void showPortDevices();

signals:
    // The save acknowledgement box was closed (for tests and the virtual module's demo).
    void acknowledgementShown();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildPortFrame();
    void buildMonitor();
    void buildRowColumnFrame();
    void buildPages();
    void buildLineLog();
    void Form_Load();
    void Form_Unload();
    void showConnectionState();
    // "Com Error!" and, beside Connect, why the port could not be opened.
    void showComError();
    void showDeviceLost(const QString &reason);
    void setReconnect(bool on);
    void showWaiting(const QString &reason);
    void showLineBack();
    // Disconnect while waiting, or the option turned off: the port settles into Closed.
    void stopWaiting();
    void showAcknowledgement();
    void updateDeviceLabel();
    void showOpenProblem(const ports::OpenProblem &problem);
    // `prefix` and the device on one line of the device label, the device's middle left out
    // when it is too long.
    QString oneLine(const QString &prefix, const QString &device) const;

    // Controls outside the tab pages.
    QGroupBox *fComm = nullptr;
    QRadioButton *opt9600 = nullptr;
    QRadioButton *opt19200 = nullptr;
    QLabel *Label1 = nullptr;
    QComboBox *cboComm = nullptr;
    QLabel *lblDevice = nullptr;
    QPushButton *cmdConnect = nullptr;
    QTabWidget *SSTab1 = nullptr;
    QGroupBox *Frame3 = nullptr;
    QLabel *Label2 = nullptr;
    HexMonitor *lblTxData = nullptr;
    QLabel *Label4 = nullptr;
    HexMonitor *lblRxData = nullptr;
    QGroupBox *Frame1 = nullptr;
    QLabel *Label10 = nullptr;
    QComboBox *cboRow = nullptr;
    QLabel *Label11 = nullptr;
    QComboBox *cboColumn = nullptr;

    TextDisplayPage *textDisplay = nullptr;
    CursorControlPage *cursorControl = nullptr;
    BacklightPage *backlight = nullptr;
    GraphPage *graph = nullptr;
    CustomCharactersPage *customCharacters = nullptr;
    BigNumbersPage *bigNumbers = nullptr;
    LcdSettingsPage *lcdSettings = nullptr;
    InputsOutputsPage *inputsOutputs = nullptr;

    seriallink::SerialPortService MSComm1;
    seriallink::Transmitter m_transmitter{MSComm1};
    seriallink::ReplyReader m_replyReader{MSComm1};
    seriallink::PacingClock m_pacing;
    // Before the window's own connections and the recorder: it hears the port first.
    seriallink::Reconnector m_reconnector{MSComm1};
    record::LineLogRecorder m_lineLog{MSComm1, m_transmitter, m_replyReader, m_reconnector};

    QString CommPortText;
    QString CommSettings;

    SettingsFile &m_settings;
    PageContext m_context;
    BoxHold m_boxHold{this, m_pacing}; // after the clock: it lets go of it when it goes
    QAction *m_portDevicesAction = nullptr;
    QAction *m_reconnectAction = nullptr;
    bool m_waiting = false;
    QString m_waitingFor;           // the device the window waits for
    QPointer<QMessageBox> m_ackBox; // the acknowledgement box while it is open
    bool m_openProblemShown = false;
    bool m_unloaded = false;
    // Last, so it goes before the link it shows.
    std::unique_ptr<linelog::LineLogWindow> m_lineLogWindow;
};

#pragma once
// The main window. It owns the serial link (port service, transmitter, pacing tick), the
// port frame with the Connect button, the hex monitors, the shared row and column lists,
// and the eight feature pages; each page builds its own controls and handlers and talks
// to the link only through PageContext.
//
// A click becomes bytes like this: the page's handler builds a frame (link/protocol.h)
// and calls Transmitter::sendFrame, which fills TxData and writes it byte by byte; the
// monitors follow the transmitter's monitorsChanged signal. Bytes from the module arrive
// through MSComm1's onComm notification: MSComm1_OnComm cuts them into three-byte replies,
// shows each in the receive monitor and lets the "Inputs / Outputs" page apply it.

#include <QPointer>
#include <QString>
#include <QWidget>

#include "link/pacingclock.h"
#include "link/replydecoder.h"
#include "link/serialportservice.h"
#include "link/transmitter.h"
#include "widgets/pagecontext.h"

class BacklightPage;
class BigNumbersPage;
class CursorControlPage;
class CustomCharactersPage;
class GraphPage;
class InputsOutputsPage;
class LcdSettingsPage;
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
    static constexpr int kPortCount = 20;

    // The window reads and writes its settings through `settings`. Form_Load runs here.
    explicit frmMain(SettingsFile &settings, QWidget *parent = nullptr);
    ~frmMain() override;

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
    QLabel *lblTxData = nullptr;
    QLabel *Label4 = nullptr;
    QLabel *lblRxData = nullptr;
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

    SerialPortService MSComm1;
    Transmitter transmitter{MSComm1};
    PacingClock pacing;

    QString CommPortText;
    QString CommSettings;

    void cboComm_Click();
    void opt9600_Click();
    void opt19200_Click();
    void cmdConnect_Click();
    void MSComm1_OnComm();

    bool isConnected() const;

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
    void Form_Load();
    void Form_Unload();
    void setConnectedState(bool open);
    void showDeviceLost(const QString &reason);
    void showAcknowledgement();
    void updateDeviceLabel();

    SettingsFile &m_settings;
    PageContext m_context;
    ReplyFramer m_framer;
    QPointer<QMessageBox> m_ackBox; // the acknowledgement box while it is open
    bool m_unloaded = false;
    bool m_loading = false;
};

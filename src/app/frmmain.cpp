#include "app/frmmain.h"

#include "app/besideplacement.h"
#include "app/captionfit.h"
#include "app/firstframe.h"
#include "app/keyboard.h"
#include "app/portdevicesdialog.h"
#include "app/windowfont.h"
#include "app/windowoptions.h"
#include "config/backlightpage.h"
#include "config/lcdsettingspage.h"
#include "graphics/bignumberspage.h"
#include "graphics/customcharacterspage.h"
#include "graphics/graphpage.h"
#include "io/inputsoutputspage.h"
#include "linelog/linelogwindow.h"
#include "link/systemports.h"
#include "ports/comname.h"
#include "ports/portresolver.h"
#include "protocol/protocol.h"
#include "settings/numeric.h"
#include "settings/settingsfile.h"
#include "text/cursorcontrolpage.h"
#include "text/textdisplaypage.h"
#include "widgets/controls.h"
#include "widgets/twips.h"
#include "widgets/wrappingtabbar.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QDebug>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>
#include <QTabWidget>

#include <algorithm>

using namespace controls;

namespace
{

const QString kConnect = QStringLiteral("Connect");
const QString kDisconnect = QStringLiteral("Disconnect");
const QString kSettings9600 = QStringLiteral("9600,n,8,1");
const QString kSettings19200 = QStringLiteral("19200,n,8,1");
constexpr int kLcdSettingsPage = 6;

} // namespace

frmMain::frmMain(SettingsFile &settings, QWidget *parent)
    : QWidget(parent), m_settings(settings), m_context{m_transmitter, m_pacing, settings}
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Vantel 20x4 Characters RS232 LCD Dsiplay"));
    setFont(windowFont());

    buildPortFrame();
    buildMonitor();
    buildRowColumnFrame();
    buildPages();
    buildLineLog();
    captionfit::fitCaptions(this);
    setFixedSize(twips::toPixels(10770), twips::toPixels(6795));

    connect(&m_transmitter, &seriallink::Transmitter::monitorsChanged, this,
            [this](const QString &caption) {
                lblTxData->setText(caption);
                lblRxData->clear();
            });
    // Each status reply reads by the mode the list shows when the reply arrives.
    m_replyReader.setModeSource([this] { return inputsOutputs->p2Mode(); });
    connect(&m_replyReader, &seriallink::ReplyReader::repliesRead, this, &frmMain::showReplies);
    connect(&MSComm1, &seriallink::SerialPortService::stateChanged, this,
            &frmMain::showConnectionState);
    connect(&MSComm1, &seriallink::SerialPortService::deviceLost, this, &frmMain::showDeviceLost);
    connect(&MSComm1, &seriallink::SerialPortService::openFailed, this, &frmMain::showComError);
    connect(&m_reconnector, &seriallink::Reconnector::lineLost, this, &frmMain::showWaiting);
    connect(&m_reconnector, &seriallink::Reconnector::lineBack, this, &frmMain::showLineBack);

    Form_Load();
    keyboard::install(this);
}

frmMain::~frmMain()
{
    m_pacing.abort(QStringLiteral("the window was closed"));
}

void frmMain::buildPortFrame()
{
    fComm = frame(this, QStringLiteral("fComm"), QStringLiteral("Comm Port Settings"), 240, 240,
                  5415, 855);
    opt9600 =
        option(fComm, QStringLiteral("opt9600"), QStringLiteral("9600 bps"), 120, 375, 1155, 300);
    opt19200 = option(fComm, QStringLiteral("opt19200"), QStringLiteral("19200 bps"), 1290, 375,
                      1260, 300);
    opt9600->setChecked(true);
    Label1 = label(fComm, QStringLiteral("Label1"), QStringLiteral("Select Port Number"), 2580, 405,
                   1695, 255);
    QStringList ports;
    for (int n = 1; n <= ports::kWindowPorts; ++n)
        ports << QStringLiteral("COM%1").arg(n);
    cboComm = list(fComm, QStringLiteral("cboComm"), ports, 4335, 360, 1005);
    labelBy(cboComm, Label1);
    connect(opt9600, &QRadioButton::clicked, this, &frmMain::opt9600_Click);
    connect(opt19200, &QRadioButton::clicked, this, &frmMain::opt19200_Click);
    connect(cboComm, &QComboBox::activated, this, &frmMain::cboComm_Click);

    cmdConnect = button(this, QStringLiteral("cmdConnect"), kConnect, 6000, 480, 1455, 375);
    connect(cmdConnect, &QPushButton::clicked, this, &frmMain::cmdConnect_Click);
    // Which device the chosen COM port stands for, so the user knows what Connect opens,
    // or why it would not open. Tall enough for that reason to wrap onto three lines; a
    // single line sits level with the button's caption.
    lblDevice = label(this, QStringLiteral("lblDevice"), QString(), 7560, 330, 3015, 675);
    lblDevice->setWordWrap(true);
    // The user's port map, offered by the label it changes: no control of its own.
    m_portDevicesAction = new QAction(QStringLiteral("Port Devices..."), lblDevice);
    m_portDevicesAction->setObjectName(QStringLiteral("portDevicesAction"));
    lblDevice->addAction(m_portDevicesAction);
    lblDevice->setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(m_portDevicesAction, &QAction::triggered, this, &frmMain::showPortDevices);
    // Beside it, whether a lost line is waited for: the person's choice, kept with their map.
    m_reconnectAction =
        new QAction(QStringLiteral("Reconnect when the device comes back"), lblDevice);
    m_reconnectAction->setObjectName(QStringLiteral("reconnectAction"));
    m_reconnectAction->setCheckable(true);
    m_reconnectAction->setChecked(windowoptions::reconnect());
    m_reconnector.setEnabled(m_reconnectAction->isChecked());
    lblDevice->addAction(m_reconnectAction);
    connect(m_reconnectAction, &QAction::triggered, this, &frmMain::setReconnect);
}

void frmMain::setReconnect(bool on)
{
    windowoptions::setReconnect(on);
    if (!on && m_waiting)
        stopWaiting();
    m_reconnector.setEnabled(on);
}

void frmMain::showPortDevices()
{
    auto *dialog = new PortDevicesDialog(this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    // The map may now name another device for the chosen port; the port is closed, as the
    // action is locked while connected.
    connect(dialog, &QDialog::accepted, this, &frmMain::updateDeviceLabel);
    dialog->open();
}

void frmMain::buildMonitor()
{
    Frame3 = frame(this, QStringLiteral("Frame3"),
                   QStringLiteral("Communication Data Monitor (HEX)"), 240, 5040, 6975, 1335);
    Label2 = label(Frame3, QStringLiteral("Label2"), QStringLiteral("Transmitted Bytes"), 120, 420,
                   1560, 255);
    Label4 = label(Frame3, QStringLiteral("Label4"), QStringLiteral("Received Bytes"), 120, 900,
                   1560, 255);
    lblTxData = twips::make<HexMonitor>(Frame3, QStringLiteral("lblTxData"));
    twips::place(lblTxData, 1710, 390, 5175, 285);
    lblRxData = twips::make<HexMonitor>(Frame3, QStringLiteral("lblRxData"));
    twips::place(lblRxData, 1710, 870, 5175, 285);
    // Each monitor is known by the caption beside it.
    labelBy(lblTxData, Label2);
    labelBy(lblRxData, Label4);
}

void frmMain::buildLineLog()
{
    auto *open = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_L), this);
    open->setContext(Qt::WindowShortcut); // from any control of the window
    connect(open, &QShortcut::activated, this, &frmMain::showLineLog);
    for (HexMonitor *monitor : {lblTxData, lblRxData}) {
        monitor->setToolTip(QStringLiteral("Double-click to open the line log (Ctrl+L)"));
        connect(monitor, &HexMonitor::doubleClicked, this, &frmMain::showLineLog);
    }
}

void frmMain::showLineLog()
{
    if (!m_lineLogWindow) {
        m_lineLogWindow = std::make_unique<linelog::LineLogWindow>(
            linelog::LineLogSources{m_lineLog, MSComm1, m_transmitter, m_replyReader, m_pacing,
                                    m_settings.path()},
            this);
        // Beside the window the first time (a window's pos() is its frame's corner); after
        // that where the user left it, since a hidden window keeps its place.
        m_lineLogWindow->adjustSize();
        m_lineLogWindow->move(besidePosition(frameGeometry(),
                                             m_lineLogWindow->frameGeometry().size(),
                                             screen()->availableGeometry()));
    }
    m_lineLogWindow->show();
    m_lineLogWindow->raise();
    m_lineLogWindow->activateWindow();
}

void frmMain::buildRowColumnFrame()
{
    Frame1 = frame(this, QStringLiteral("Frame1"), QStringLiteral("Selected Row / Column"), 7440,
                   5040, 3135, 1335);
    Label10 = label(Frame1, QStringLiteral("Label10"), QStringLiteral("Row"), 240, 420, 735, 255);
    Label11 =
        label(Frame1, QStringLiteral("Label11"), QStringLiteral("Column"), 240, 900, 735, 255);
    cboRow = list(Frame1, QStringLiteral("cboRow"), numbers(0, proto::kRows - 1), 1080, 360, 1815);
    cboColumn =
        list(Frame1, QStringLiteral("cboColumn"), numbers(0, proto::kColumns - 1), 1080, 840, 1815);
    labelBy(cboRow, Label10);
    labelBy(cboColumn, Label11);
    m_context.cboRow = cboRow;
    m_context.cboColumn = cboColumn;
}

void frmMain::buildPages()
{
    SSTab1 = twips::make<FeatureTabWidget>(this, QStringLiteral("SSTab1"));
    twips::place(SSTab1, 240, 1320, 10335, 3615);

    textDisplay = new TextDisplayPage(m_context, SSTab1);
    cursorControl = new CursorControlPage(m_context, SSTab1);
    backlight = new BacklightPage(m_context, SSTab1);
    graph = new GraphPage(m_context, SSTab1);
    customCharacters = new CustomCharactersPage(m_context, SSTab1);
    bigNumbers = new BigNumbersPage(m_context, SSTab1);
    lcdSettings = new LcdSettingsPage(m_context, SSTab1);
    inputsOutputs = new InputsOutputsPage(m_context, SSTab1);

    SSTab1->addTab(textDisplay, QStringLiteral("Text Display"));
    SSTab1->addTab(cursorControl, QStringLiteral("Cursor Control"));
    SSTab1->addTab(backlight, QStringLiteral("Backlight Control"));
    SSTab1->addTab(graph, QStringLiteral("Graph"));
    SSTab1->addTab(customCharacters, QStringLiteral("Custom Characters"));
    SSTab1->addTab(bigNumbers, QStringLiteral("BIG Numbers"));
    SSTab1->addTab(lcdSettings, QStringLiteral("LCD Settings"));
    SSTab1->addTab(inputsOutputs, QStringLiteral("Inputs / Outputs"));
    SSTab1->setCurrentIndex(kLcdSettingsPage);
    SSTab1->setEnabled(false);
}

void frmMain::Form_Load()
{
    // The lists were filled and the pins marked as inputs while the controls were built.
    const SettingsSnapshot saved = m_settings.read();
    // A file that cannot be read (a FIFO, a device, a folder, a huge file) is as a missing
    // one, and is never replaced (settingsfile.h); said once, where a damaged file is looked
    // for.
    if (!saved.isReadable())
        qWarning().noquote() << saved.problem() +
                                    QStringLiteral("; the window starts with its defaults and "
                                                   "leaves the file as it is");
    CommPortText = saved.ReadINI(QStringLiteral("Settings"), QStringLiteral("CommPort"));
    CommSettings = saved.ReadINI(QStringLiteral("Settings"), QStringLiteral("Setting"));
    const QString level = saved.ReadINI(QStringLiteral("LCD"), QStringLiteral("BL"));

    // A missing or malformed level leaves the slider at its left end; a number outside the
    // slider's range shows the nearest end.
    const qint16 backlightLevel = static_cast<qint16>(
        std::clamp<int>(toInt16RoundHalfEven(level).value_or(0), 0, proto::kMaxBacklightLevel));
    backlight->setLevelQuietly(backlightLevel);

    // First run (no value): COM1, like every other list's first item. A value that names
    // no list item (0, above 20, not a number) leaves no port selected, so Connect says
    // "Com Error!" until the user picks one rather than opening a port the file did not name.
    const auto index = CommPortText.isEmpty() ? std::optional<qint16>(0)
                                              : toInt16RoundHalfEven(CommPortText, -1.0);
    if (index && *index >= 0 && *index < ports::kWindowPorts) {
        cboComm->setCurrentIndex(*index);
        // The pick's effect on the port, but the device is named only once the window is up.
        MSComm1.setCommPort(*index + 1);
        CommPortText = QString::number(*index + 1);
    } else {
        cboComm->setCurrentIndex(-1);
    }

    if (CommSettings.left(4) == QLatin1String("9600")) {
        opt9600->setChecked(true);
        opt9600_Click();
    } else {
        opt19200->setChecked(true);
        opt19200_Click();
    }

    for (QComboBox *list : {cboRow, cboColumn})
        list->setCurrentIndex(0);

    // The port needs no input mode or receive threshold: it always delivers bytes, and the
    // reply reader takes each byte as it comes, so that it can tell a pause in the stream.

    lcdSettings->loadMessages();
    customCharacters->loadGlyphTable();
    // Naming the device may list every serial port of the system, which takes longer than
    // drawing the window: do it once, right after the window's first frame.
    firstframe::afterFirstFrame(this, [this] {
        if (!m_openProblemShown && !m_waiting) // a Connect came first: what it said stays
            updateDeviceLabel();
    });
}

void frmMain::Form_Unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    // A paced sequence still running ends here instead of writing to a closing port.
    m_pacing.abort(QStringLiteral("the window was closed"));
    m_settings.WriteINI(QStringLiteral("Settings"), QStringLiteral("CommPort"), CommPortText);
    m_settings.WriteINI(QStringLiteral("Settings"), QStringLiteral("Setting"), CommSettings);
    m_settings.WriteINI(QStringLiteral("LCD"), QStringLiteral("BL"),
                        QString::number(backlight->backlightLevel()));
    m_reconnector.setEnabled(false);
    MSComm1.close();
}

void frmMain::closeEvent(QCloseEvent *event)
{
    Form_Unload();
    event->accept();
}

void frmMain::cboComm_Click()
{
    const int n = cboComm->currentIndex() + 1;
    MSComm1.setCommPort(n);
    CommPortText = QString::number(n);
    updateDeviceLabel();
}

void frmMain::opt9600_Click()
{
    MSComm1.setSettings(kSettings9600);
    CommSettings = kSettings9600;
}

void frmMain::opt19200_Click()
{
    MSComm1.setSettings(kSettings19200);
    CommSettings = kSettings19200;
}

void frmMain::cmdConnect_Click()
{
    CommPortText = QString::number(cboComm->currentIndex() + 1);
    CommSettings = opt9600->isChecked() ? kSettings9600 : kSettings19200;
    // The caption, the port frame and the pages follow the port's state (stateChanged).
    // A network port may still be Connecting: Disconnect then ends the attempt.
    if (m_waiting) {
        stopWaiting();
        return;
    }
    const seriallink::SerialPortService::State state = MSComm1.state();
    if (state == seriallink::SerialPortService::State::Closed ||
        state == seriallink::SerialPortService::State::Lost) {
        if (!MSComm1.setCommPort(CommPortText.toInt()) || !MSComm1.setSettings(CommSettings)) {
            updateDeviceLabel(); // "No port selected"
            openMessage(this, QStringLiteral("Com Error!"), QStringLiteral("ComErrorBox"));
            return;
        }
        if (!MSComm1.open()) {
            showComError();
            return;
        }
        if (m_openProblemShown)
            updateDeviceLabel();
    } else {
        m_pacing.abort(QStringLiteral("Disconnect was pressed"));
        MSComm1.close();
    }
}

void frmMain::showConnectionState()
{
    const bool open = isConnected();
    // Waiting for a lost device shows as Connecting does: Disconnect ends it.
    const bool busy =
        open || m_waiting || MSComm1.state() == seriallink::SerialPortService::State::Connecting;
    cmdConnect->setText(busy ? kDisconnect : kConnect);
    fComm->setEnabled(!busy);
    // Like the port list, the map chooses what Connect opens: locked while connected.
    m_portDevicesAction->setEnabled(!busy);
    SSTab1->setEnabled(open);
}

void frmMain::showComError()
{
    if (m_waiting) // one of the reconnector's attempts: it tries again
        return;
    showOpenProblem(MSComm1.lastOpenProblem());
    openMessage(this, QStringLiteral("Com Error!"), QStringLiteral("ComErrorBox"));
}

bool frmMain::isConnected() const
{
    return MSComm1.state() == seriallink::SerialPortService::State::Open;
}

void frmMain::showDeviceLost(const QString &reason)
{
    m_pacing.abort(reason);
    // The window shows the loss already; the close settles the port into Closed, unless the
    // reconnector waits for the device (it has heard of the loss first).
    if (!m_waiting)
        MSComm1.close();
    // Naming the device may list the system's serial ports: once is enough.
    const QString device = m_waiting ? m_waitingFor : MSComm1.deviceName();
    openMessage(this,
                QStringLiteral("The connection to %1 was lost (%2). The port has been closed.")
                    .arg(device.isEmpty() ? QStringLiteral("the serial device") : device, reason),
                QStringLiteral("DeviceLostBox"));
}

void frmMain::showWaiting(const QString &reason)
{
    m_waiting = true;
    m_openProblemShown = false;
    m_waitingFor = MSComm1.deviceName();
    const QString device =
        m_waitingFor.isEmpty() ? QStringLiteral("COM%1").arg(MSComm1.commPort()) : m_waitingFor;
    lblDevice->setText(oneLine(QStringLiteral("waiting for "), device));
    lblDevice->setToolTip(QStringLiteral("The connection to %1 was lost (%2). It opens again "
                                         "when the device is back; Disconnect stops waiting.")
                              .arg(device, reason));
    showConnectionState();
}

void frmMain::showLineBack()
{
    m_waiting = false;
    updateDeviceLabel();
    showConnectionState();
}

void frmMain::stopWaiting()
{
    m_waiting = false;
    // Ends the reconnector's attempt too, between attempts as well as during one.
    m_reconnector.setEnabled(false);
    MSComm1.close();
    m_reconnector.setEnabled(m_reconnectAction->isChecked());
    updateDeviceLabel();
    showConnectionState();
}

void frmMain::showReplies(const seriallink::ReplyBatch &batch)
{
    lblRxData->setText(proto::hexCaption(batch.replies.back().bytes()));
    for (const proto::DecodedReply &reply : batch.lastOfEachKind)
        inputsOutputs->applyReply(reply);
    if (batch.acknowledged)
        showAcknowledgement();
}

void frmMain::showAcknowledgement()
{
    // One box at a time: acknowledgements that arrive while it is open are covered by it.
    if (m_ackBox)
        return;
    m_ackBox = openMessage(this, QStringLiteral("Settings Saved,Please Reset LCD"),
                           QStringLiteral("AcknowledgementBox"));
    // A save to flash waiting for its tick goes on only once the user has closed the box
    // (m_boxHold holds it meanwhile).
    connect(m_ackBox, &QMessageBox::finished, this, [this] {
        m_ackBox = nullptr;
        emit acknowledgementShown();
    });
}

void frmMain::updateDeviceLabel()
{
    m_openProblemShown = false;
    const int index = cboComm->currentIndex();
    const QString device = index < 0 ? QString() : MSComm1.deviceName();
    if (device.isEmpty()) {
        lblDevice->setText(index < 0 ? QStringLiteral("No port selected")
                                     : QStringLiteral("COM%1: no device").arg(index + 1));
        // A port map that cannot be read, or a name refused, is why: the tooltip says so.
        const QString why = index < 0 ? QString() : seriallink::resolveDevice(index + 1).problem;
        lblDevice->setToolTip(why.isEmpty() ? lblDevice->text()
                                            : lblDevice->text() + QLatin1Char('\n') + why);
        return;
    }
    lblDevice->setText(oneLine(QStringLiteral("COM%1 = ").arg(index + 1), device));
    lblDevice->setToolTip((QStringList{device} + seriallink::adapterDetails(device)).join(u'\n'));
}

QString frmMain::oneLine(const QString &prefix, const QString &device) const
{
    // A long path or URL loses its middle: the device's own name at the end stays in sight,
    // and the tooltip has it whole.
    const QFontMetricsF metrics(lblDevice->font(), lblDevice);
    const qreal room = lblDevice->contentsRect().width() - metrics.horizontalAdvance(prefix) - 1;
    // A prefix that leaves next to no room on its line is one that wraps anyway.
    if (room < 8 * metrics.averageCharWidth())
        return prefix + device;
    return prefix + metrics.elidedText(device, Qt::ElideMiddle, room);
}

void frmMain::showOpenProblem(const ports::OpenProblem &problem)
{
    m_openProblemShown = true;
    const QString why = QStringLiteral("COM%1: %2").arg(MSComm1.commPort()).arg(problem.advice());
    // A long host name would be broken anywhere across the lines: it keeps to the line it
    // starts on, its middle left out, and the tooltip has it whole.
    const qsizetype at = problem.where.isEmpty() ? -1 : why.indexOf(problem.where);
    lblDevice->setText(at < 0 ? why
                              : oneLine(why.left(at), problem.where) +
                                    why.sliced(at + problem.where.size()));
    QStringList tip{why};
    if (!problem.device.isEmpty())
        tip << problem.device << seriallink::adapterDetails(problem.device);
    else if (const QString reason = seriallink::resolveDevice(MSComm1.commPort()).problem;
             !reason.isEmpty())
        tip << reason;
    lblDevice->setToolTip(tip.join(u'\n'));
}

#pragma once
// The module as the bridge drives it: its port (any name the window takes: COMn, a device
// path, a network port), the frames each command sends, the replies turned into keys,
// inputs and readings, and what the display should show, kept so that it can be drawn
// again.
//
// Each time the line opens, at the start and whenever it is back after a loss, the panel
// sets P2 up (keypad, or general I/O with all eight pins inputs), clears the display and
// draws what it holds: the rows, the message on the top row, the backlight and its level
// where a client has set them. The first time the display holds nothing yet, so it starts
// blank; after a loss (an adapter pulled, a module switched off and on) it shows again
// what it showed. A command that comes while the line is lost changes what the panel
// holds and is drawn when the line is back.
//
// Every frame goes out at once, as the window sends a click's frame: the window paces
// only its uploads to the module's flash, and the bridge never writes the flash.
//
// A lost line is opened again once a second (link/reconnector.h), as is a port that could
// not be opened at the start: a daemon may start before its adapter is plugged in.

#include <array>
#include <optional>

#include <QObject>
#include <QString>
#include <QTimer>

#include "commands.h"
#include "link/reconnector.h"
#include "link/replyreader.h"
#include "link/serialportservice.h"
#include "link/transmitter.h"
#include "protocol/keypad.h"

namespace mqttbridge
{

class Panel : public QObject
{
    Q_OBJECT
public:
    struct Settings {
        QString port = QStringLiteral("COM1");
        int speed = 19200;
        bool keypad = false;
        int analogEverySeconds = 5; // 0: never
    };

    explicit Panel(const Settings &settings, QObject *parent = nullptr);

    // Opens the port, or keeps trying once a second.
    void start();
    bool isOnline() const { return m_port.isOpen(); }
    // "COM1 (/dev/ttyUSB0)", "/dev/ttyUSB0": the port as named and the device behind it.
    QString portShown() const;

    // Sends the command's frames when the line is open, and keeps what it changes.
    void apply(const Command &command);
    const RowBytes &row(int index) const { return m_rows.at(static_cast<std::size_t>(index)); }

signals:
    void online();
    void offline(const QString &reason);
    void keyPressed(int number);              // 1-16, as keypad.h numbers them
    void inputChanged(int number, bool high); // 1-8; all eight on the first report
    void analogRead(int number, int value);   // 1-2

private:
    void opened();
    void send(const std::vector<proto::Frame> &frames);
    void draw();
    void readAnalogInputs();
    void takeReplies(const seriallink::ReplyBatch &batch);

    Settings m_settings;
    seriallink::SerialPortService m_port;
    seriallink::Transmitter m_tx{m_port};
    seriallink::ReplyReader m_replies{m_port};
    seriallink::Reconnector m_reconnector{m_port};
    QTimer m_analogTimer;

    std::array<RowBytes, proto::kRows> m_rows{};
    std::optional<int> m_topMessage; // shown on the top row since its text was set
    std::optional<bool> m_backlight;
    std::optional<int> m_level;
    std::optional<std::array<bool, 8>> m_inputs; // unknown until the first status reply
    std::array<bool, proto::keypad::kKeys> m_keysDown{};
};

} // namespace mqttbridge

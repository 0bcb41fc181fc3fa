#include "panel.h"

#include "ports/comname.h"

namespace mqttbridge
{

namespace
{

constexpr std::size_t kInputs = 8;

} // namespace

Panel::Panel(const Settings &settings, QObject *parent) : QObject(parent), m_settings(settings)
{
    RowBytes blank;
    blank.fill(' ');
    m_rows.fill(blank);
    m_replies.setModeSource([keypad = settings.keypad] {
        return keypad ? proto::P2Mode::Keypad : proto::P2Mode::Gpio;
    });
    connect(&m_replies, &seriallink::ReplyReader::repliesRead, this, &Panel::takeReplies);
    connect(&m_port, &seriallink::SerialPortService::stateChanged, this,
            [this](seriallink::SerialPortService::State state) {
                if (state == seriallink::SerialPortService::State::Open)
                    opened();
                else
                    m_analogTimer.stop();
            });
    // Called after the reconnector's own handler (connected first): a failure it is
    // already trying past is not the first one.
    connect(&m_port, &seriallink::SerialPortService::openFailed, this, [this] {
        if (!m_reconnector.reconnecting())
            m_reconnector.keepTrying(m_port.lastOpenProblem().advice());
    });
    connect(&m_reconnector, &seriallink::Reconnector::lineLost, this, &Panel::offline);
    m_analogTimer.setInterval(std::chrono::seconds(settings.analogEverySeconds));
    connect(&m_analogTimer, &QTimer::timeout, this, &Panel::readAnalogInputs);
}

void Panel::start()
{
    // As vantelctl reads --port: COMn through the port map and its kin, anything else as
    // the device it names.
    if (const ports::ComName name = ports::readComName(m_settings.port);
        name.kind == ports::ComName::Kind::Port) {
        m_port.setCommPort(name.number);
    } else {
        m_port.setDeviceResolver([device = m_settings.port](int) { return device; });
        m_port.setCommPort(1);
    }
    m_port.setSettings(m_settings.speed == 9600 ? QStringLiteral("9600,n,8,1")
                                                : QStringLiteral("19200,n,8,1"));
    if (!m_port.open())
        m_reconnector.keepTrying(m_port.lastOpenProblem().advice());
}

QString Panel::portShown() const
{
    const QString device = m_port.deviceName();
    if (device.isEmpty() || device == m_settings.port)
        return m_settings.port;
    return QStringLiteral("%1 (%2)").arg(m_settings.port, device);
}

void Panel::apply(const Command &command)
{
    if (const auto *row = std::get_if<SetRow>(&command)) {
        m_rows.at(static_cast<std::size_t>(row->row)) = row->text;
        if (row->row == 0)
            m_topMessage.reset();
    } else if (std::holds_alternative<ClearDisplay>(command)) {
        RowBytes blank;
        blank.fill(' ');
        m_rows.fill(blank);
        m_topMessage.reset();
    } else if (const auto *light = std::get_if<SetBacklight>(&command)) {
        m_backlight = light->on;
    } else if (const auto *level = std::get_if<SetBrightness>(&command)) {
        m_level = level->level;
    } else if (const auto *message = std::get_if<ShowMessage>(&command)) {
        m_topMessage = message->number;
    }
    send(framesFor(command));
}

void Panel::send(const std::vector<proto::Frame> &frames)
{
    if (!m_port.isOpen())
        return; // drawn when the line is back
    for (const proto::Frame &frame : frames)
        m_tx.sendFrame(frame);
}

void Panel::opened()
{
    m_inputs.reset();
    m_keysDown.fill(false);
    draw();
    if (m_settings.analogEverySeconds > 0) {
        readAnalogInputs();
        m_analogTimer.start();
    }
    emit online();
}

void Panel::draw()
{
    std::vector<proto::Frame> frames{proto::p2Mode(!m_settings.keypad)};
    if (!m_settings.keypad)
        frames.push_back(*proto::p2Directions(0));
    frames.push_back(proto::controlByte(proto::kClearDisplay));
    const auto add = [&frames](const Command &command) {
        for (proto::Frame &frame : framesFor(command))
            frames.push_back(std::move(frame));
    };
    RowBytes blank;
    blank.fill(' ');
    for (int row = 0; row < proto::kRows; ++row) {
        const RowBytes &text = m_rows.at(static_cast<std::size_t>(row));
        if (row == 0 && m_topMessage)
            add(ShowMessage{*m_topMessage});
        else if (text != blank)
            add(SetRow{row, text});
    }
    if (m_backlight)
        add(SetBacklight{*m_backlight});
    if (m_level)
        add(SetBrightness{*m_level});
    send(frames);
}

void Panel::readAnalogInputs()
{
    send({*proto::readAnalog(0), *proto::readAnalog(1)});
}

void Panel::takeReplies(const seriallink::ReplyBatch &batch)
{
    // Every reply in turn, not only the last of each kind: a key pressed and let go
    // within one read is still a key press.
    for (const proto::Reply &reply : batch.replies) {
        const proto::DecodedReply decoded = proto::decodeReply(reply, batch.mode);
        switch (decoded.kind) {
        case proto::DecodedReply::Kind::Analog:
            emit analogRead(decoded.analogIndex + 1, decoded.analogValue);
            break;
        case proto::DecodedReply::Kind::InputStatus:
            for (std::size_t pin = 0; pin < kInputs; ++pin) {
                if (!m_inputs || (*m_inputs)[pin] != decoded.inputs[pin])
                    emit inputChanged(static_cast<int>(pin) + 1, decoded.inputs[pin]);
            }
            m_inputs = decoded.inputs;
            break;
        case proto::DecodedReply::Kind::KeypadState:
            for (int number = 1; number <= proto::keypad::kKeys; ++number) {
                const bool down =
                    decoded.keys[static_cast<std::size_t>(proto::keypad::indicatorOf(number))];
                bool &wasDown = m_keysDown[static_cast<std::size_t>(number - 1)];
                if (down && !wasDown)
                    emit keyPressed(number);
                wasDown = down;
            }
            break;
        case proto::DecodedReply::Kind::SaveAck:
        case proto::DecodedReply::Kind::Ignored:
            break;
        }
    }
}

} // namespace mqttbridge

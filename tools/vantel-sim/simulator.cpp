#include "simulator.h"

#include <algorithm>

#include "protocol/framedescriber.h"
#include "screenrenderer.h"

namespace simtool
{

namespace
{

constexpr int kHexShown = 8; // bytes of a long frame shown in the log

QString frameLogLine(const proto::Frame &frame)
{
    QString hex;
    if (frame.size() > static_cast<std::size_t>(kHexShown))
        hex = proto::hexCaption(std::span(frame).first(kHexShown)) +
              QStringLiteral("... (%1 bytes) ").arg(frame.size());
    else
        hex = proto::hexCaption(frame);
    return hex + QLatin1Char(' ') + QString::fromStdString(proto::describeFrame(frame));
}

} // namespace

Simulator::Simulator(PtyPort *port, QObject *parent) : QObject(parent), m_port(port)
{
    connect(m_port, &PtyPort::received, this, &Simulator::receive);
    connect(m_port, &PtyPort::unreadDropped, this, [this](int count) {
        log(QStringLiteral("%1 reply bytes not read within half a second (is the utility "
                           "connected?): dropped")
                .arg(count));
    });
}

void Simulator::start()
{
    for (const QString &line : helpLines())
        log(line);
    emit changed();
}

void Simulator::receive(const QByteArray &bytes)
{
    const std::span<const std::uint8_t> data(reinterpret_cast<const std::uint8_t *>(bytes.data()),
                                             static_cast<std::size_t>(bytes.size()));
    for (const sim::ReceivedFrame &received : m_model.receive(data)) {
        log(frameLogLine(received.frame));
        send(received.reply);
    }
    emit changed();
}

void Simulator::press(char key)
{
    if (const auto action = actionForKey(key))
        act(*action);
}

void Simulator::act(const KeyAction &action)
{
    using Kind = KeyAction::Kind;
    const int index = action.index;
    switch (action.kind) {
    case Kind::ToggleKey:
        setKey(index, !m_model.key(index));
        return;
    case Kind::ReleaseKeys:
        releaseKeys();
        break;
    case Kind::TogglePin:
        setPin(index, !m_model.inputPin(index));
        return;
    case Kind::AdjustAnalog: {
        // A start value above the converter's range (--analog1) is kept, not cut back.
        const int value = m_model.analog(index);
        const int ceiling = std::max(kAnalogMaximum, value);
        setAnalog(index, std::clamp(value + action.delta, 0, ceiling));
        return;
    }
    case Kind::SendStatus:
        send(m_model.statusReply());
        break;
    case Kind::PowerCycle:
        m_model.powerCycle();
        log(QStringLiteral("power cycle: settings and glyphs from flash, screen blank"));
        break;
    case Kind::PrintScreen:
        for (const QString &line : plainDisplay(m_model))
            log(line);
        break;
    case Kind::Help:
        for (const QString &line : helpLines())
            log(line);
        break;
    case Kind::Quit:
        emit quitRequested();
        return;
    }
    emit changed();
}

void Simulator::setKey(int key, bool held)
{
    if (key < 1 || key > sim::kKeypadKeys || m_model.key(key) == held)
        return;
    send(m_model.setKey(key, held));
    if (m_model.settings().p2Mode != proto::P2Mode::Keypad)
        log(QStringLiteral("key %1 %2; not reported: P2 is in general I/O mode")
                .arg(key)
                .arg(held ? QStringLiteral("held") : QStringLiteral("up")));
    emit changed();
}

void Simulator::setPin(int pin, bool high)
{
    if (pin < 0 || pin >= sim::kInputPins || m_model.inputPin(pin) == high)
        return;
    send(m_model.setInputPin(pin, high));
    if (m_model.settings().p2Mode != proto::P2Mode::Gpio)
        log(QStringLiteral("pin %1 %2; not reported: P2 is in keypad mode")
                .arg(pin + 1)
                .arg(high ? QStringLiteral("high") : QStringLiteral("low")));
    emit changed();
}

void Simulator::setAnalog(int input, int value)
{
    if (input < 0 || input > 1)
        return;
    send(m_model.setAnalog(input, value));
    emit changed();
}

void Simulator::releaseKeys()
{
    for (int k = 1; k <= sim::kKeypadKeys; ++k)
        if (m_model.key(k))
            m_model.setKey(k, false);
    if (m_model.settings().p2Mode == proto::P2Mode::Keypad)
        send(m_model.statusReply());
}

void Simulator::send(const std::optional<proto::Reply> &reply)
{
    if (!reply)
        return;
    log(QStringLiteral("reply ") + proto::hexCaption(reply->bytes()) + QLatin1Char(' ') +
        QString::fromStdString(proto::describeReply(*reply, m_model.settings().p2Mode)));
    if (!m_port->write(reply->bytes()))
        log(QStringLiteral("the reply could not be written"));
}

} // namespace simtool

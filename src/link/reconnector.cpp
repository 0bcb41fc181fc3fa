#include "link/reconnector.h"

Reconnector::Reconnector(SerialPortService &port, QObject *parent) : QObject(parent), m_port(port)
{
    m_retry.setSingleShot(true);
    m_retry.setInterval(kRetryInterval);
    connect(&m_retry, &QTimer::timeout, this, &Reconnector::attempt);
    connect(&m_port, &SerialPortService::deviceLost, this, &Reconnector::handleLost);
    connect(&m_port, &SerialPortService::stateChanged, this, &Reconnector::handleStateChanged);
    connect(&m_port, &SerialPortService::openFailed, this, &Reconnector::handleOpenFailed);
}

void Reconnector::setEnabled(bool enabled)
{
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    if (enabled)
        return;
    const bool connecting = m_attemptConnecting;
    cancel();
    if (connecting)
        m_port.close();
}

void Reconnector::keepTrying(const QString &reason)
{
    const SerialPortService::State state = m_port.state();
    if (m_active || state == SerialPortService::State::Open ||
        state == SerialPortService::State::Connecting)
        return;
    handleLost(reason);
}

void Reconnector::handleLost(const QString &reason)
{
    if (!m_enabled)
        return;
    m_active = true;
    emit lineLost(reason);
    m_retry.start();
}

void Reconnector::handleStateChanged(SerialPortService::State state)
{
    const bool ourAttemptEnded = m_attemptConnecting;
    m_attemptConnecting = false;
    m_resumeOnOpenFailed = false;
    switch (state) {
    case SerialPortService::State::Open:
        if (m_active) {
            cancel();
            emit lineBack();
        }
        break;
    case SerialPortService::State::Connecting:
        // Ours (attempt() marks it once open() returns) or the user's: either way one
        // attempt at a time.
        m_retry.stop();
        break;
    case SerialPortService::State::Closed:
        if (m_active) {
            cancel();
            m_resumeOnOpenFailed = ourAttemptEnded;
        }
        break;
    case SerialPortService::State::Lost:
        break; // deviceLost follows with the reason
    }
}

void Reconnector::handleOpenFailed()
{
    if (!m_resumeOnOpenFailed)
        return;
    m_resumeOnOpenFailed = false;
    m_active = true;
    m_retry.start();
}

void Reconnector::attempt()
{
    // Lost still, or Closed after a network attempt that failed.
    const SerialPortService::State state = m_port.state();
    if (!m_active || state == SerialPortService::State::Open ||
        state == SerialPortService::State::Connecting)
        return;
    if (!m_port.open()) {
        m_retry.start();
        return;
    }
    // Open at once: handleStateChanged has said so already.
    m_attemptConnecting = m_port.state() == SerialPortService::State::Connecting;
}

void Reconnector::cancel()
{
    m_active = false;
    m_attemptConnecting = false;
    m_resumeOnOpenFailed = false;
    m_retry.stop();
}

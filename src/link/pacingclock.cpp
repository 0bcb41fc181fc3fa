#include "link/pacingclock.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEventLoop>
#include <limits>

PacingClock::PacingClock(QObject *parent) : QObject(parent)
{
    Timer1.setInterval(kIntervalMs);
    Timer1.setTimerType(Qt::PreciseTimer);
    connect(&Timer1, &QTimer::timeout, this, &PacingClock::Timer1_Timer);
}

void PacingClock::Timer1_Timer()
{
    if (TickCount < std::numeric_limits<qint16>::max())
        ++TickCount;
}

bool PacingClock::waitForTick(qint16 target)
{
    const quint64 generation = m_sequenceRunning ? m_sequenceGeneration : m_abortGeneration;
    while (TickCount < target) {
        // Checked before sleeping: with the timer stopped nothing will ever tick, and an idle
        // event loop would keep the wait asleep for good.
        if (generation != m_abortGeneration || !Timer1.isActive())
            return false;
        // Sleeps until an event arrives (the tick at the latest) instead of spinning.
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return generation == m_abortGeneration;
}

void PacingClock::abort()
{
    ++m_abortGeneration;
    // Wake a wait that sleeps in processEvents.
    if (auto *dispatcher = QAbstractEventDispatcher::instance())
        dispatcher->wakeUp();
}

bool PacingClock::beginSequence()
{
    if (m_sequenceRunning)
        return false;
    m_sequenceRunning = true;
    m_sequenceGeneration = m_abortGeneration;
    emit sequenceRunningChanged(true);
    return true;
}

void PacingClock::endSequence()
{
    if (!m_sequenceRunning)
        return;
    m_sequenceRunning = false;
    emit sequenceRunningChanged(false);
}

#include "windows/consolecontrolwatcher.h"

#include <QMetaObject>

#include <mutex>

#include <windows.h>

namespace
{

// The watcher, guarded: the handler's thread must not post to a watcher being destroyed.
std::mutex guard;
ConsoleControlWatcher *watcher = nullptr;
// Set when the watcher goes: the program has finished what it had to do. Never closed, as
// a handler may still be waiting on it.
HANDLE finished = nullptr;

// Windows allows about five seconds before it ends a closing console's process itself.
constexpr DWORD kCloseWaitMs = 4500;

BOOL WINAPI onControl(DWORD event)
{
    {
        const std::lock_guard<std::mutex> lock(guard);
        if (!watcher)
            return FALSE;
        QMetaObject::invokeMethod(watcher, &ConsoleControlWatcher::received, Qt::QueuedConnection);
    }
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        WaitForSingleObject(finished, kCloseWaitMs);
    return TRUE;
}

} // namespace

ConsoleControlWatcher::ConsoleControlWatcher(QObject *parent) : QObject(parent)
{
    const std::lock_guard<std::mutex> lock(guard);
    if (watcher)
        return;
    if (!finished)
        finished = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!finished || !SetConsoleCtrlHandler(onControl, TRUE))
        return;
    ResetEvent(finished);
    watcher = this;
    m_watching = true;
}

ConsoleControlWatcher::~ConsoleControlWatcher()
{
    if (!m_watching)
        return;
    SetConsoleCtrlHandler(onControl, FALSE);
    const std::lock_guard<std::mutex> lock(guard);
    watcher = nullptr;
    SetEvent(finished);
}

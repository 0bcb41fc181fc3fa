#include "windows/consoletext.h"

#include <algorithm>

#include <windows.h>

namespace consoletext
{

namespace
{

HANDLE handleOf(Stream stream)
{
    return GetStdHandle(stream == Stream::Output ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
}

bool leadsSomewhere(HANDLE handle)
{
    return handle && handle != INVALID_HANDLE_VALUE && GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

bool isConsole(HANDLE handle)
{
    DWORD mode = 0;
    return GetConsoleMode(handle, &mode) != 0;
}

QByteArray encoded(const QString &text, UINT codePage)
{
    const auto *wide = reinterpret_cast<const wchar_t *>(text.utf16());
    const int length = static_cast<int>(text.size());
    if (length == 0)
        return {};
    const int size = WideCharToMultiByte(codePage, 0, wide, length, nullptr, 0, nullptr, nullptr);
    QByteArray bytes(size, Qt::Uninitialized);
    WideCharToMultiByte(codePage, 0, wide, length, bytes.data(), size, nullptr, nullptr);
    return bytes;
}

} // namespace

bool write(Stream stream, const QString &text)
{
    const HANDLE handle = handleOf(stream);
    if (!leadsSomewhere(handle))
        return false;
    if (isConsole(handle)) {
        const auto *data = reinterpret_cast<const wchar_t *>(text.utf16());
        qsizetype left = text.size();
        while (left > 0) {
            DWORD done = 0;
            const auto chunk = static_cast<DWORD>(std::min<qsizetype>(left, 16384));
            if (!WriteConsoleW(handle, data, chunk, &done, nullptr) || done == 0)
                return false;
            data += done;
            left -= done;
        }
        return true;
    }
    const UINT consolePage = GetConsoleOutputCP();
    const QByteArray bytes = encoded(text, consolePage != 0 ? consolePage : GetACP());
    const char *data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        DWORD done = 0;
        if (!WriteFile(handle, data, static_cast<DWORD>(left), &done, nullptr) || done == 0)
            return false;
        data += done;
        left -= done;
    }
    return true;
}

bool inputIsConsole()
{
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    return leadsSomewhere(input) && isConsole(input);
}

QByteArray readConsole(qsizetype limit)
{
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    QByteArray typed;
    wchar_t buffer[4096];
    while (typed.size() <= limit) {
        DWORD count = 0;
        if (!ReadConsoleW(input, buffer, DWORD(std::size(buffer)), &count, nullptr) || count == 0)
            break;
        const QString chunk = QString::fromWCharArray(buffer, count);
        // Ctrl+Z, then Enter, ends what is typed, as it does for the system's own tools.
        const qsizetype end = chunk.indexOf(QChar(0x1A));
        typed += chunk.left(end).toUtf8();
        if (end >= 0)
            break;
    }
    return typed;
}

bool useParentConsole()
{
    if (leadsSomewhere(handleOf(Stream::Output)) && leadsSomewhere(handleOf(Stream::Error)))
        return true;
    if (!AttachConsole(ATTACH_PARENT_PROCESS))
        return leadsSomewhere(handleOf(Stream::Output));
    for (const DWORD which : {STD_OUTPUT_HANDLE, STD_ERROR_HANDLE}) {
        if (leadsSomewhere(GetStdHandle(which)))
            continue;
        const HANDLE console =
            CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        if (console != INVALID_HANDLE_VALUE)
            SetStdHandle(which, console);
    }
    return leadsSomewhere(handleOf(Stream::Output));
}

} // namespace consoletext

#include "ctlprobe.h"

#include "ptyline.h"

#include <QTemporaryDir>

#include "script/parser.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

extern char **environ;

FirstByteSamples measureFirstByte(const QString &program, PtyLine &line, int runs)
{
    FirstByteSamples samples;
    const QByteArray path = program.toLocal8Bit();
    const QByteArray port = line.slavePath().toLocal8Bit();
    char *argv[] = {const_cast<char *>(path.constData()), const_cast<char *>("--port"),
                    const_cast<char *>(port.constData()), const_cast<char *>("clear"), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    // Two unmeasured runs first, for a warm file cache.
    for (int i = -2; i < runs && samples.error.isEmpty(); ++i) {
        line.clearReceived();
        const Clock::time_point started = Clock::now();
        pid_t pid = -1;
        if (const int failed =
                posix_spawn(&pid, path.constData(), &actions, nullptr, argv, environ)) {
            samples.error = QStringLiteral("cannot start %1: %2").arg(program, strerror(failed));
            break;
        }
        int status = 0;
        rusage usage{};
        while (wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
        }
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || line.received() != "\x0D") {
            samples.error = QStringLiteral("vantelctl did not send its byte and end well");
            break;
        }
        if (i < 0)
            continue;
        samples.ms.push_back(
            std::chrono::duration<double, std::milli>(line.arrival(0) - started).count());
        samples.cpuMs.push_back(double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
                                double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3);
    }
    posix_spawn_file_actions_destroy(&actions);
    return samples;
}

namespace
{

// Peak resident memory of one run in KiB, or -1 when it did not end well.
long peakKiB(const QByteArray &path, std::vector<QByteArray> arguments)
{
    std::vector<char *> argv{const_cast<char *>(path.constData())};
    for (QByteArray &argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int failed = posix_spawn(&pid, path.constData(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed)
        return -1;
    int status = 0;
    rusage usage{};
    while (wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? usage.ru_maxrss : -1;
}

} // namespace

PlayMemory measurePlayMemory(const QString &program)
{
    PlayMemory memory;
    QTemporaryDir dir;
    const QString script = dir.filePath(QStringLiteral("large.vtl"));
    QFile file(script);
    const qint64 lines = script::kLargestScript / 3 - 1;
    if (!dir.isValid() || !file.open(QIODevice::WriteOnly) ||
        file.write(QByteArray("0D\n").repeated(lines)) != lines * 3) {
        memory.error = QStringLiteral("cannot write %1").arg(script);
        return memory;
    }
    file.close();
    const QByteArray path = program.toLocal8Bit();
    const long base = peakKiB(path, {"--dry-run", "clear"});
    const long played = peakKiB(path, {"--dry-run", "play", script.toLocal8Bit()});
    if (base < 0 || played < 0) {
        memory.error = QStringLiteral("vantelctl did not end well");
        return memory;
    }
    memory.peakMiB = double(played) / 1024;
    memory.bytesPerScriptByte = double(played - base) * 1024 / double(lines * 3);
    return memory;
}

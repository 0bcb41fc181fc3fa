#include "startupprobe.h"

#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace
{

std::vector<QByteArray> mergedEnvironment(const QStringList &extra)
{
    std::vector<QByteArray> entries;
    for (char **e = environ; *e; ++e) {
        const QByteArray entry(*e);
        const QByteArray name = entry.left(entry.indexOf('=') + 1);
        bool replaced = false;
        for (const QString &x : extra)
            replaced = replaced || x.toLocal8Bit().startsWith(name);
        if (!replaced)
            entries.push_back(entry);
    }
    for (const QString &x : extra)
        entries.push_back(x.toLocal8Bit());
    return entries;
}

} // namespace

StartupSample measureStartup(const QString &program, const QStringList &environment, int timeoutMs)
{
    StartupSample sample;
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) {
        sample.error = QStringLiteral("pipe failed");
        return sample;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);

    const QByteArray path = program.toLocal8Bit();
    std::vector<QByteArray> env = mergedEnvironment(environment);
    std::vector<char *> envp;
    for (QByteArray &e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    char *argv[] = {const_cast<char *>(path.constData()), nullptr};

    const auto started = std::chrono::steady_clock::now();
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, path.constData(), &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (spawned != 0) {
        close(out[0]);
        sample.error = QStringLiteral("cannot start %1: %2").arg(program, strerror(spawned));
        return sample;
    }

    QByteArray output;
    bool shown = false;
    for (;;) {
        const auto waited = std::chrono::steady_clock::now() - started;
        const int left =
            timeoutMs - int(std::chrono::duration_cast<std::chrono::milliseconds>(waited).count());
        pollfd fd{out[0], POLLIN, 0};
        if (left <= 0 || poll(&fd, 1, left) <= 0)
            break;
        char buffer[256];
        const ssize_t n = read(out[0], buffer, sizeof buffer);
        if (n <= 0)
            break;
        output.append(buffer, n);
        if (output.contains("shown ")) {
            sample.shownMs = std::chrono::duration<double, std::milli>(
                                 std::chrono::steady_clock::now() - started)
                                 .count();
            shown = true;
            break;
        }
    }
    close(out[0]);
    if (!shown)
        kill(pid, SIGKILL);

    int status = 0;
    rusage usage{};
    while (wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    sample.peakRssMiB = double(usage.ru_maxrss) / 1024.0;
    sample.cpuMs = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
                   double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
    if (!shown)
        sample.error = QStringLiteral("%1 showed no window").arg(program);
    else if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        sample.error = QStringLiteral("%1 did not exit cleanly").arg(program);
    else
        sample.ok = true;
    return sample;
}

#pragma once

// Work done in a child process that is killed (SIGKILL) part way: what a
// power cut or a kill -9 leaves on the disk, with the parent left to look.

#include <QElapsedTimer>

#include <csignal>
#include <functional>
#include <sys/wait.h>
#include <unistd.h>

namespace killed {

struct Outcome
{
    int status = -1;   // as waitpid gives it; -1 when no child could be started
    qint64 workUs = 0; // how long the work took in the child, when it finished
};

// Runs work (true when it succeeded) in a child, which is killed delayUs
// microseconds after it starts, unless delayUs is negative.
inline Outcome run(const std::function<bool()> &work, qint64 delayUs)
{
    int channel[2];
    if (pipe(channel) != 0)
        return {};
    const pid_t pid = fork();
    if (pid == 0) {
        close(channel[0]);
        const char started = 1;
        (void)!write(channel[1], &started, 1);
        QElapsedTimer t;
        t.start();
        const bool ok = work();
        const qint64 took = t.nsecsElapsed() / 1000;
        (void)!write(channel[1], &took, sizeof took);
        _exit(ok ? 0 : 1);
    }
    close(channel[1]);
    char started = 0;
    (void)!read(channel[0], &started, 1);
    if (delayUs >= 0) {
        if (delayUs > 0)
            usleep(useconds_t(delayUs));
        kill(pid, SIGKILL);
    }
    Outcome o;
    waitpid(pid, &o.status, 0);
    if (read(channel[0], &o.workUs, sizeof o.workUs) != sizeof o.workUs)
        o.workUs = 0;
    close(channel[0]);
    return o;
}

} // namespace killed

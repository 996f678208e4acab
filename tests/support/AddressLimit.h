// SPDX-License-Identifier: MIT
#pragma once

#include <cerrno>
#include <cstdio>
#include <functional>
#include <new>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QByteArray>
#include <QString>

// Runs `checks` in a child process whose address space may grow only `headroom` bytes beyond what this
// process holds now. Returns what the checks return (empty when all held), or how the child ended badly.
inline QString inChildWithAddressLimit(qint64 headroom, const std::function<QString()>& checks) {
    int channel[2];
    if (::pipe(channel) != 0)
        return QStringLiteral("no pipe");
    const pid_t child = ::fork();
    if (child < 0)
        return QStringLiteral("no child");
    if (child == 0) {
        ::close(channel[0]);
        long pages = 0;
        if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
            if (std::fscanf(statm, "%ld", &pages) != 1)
                pages = 0;
            std::fclose(statm);
        }
        const rlim_t limit = rlim_t(pages) * rlim_t(::sysconf(_SC_PAGESIZE)) + rlim_t(headroom);
        const rlimit addressSpace{limit, limit};
        QByteArray report;
        if (pages == 0 || ::setrlimit(RLIMIT_AS, &addressSpace) != 0) {
            report = "cannot limit the address space";
        } else {
            try {
                report = checks().toUtf8();
            } catch (const std::bad_alloc&) {
                report = "ran out of memory";
            }
        }
        const ssize_t written = ::write(channel[1], report.constData(), size_t(report.size()));
        ::_exit(written == report.size() ? 0 : 1);
    }
    ::close(channel[1]);
    QByteArray report;
    char piece[512];
    for (ssize_t count; (count = ::read(channel[0], piece, sizeof piece)) != 0;) {
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            break;
        report.append(piece, count);
    }
    ::close(channel[0]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFSIGNALED(status))
        return QStringLiteral("the child died of signal %1 (%2)")
            .arg(WTERMSIG(status))
            .arg(QString::fromUtf8(report));
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return QStringLiteral("the child failed (%1)").arg(QString::fromUtf8(report));
    return QString::fromUtf8(report);
}

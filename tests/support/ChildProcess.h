// SPDX-License-Identifier: MIT
#pragma once

// Checks run in a child process: with its address space limited, or as another user.

#include <cerrno>
#include <cstdio>
#include <functional>
#include <new>
#include <optional>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QByteArray>
#include <QString>

// Runs `work` in a child process (a fork of this one) and gives back the bytes it returns; nothing, with how
// the child ended in `failure`, when it did not end normally.
inline std::optional<QByteArray> inChild(const std::function<QByteArray()>& work, QString& failure) {
    int channel[2];
    if (::pipe(channel) != 0) {
        failure = QStringLiteral("no pipe");
        return std::nullopt;
    }
    const pid_t child = ::fork();
    if (child < 0) {
        failure = QStringLiteral("no child");
        return std::nullopt;
    }
    if (child == 0) {
        ::close(channel[0]);
        const QByteArray report = work();
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
    if (WIFSIGNALED(status)) {
        failure = QStringLiteral("the child died of signal %1 (%2)")
                      .arg(WTERMSIG(status))
                      .arg(QString::fromUtf8(report));
        return std::nullopt;
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        failure = QStringLiteral("the child failed (%1)").arg(QString::fromUtf8(report));
        return std::nullopt;
    }
    return report;
}

// Runs `checks` in a child process whose address space may grow only `headroom` bytes beyond what this
// process holds now. Returns what the checks return (empty when all held), or how the child ended badly.
inline QString inChildWithAddressLimit(qint64 headroom, const std::function<QString()>& checks) {
    QString failure;
    const std::optional<QByteArray> report = inChild(
        [&]() -> QByteArray {
            long pages = 0;
            if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
                if (std::fscanf(statm, "%ld", &pages) != 1)
                    pages = 0;
                std::fclose(statm);
            }
            const rlim_t limit = rlim_t(pages) * rlim_t(::sysconf(_SC_PAGESIZE)) + rlim_t(headroom);
            const rlimit addressSpace{limit, limit};
            if (pages == 0 || ::setrlimit(RLIMIT_AS, &addressSpace) != 0)
                return "cannot limit the address space";
            try {
                return checks().toUtf8();
            } catch (const std::bad_alloc&) {
                return "ran out of memory";
            }
        },
        failure);
    return report ? QString::fromUtf8(*report) : failure;
}

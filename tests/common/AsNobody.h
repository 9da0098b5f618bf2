#pragma once
// Runs check as user nobody in a child process and returns what it said.
// Root reads every file, so a test of an unreadable file drops to nobody.
// "no-drop": the child could not become nobody; "no-child": none started.
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

inline std::string AsNobody(const std::function<std::string()>& check) {
    int fds[2];
    if (::pipe(fds) != 0) return "no-child";
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        return "no-child";
    }
    if (child == 0) {
        ::close(fds[0]);
        std::string said = "no-drop";
        if (::setgid(65534) == 0 && ::setuid(65534) == 0) said = check();
        (void)!::write(fds[1], said.data(), said.size());
        ::_exit(0);
    }
    ::close(fds[1]);
    std::string said;
    char buf[64];
    ssize_t n;
    while ((n = ::read(fds[0], buf, sizeof buf)) > 0) said.append(buf, static_cast<size_t>(n));
    ::close(fds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return said;
}

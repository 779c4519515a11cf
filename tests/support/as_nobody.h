#pragma once

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>

namespace kalmero::test {

// The account with no rights: what root's tests become to meet a permission.
constexpr uid_t kNobody = 65534;

// Runs `body` in a child process as uid and gid 65534; its exit code, or -1 when it crashed.
// A child that fails says why on stderr. Its folders must be in reach: Reach::EveryAccount.
inline int runAsNobody(const std::function<int()>& body) {
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setresgid(kNobody, kNobody, kNobody) != 0 ||
            ::setresuid(kNobody, kNobody, kNobody) != 0) {
            std::fprintf(stderr, "can't become uid 65534: %s\n", std::strerror(errno));
            ::_exit(99);
        }
        ::_exit(body());
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace kalmero::test

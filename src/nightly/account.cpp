#include "nightly/account.h"

#include <grp.h>
#include <pwd.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "platform/file_io.h"

namespace kalmero {

namespace {

std::optional<Account> fromEntry(const passwd* entry) {
    if (entry == nullptr) {
        return std::nullopt;
    }
    return Account{entry->pw_name, entry->pw_uid, entry->pw_gid,
                   entry->pw_dir != nullptr ? entry->pw_dir : "/"};
}

}  // namespace

std::optional<Account> accountNamed(const std::string& name) {
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (name.empty() ||
        ::getpwnam_r(name.c_str(), &entry, buffer.data(), buffer.size(), &found) != 0) {
        return std::nullopt;
    }
    return fromEntry(found);
}

std::optional<Account> accountOf(uid_t uid) {
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) != 0) {
        return std::nullopt;
    }
    return fromEntry(found);
}

std::optional<std::string> becomeAccount(const Account& account) {
    const std::string who = "konto " + account.name;
    if (::initgroups(account.name.c_str(), account.gid) != 0) {
        return "nie mogę przyjąć grup konta " + account.name + ": " + systemReason(errno);
    }
    if (::setgid(account.gid) != 0 || ::setuid(account.uid) != 0) {
        return "nie mogę przejść na " + who + ": " + systemReason(errno);
    }
    if (::setuid(0) == 0) {
        return "po przejściu na " + who + " proces nadal może wrócić do root; przerywam";
    }
    // A process that changed its user is not dumpable, and its /proc/self becomes root's:
    // the program's own folder and the writer's descriptors are found there.
    ::prctl(PR_SET_DUMPABLE, 1, 0, 0, 0);
    ::setenv("HOME", account.home.c_str(), 1);
    ::setenv("USER", account.name.c_str(), 1);
    ::setenv("LOGNAME", account.name.c_str(), 1);
    return std::nullopt;
}

}  // namespace kalmero

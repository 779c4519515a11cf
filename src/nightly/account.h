#pragma once

#include <sys/types.h>

#include <optional>
#include <string>

namespace kalmero {

// The account a night compiles as.
struct Account {
    std::string name;
    uid_t uid = 0;
    gid_t gid = 0;
    std::string home;
};

// The account `name` in the password database; nullopt when there is none.
std::optional<Account> accountNamed(const std::string& name);
// The account the program runs as.
std::optional<Account> accountOf(uid_t uid);

// Becomes `account` for good: its groups, group and user, no way back to root; HOME, USER
// and LOGNAME its own. Returns why it could not (Polish), nullopt when done.
std::optional<std::string> becomeAccount(const Account& account);

}  // namespace kalmero

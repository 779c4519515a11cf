#pragma once

#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

namespace kalmero::test {

// The names `act` renames into `folder`, in the order the renames happened.
inline std::vector<std::string> renamesDuring(const std::string& folder,
                                              const std::function<void()>& act) {
    const int watch = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    EXPECT_GE(watch, 0);
    EXPECT_GE(::inotify_add_watch(watch, folder.c_str(), IN_MOVED_TO), 0);
    act();
    std::vector<std::string> names;
    alignas(inotify_event) char buffer[4096];
    for (ssize_t got; (got = ::read(watch, buffer, sizeof buffer)) > 0;) {
        for (char* at = buffer; at < buffer + got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(at);
            names.emplace_back(event->name);
            at += sizeof(inotify_event) + event->len;
        }
    }
    ::close(watch);
    return names;
}

}  // namespace kalmero::test

#pragma once

#include "session/session.h"

namespace kalmero {

// Puts a session's lists in states no command would leave them in, so that a test can see
// what a command keeps or replaces.
class SessionProbe {
public:
    static Lists& lists(Session& session) { return session.m_loads.lists(); }
};

}  // namespace kalmero

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>

namespace qm::platform {

// Knows when the display server has carried out the requests sent so far, without making the
// program wait for the answer on every frame. Window contents handed to the server in shared
// memory are read by it later, when it gets to the request; the memory may be written again
// only after that. Marking after a hand-over and waiting before the next write costs one
// answer per frame that has normally long arrived by then.
class ServerFence final {
public:
    ServerFence();
    ~ServerFence();
    ServerFence(const ServerFence &) = delete;
    ServerFence &operator=(const ServerFence &) = delete;

    // False where the window system gives no way to ask (not X11): callers paint the usual way.
    bool available() const;
    // After handing contents over: ask for an answer that comes once the server is past them.
    void mark();
    // Something else handed contents over that no mark covers: the next wait asks the server
    // afresh and waits for the answer.
    void invalidate();
    // Before writing: returns once the server is past everything marked (and, after
    // invalidate(), everything sent). At once when the answer is already in.
    void wait();

private:
    struct State;
    std::unique_ptr<State> m_state;
};

} // namespace qm::platform

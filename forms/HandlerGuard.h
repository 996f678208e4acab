// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <utility>

// Wraps event handlers so that they do nothing while a condition holds (for the tab: while the link editor
// shows). Applied once, where the handlers are wired.
class HandlerGuard {
public:
    explicit HandlerGuard(std::function<bool()> blocked) : blocked_(std::move(blocked)) {}

    template <typename F> auto operator()(F handler) const {
        return [blocked = blocked_, handler](auto&&... args) {
            if (!blocked())
                handler(std::forward<decltype(args)>(args)...);
        };
    }

    bool blocked() const { return blocked_(); }

private:
    std::function<bool()> blocked_;
};

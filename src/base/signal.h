#pragma once
// A small signal: listeners subscribe with a function and get a token that unsubscribes them
// when it goes out of scope, so that a view never outlives its subscription by mistake.
#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace trassel {

// Ends one subscription when destroyed or reset; harmless after its signal is gone.
class Subscription {
public:
    Subscription() = default;
    explicit Subscription(std::function<void()> cancel) : cancel_(std::move(cancel)) { }
    Subscription(Subscription&& other) noexcept : cancel_(std::exchange(other.cancel_, {})) { }
    Subscription& operator=(Subscription&& other) noexcept
    {
        if (this != &other) {
            reset();
            cancel_ = std::exchange(other.cancel_, {});
        }
        return *this;
    }
    Subscription(const Subscription&) = delete;
    Subscription& operator=(const Subscription&) = delete;
    ~Subscription() { reset(); }

    void reset()
    {
        if (cancel_)
            std::exchange(cancel_, {})();
    }
    explicit operator bool() const { return static_cast<bool>(cancel_); }

private:
    std::function<void()> cancel_;
};

// Calls its listeners in the order they subscribed. A listener may subscribe or unsubscribe
// others (or itself) while being told: those gone are not called, those new wait for the next
// emission.
template <class... Args>
class Signal {
public:
    Signal() = default;
    Signal(const Signal&) = delete;
    Signal& operator=(const Signal&) = delete;

    [[nodiscard]] Subscription subscribe(std::function<void(Args...)> listener)
    {
        const std::uint64_t id = state_->next++;
        state_->entries.push_back({id, std::make_shared<std::function<void(Args...)>>(std::move(listener))});
        std::weak_ptr<State> weak = state_;
        return Subscription([weak, id] {
            if (const auto state = weak.lock())
                std::erase_if(state->entries, [id](const Slot& slot) { return slot.id == id; });
        });
    }

    void send(Args... args) const
    {
        // Slots stay in the order of their ids, so after each call the next one is the first
        // with a greater id, wherever the list has moved meanwhile. No copy of the list: a
        // model that changes point by point emits often.
        const std::shared_ptr<State> state = state_;
        const std::uint64_t newest = state->next;
        std::uint64_t last = 0;
        for (;;) {
            const auto next = std::upper_bound(state->entries.begin(), state->entries.end(), last,
                                               [](std::uint64_t id, const Slot& slot) { return id < slot.id; });
            if (next == state->entries.end() || next->id >= newest)
                return;
            last = next->id;
            const auto function = next->function; // alive while it runs, even if unsubscribed
            (*function)(args...);
        }
    }

    std::size_t listenerCount() const { return state_->entries.size(); }

private:
    struct Slot {
        std::uint64_t id;
        std::shared_ptr<std::function<void(Args...)>> function;
    };
    struct State {
        std::vector<Slot> entries;
        std::uint64_t next = 1;
    };
    std::shared_ptr<State> state_ = std::make_shared<State>();
};

} // namespace trassel

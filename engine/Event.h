#pragma once

#include <memory>
#include <vector>

// A list of handlers, each an object and one of its member functions,
// called in order. The event owns its handlers.
template <typename R, typename A> class Event {
public:
    class Base {
    public:
        virtual ~Base() = default;
        virtual R operator()(A a) = 0;
    };

    template <typename C> class T : public Base {
    public:
        T(C* object, R (C::*function)(A)) : Object(object), Function(function) {}
        R operator()(A a) override { return (Object->*Function)(a); }

    private:
        C* Object;
        R (C::*Function)(A);
    };

    // Takes ownership of the handler.
    void Add(Base* handler) { Handlers.emplace_back(handler); }
    bool Empty() const { return Handlers.empty(); }

    // Calls every handler in order; the last one's result.
    R operator()(A a)
    {
        if constexpr (std::is_void_v<R>) {
            for (auto& h : Handlers) (*h)(a);
        } else {
            R r{};
            for (auto& h : Handlers) r = (*h)(a);
            return r;
        }
    }

private:
    std::vector<std::unique_ptr<Base>> Handlers;
};

#pragma once

#include <utility>
#include <variant>

namespace varnel {

// A value or an error. The services report failures as values, never by throwing
// across a module boundary, so every fallible service call returns one of these.
template <typename T, typename E>
class Expected {
public:
    Expected(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    static Expected failure(E error) { return Expected(std::in_place_index<1>, std::move(error)); }

    bool hasValue() const { return state_.index() == 0; }
    explicit operator bool() const { return hasValue(); }

    T& value() & { return std::get<0>(state_); }
    const T& value() const& { return std::get<0>(state_); }
    T&& value() && { return std::get<0>(std::move(state_)); }
    const E& error() const { return std::get<1>(state_); }

    T valueOr(T fallback) const { return hasValue() ? value() : std::move(fallback); }

    const T* operator->() const { return &value(); }
    const T& operator*() const { return value(); }

private:
    template <std::size_t I, typename V>
    Expected(std::in_place_index_t<I> tag, V&& v) : state_(tag, std::forward<V>(v)) {}
    std::variant<T, E> state_;
};

// For operations that produce nothing on success.
struct Done {};

}  // namespace varnel

#pragma once

#include <utility>

// A movable owner of one resource whose clean-up is described by Traits:
//   using Type = ...;                   the raw value
//   static Type Empty();                the value that owns nothing
//   static bool IsValid(Type value);    whether value must be closed
//   static void Close(Type value);      gives it back
// Every owner of the base layer is an alias of this template, so they all
// move, reset and release alike.
template <typename Traits>
class UniqueResource {
public:
    using Type = typename Traits::Type;

    UniqueResource() noexcept : value_(Traits::Empty()) {}
    explicit UniqueResource(Type value) noexcept : value_(value) {}
    ~UniqueResource() { Reset(); }

    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;

    UniqueResource(UniqueResource&& other) noexcept : value_(other.Release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept
    {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }

    Type Get() const noexcept { return value_; }
    bool Valid() const noexcept { return Traits::IsValid(value_); }
    explicit operator bool() const noexcept { return Valid(); }

    // Closes what is owned and takes value instead.
    void Reset(Type value = Traits::Empty()) noexcept
    {
        Type old = std::exchange(value_, value);
        if (Traits::IsValid(old))
            Traits::Close(old);
    }

    // Gives up ownership without closing; the caller owns the result.
    [[nodiscard]] Type Release() noexcept { return std::exchange(value_, Traits::Empty()); }

private:
    Type value_;
};

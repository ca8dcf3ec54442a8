#pragma once

#include <utility>

namespace demo {

// Sole owner of one operating-system resource. Traits supply `type`, `Invalid()` and
// `Close(type)`.
template <typename Traits>
class UniqueResource {
public:
    using type = typename Traits::type;

    UniqueResource() = default;
    explicit UniqueResource(type value) : value_(value) {}
    UniqueResource(UniqueResource&& other) noexcept : value_(other.release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept {
        reset(other.release());
        return *this;
    }
    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;
    ~UniqueResource() { reset(); }

    type get() const { return value_; }
    explicit operator bool() const { return value_ != Traits::Invalid(); }
    type release() { return std::exchange(value_, Traits::Invalid()); }
    void reset(type value = Traits::Invalid()) {
        if (*this) {
            Traits::Close(value_);
        }
        value_ = value;
    }

private:
    type value_ = Traits::Invalid();
};

// Traits for a handle that is null when invalid and released by `Release`.
template <typename Handle, auto Release>
struct NullHandleTraits {
    using type = Handle;
    static constexpr type Invalid() { return nullptr; }
    static void Close(type handle) { Release(handle); }
};

template <typename Handle, auto Release>
using UniqueNullHandle = UniqueResource<NullHandleTraits<Handle, Release>>;

}  // namespace demo

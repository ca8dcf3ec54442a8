#pragma once

#include <cstddef>
#include <new>
#include <string>
#include <string_view>

namespace demo {

// The program's wide strings. Traits and an allocator of their own make every member a template
// that the program compiles from the headers, at any optimisation: it never calls the standard
// library's compiled std::wstring or std::allocator<wchar_t>, which it is linked without
// (ui/CMakeLists.txt).
struct WideTraits : std::char_traits<wchar_t> {};

template <typename T>
struct WideAllocator {
    using value_type = T;
    WideAllocator() = default;
    template <typename U>
    WideAllocator(const WideAllocator<U>&) noexcept {}
    T* allocate(std::size_t count) { return static_cast<T*>(::operator new(count * sizeof(T))); }
    void deallocate(T* memory, std::size_t) noexcept { ::operator delete(memory); }
    friend bool operator==(const WideAllocator&, const WideAllocator&) = default;
};

using WideString = std::basic_string<wchar_t, WideTraits, WideAllocator<wchar_t>>;
using WideView = std::basic_string_view<wchar_t, WideTraits>;

}  // namespace demo

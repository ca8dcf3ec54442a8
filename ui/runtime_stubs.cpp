// The program is linked without the compiled C++ standard library (ui/CMakeLists.txt): it uses
// the library's headers only, whose templates are compiled into it, at any optimisation. These are
// the few functions those headers call out of line. The program never recovers from running out of
// memory or from a broken container invariant, so each ends it at once. A header of another GCC
// that calls a function missing here fails the link, naming it.
#include <cstddef>
#include <cstdlib>
#include <new>

namespace std {
void __throw_bad_alloc() {
    std::abort();
}
void __throw_bad_array_new_length() {
    std::abort();
}
void __throw_bad_function_call() {
    std::abort();
}
void __throw_length_error(const char*) {
    std::abort();
}
void __throw_logic_error(const char*) {
    std::abort();
}
void __throw_out_of_range_fmt(const char*, ...) {
    std::abort();
}
// What a failed assertion of the library's calls, in builds that check them (GCC 15 and later
// check them in unoptimised builds).
void __glibcxx_assert_fail(const char*, int, const char*, const char*) noexcept {
    std::abort();
}
}  // namespace std

// Replaced as the language allows: a failure ends the program, as above.
void* operator new(std::size_t size) {
    if (void* memory = std::malloc(size != 0 ? size : 1)) {
        return memory;
    }
    std::abort();
}
void operator delete(void* memory) noexcept {
    std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}
// The array forms, which the headers' constant-evaluation paths name in unoptimised builds.
void* operator new[](std::size_t size) {
    return operator new(size);
}
void operator delete[](void* memory) noexcept {
    std::free(memory);
}
void operator delete[](void* memory, std::size_t) noexcept {
    std::free(memory);
}

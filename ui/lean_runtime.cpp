// The program never recovers from running out of memory or from a broken container invariant:
// it ends at once. Replacing libstdc++'s reporting of those cases, and the allocation functions
// that would throw, keeps its exception texts, narrow-string and demangler code, and the whole
// exception runtime (with the threads support it needs), out of the executable, which would
// otherwise be most of it. Checked against the libstdc++ of GCC 12 and 14 (ui/CMakeLists.txt).
#include <cstddef>
#include <cstdlib>
#include <new>
#include <string>

namespace __gnu_cxx {
void __verbose_terminate_handler() {
    std::abort();
}
}  // namespace __gnu_cxx

namespace std {
void __throw_bad_function_call() {
    std::abort();
}
void __throw_length_error(const char*) {
    std::abort();
}
void __throw_logic_error(const char*) {
    std::abort();
}
void __throw_out_of_range(const char*) {
    std::abort();
}
void __throw_out_of_range_fmt(const char*, ...) {
    std::abort();
}
void __throw_invalid_argument(const char*) {
    std::abort();
}
void __throw_bad_array_new_length() {
    std::abort();
}
void __throw_bad_alloc() {
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

#if __GNUC__ >= 13
// From GCC 13 on, C++20 code calls this one member of std::wstring in the library, whose object
// holds every other member and the exception handling they need: instantiated here instead.
template void std::wstring::_M_replace_cold(wchar_t*, size_type, const wchar_t*, const size_type,
                                            const size_type);
#endif

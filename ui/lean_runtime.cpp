// The program never recovers from running out of memory or from a broken container invariant:
// it ends at once. Replacing libstdc++'s reporting of those cases keeps its exception texts,
// narrow-string and demangler code out of the executable, which would otherwise be most of it.
#include <cstdlib>

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

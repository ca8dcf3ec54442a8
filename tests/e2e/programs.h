#pragma once

#include <filesystem>
#include <ostream>

// The exes under test: the program, its double that finds nothing newer than Windows XP, and its
// double that always sees a contrast theme on.
struct Programs {
    std::filesystem::path program, as_xp, high_contrast;
};
inline void PrintTo(const Programs& programs, std::ostream* out) {
    *out << programs.program;
}

// The exes named on the command line, read once, by main, from its `argv` (see main), before
// InitGoogleTest makes the tests of each: the tests are given them as their parameters.
inline const Programs& ProgramsUnderTest(char** argv = nullptr) {
    static const Programs programs{std::filesystem::absolute(argv[1]),
                                   std::filesystem::absolute(argv[2]),
                                   std::filesystem::absolute(argv[3])};
    return programs;
}

#pragma once

#include <filesystem>

// The exes under test: the program, its double that finds nothing newer than Windows XP, and its
// double that always sees a contrast theme on.
struct Programs {
    std::filesystem::path program, as_xp, high_contrast;
};

// The exes named on the command line, read once, by main, from its `argv` (see main), before
// InitGoogleTest makes the tests of each: the parameterised tests are given them as parameters.
inline const Programs& ProgramsUnderTest(char** argv = nullptr) {
    static const Programs programs{std::filesystem::absolute(argv[1]),
                                   std::filesystem::absolute(argv[2]),
                                   std::filesystem::absolute(argv[3])};
    return programs;
}

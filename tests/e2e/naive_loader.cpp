// Loads the DLLs named on its command line the ordinary way, as a program that does not guard
// against planted DLLs would. The planting test runs it to show that its setup would catch one.
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
    for (int i = 1; i < argc; ++i) {
        LoadLibraryW(argv[i]);
    }
    return 0;
}

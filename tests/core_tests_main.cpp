#include "test_main.h"

int main(int argc, char** argv) {
    return RunTests(argc, argv);
}

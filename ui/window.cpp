#include "window.h"

namespace ui {
namespace {
int open_windows = 0;
}  // namespace

void WindowOpened() {
    ++open_windows;
}

void WindowClosed() {
    if (--open_windows == 0) {
        PostQuitMessage(0);
    }
}

}  // namespace ui

#include "system_library.h"

namespace ui {

CoCreateInstanceFunction* StartCom() {
    static const SystemLibrary ole32(L"ole32.dll");
    static const bool started = [] {
        const auto initialize = ole32.Get<HRESULT WINAPI(LPVOID, DWORD)>("CoInitializeEx");
        return initialize != nullptr &&
               SUCCEEDED(initialize(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
    }();
    return started ? ole32.Get<CoCreateInstanceFunction>("CoCreateInstance") : nullptr;
}

}  // namespace ui

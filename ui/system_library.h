#pragma once

#include <objbase.h>
#include <windows.h>

#include "demo/unique_resource.h"
#include "newer_functions.h"

namespace ui {

// The function `name` that `module` exports, as type `Function`; nullptr where either is missing.
template <typename Function>
Function* ExportedFunction(HMODULE module, const char* name) {
    return module == nullptr
               ? nullptr
               : reinterpret_cast<Function*>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// A DLL loaded from System32 only: a look-alike planted beside the program is never loaded.
class SystemLibrary {
public:
    explicit SystemLibrary(const wchar_t* name) : module_(LoadSystemLibrary(name)) {}

    // The module, or nullptr where it could not be loaded.
    HMODULE get() const { return module_.get(); }

    // The exported function `name` as type `Function`, or nullptr.
    template <typename Function>
    Function* Get(const char* name) const {
        return ExportedFunction<Function>(module_.get(), name);
    }

private:
    demo::UniqueNullHandle<HMODULE, FreeLibrary> module_;
};

// COM, started on first use on the user-interface thread and kept until the program ends.
// Returns CoCreateInstance, or nullptr when COM is not available.
using CoCreateInstanceFunction = HRESULT WINAPI(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID*);
CoCreateInstanceFunction* StartCom();

}  // namespace ui

#include "open_dialog.h"

#include <commdlg.h>

#include "newer_functions.h"
#include "system_library.h"

namespace ui {

std::optional<demo::WideString> OpenDialog::Show(HWND owner) {
    static constexpr wchar_t kFilter[] = L"Vorlax Demo (*.dmo)\0*.dmo\0";
    demo::WideString path = file_name_;
    path.resize(32768, L'\0');

    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = kFilter;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = path.data();
    dialog.nMaxFile = static_cast<DWORD>(path.size());
    // The program writes nothing but the repaired demo: no recent-documents entry.
    dialog.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY |
                   OFN_NOCHANGEDIR | OFN_DONTADDTORECENT | OFN_ENABLESIZING;
    static const SystemLibrary comdlg32(L"comdlg32.dll");
    const auto get_open_file_name = comdlg32.Get<BOOL WINAPI(OPENFILENAMEW*)>("GetOpenFileNameW");
    if (StartCom() == nullptr || get_open_file_name == nullptr) {
        return std::nullopt;
    }
    PrepareOpenDialog();
    // The dialog may change the current folder whatever OFN_NOCHANGEDIR says (it is documented
    // as ineffective for GetOpenFileName): the folder the program started in is put back.
    wchar_t folder[MAX_PATH]{};
    const DWORD length = GetCurrentDirectoryW(MAX_PATH, folder);
    const BOOL picked = get_open_file_name(&dialog);
    if (length > 0 && length < MAX_PATH) {
        SetCurrentDirectoryW(folder);
    }
    if (!picked) {
        return std::nullopt;
    }
    path.resize(path.find(L'\0'));
    file_name_ = path;
    return path;
}

}  // namespace ui

#include <windows.h>

#include <string>

#include "demo_file.h"
#include "unique_resource.h"

namespace demo {
namespace {

struct HandleTraits {
    using type = HANDLE;
    static type Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(type handle) { CloseHandle(handle); }
};
using UniqueHandle = UniqueResource<HandleTraits>;

class Win32DemoFile final : public DemoFile {
public:
    explicit Win32DemoFile(UniqueHandle file) : file_(std::move(file)) {}

    bool ReadHead(HeadBytes& head) override {
        DWORD total = 0;
        while (total < head.size()) {
            OVERLAPPED at{};
            at.Offset = total;
            DWORD got = 0;
            if (!ReadFile(file_.get(), head.data() + total, static_cast<DWORD>(head.size() - total),
                          &got, &at) ||
                got == 0) {
                return false;
            }
            total += got;
        }
        return true;
    }

    bool WriteHead(const HeadBytes& head) override {
        OVERLAPPED at{};  // offset 0
        DWORD written = 0;
        return WriteFile(file_.get(), head.data(), static_cast<DWORD>(head.size()), &written,
                         &at) &&
               written == head.size() && FlushFileBuffers(file_.get());
    }

    bool Close() override { return CloseHandle(file_.release()) != FALSE; }

private:
    UniqueHandle file_;
};

// "\\.\" names devices and "\\?\" without a drive or UNC share names volumes: never demos.
bool NamesDevice(const std::wstring& path) {
    if (path.rfind(LR"(\\.\)", 0) == 0 || path.rfind(LR"(//./)", 0) == 0) {
        return true;
    }
    if (path.rfind(LR"(\\?\)", 0) != 0) {
        return false;
    }
    const std::wstring rest = path.substr(4);
    const bool drive = rest.size() >= 3 && rest[1] == L':' && rest[2] == L'\\';
    const bool share = rest.rfind(LR"(UNC\)", 0) == 0;
    return !drive && !share;
}

// Paths past MAX_PATH work even where the process is not long-path aware.
std::wstring ExtendedLengthPath(const std::wstring& path) {
    if (path.size() < MAX_PATH || path.rfind(LR"(\\?\)", 0) == 0 ||
        path.rfind(LR"(\\.\)", 0) == 0) {
        return path;
    }
    std::wstring full(32768, L'\0');
    const DWORD size =
        GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (size == 0 || size >= full.size()) {
        return {};
    }
    full.resize(size);
    if (full.rfind(LR"(\\)", 0) == 0) {
        return LR"(\\?\UNC\)" + full.substr(2);
    }
    return LR"(\\?\)" + full;
}

UniqueHandle OpenRegularFile(const NativePath& path, DWORD access, DWORD refused_attributes) {
    const std::wstring name = ExtendedLengthPath(path);
    if (name.empty() || NamesDevice(name)) {
        return {};
    }
    // Others may read the demo but not write, rename or delete it while we hold it.
    UniqueHandle file(CreateFileW(name.c_str(), access, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file || GetFileType(file.get()) != FILE_TYPE_DISK) {
        return {};
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file.get(), &info) ||
        (info.dwFileAttributes & refused_attributes) != 0) {
        return {};
    }
    return file;
}

class Win32DemoFiles final : public DemoFiles {
public:
    std::unique_ptr<DemoFile> OpenForReading(const NativePath& path) override {
        return Wrap(
            OpenRegularFile(path, GENERIC_READ, FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE));
    }

    // The read-only attribute is checked here because administrators, and Wine, may write such
    // a file regardless.
    std::unique_ptr<DemoFile> OpenForWriting(const NativePath& path) override {
        return Wrap(OpenRegularFile(
            path, GENERIC_WRITE | FILE_READ_ATTRIBUTES,
            FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE | FILE_ATTRIBUTE_READONLY));
    }

private:
    static std::unique_ptr<DemoFile> Wrap(UniqueHandle file) {
        if (!file) {
            return nullptr;
        }
        return std::make_unique<Win32DemoFile>(std::move(file));
    }
};

}  // namespace

DemoFiles& SystemDemoFiles() {
    static Win32DemoFiles files;
    return files;
}

}  // namespace demo

#include <windows.h>

#include "system_calls.h"
#include "unique_resource.h"
#include "win32_paths.h"

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
    Win32DemoFile(UniqueHandle file, const SystemCalls& calls)
        : file_(std::move(file)), calls_(calls) {}

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

    // Flushed before the repair is reported, so that a power cut after "Demo has been modified!"
    // cannot undo it. No test can show that loss; the tests see the flush made, and fail it.
    bool WriteHead(const HeadBytes& head) override {
        OVERLAPPED at{};  // offset 0
        DWORD written = 0;
        return calls_.write(file_.get(), head.data(), static_cast<DWORD>(head.size()), &written,
                            &at) &&
               written == head.size() && calls_.flush(file_.get());
    }

    bool Close() override { return calls_.close(file_.release()) != FALSE; }

private:
    UniqueHandle file_;
    SystemCalls calls_;
};

UniqueHandle OpenRegularFile(const SystemCalls& calls, const PathChar* path, DWORD access,
                             DWORD refused_attributes) {
    const WideString name = ExtendedLengthPath(path);
    if (name.empty() || NamesDevice(name)) {
        return {};
    }
    // Others may read the demo but not write, rename or delete it while we hold it.
    UniqueHandle file(CreateFileW(name.c_str(), access, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    // What the path rules let through and is no file on a disk: a DOS device name in any folder
    // ("C:\demos\COM1.dmo" before Windows 11), a pipe or mailslot named as a UNC path
    // ("\\server\pipe\name"). Reading one could block, and writing one sends it four bytes.
    if (!file || calls.file_type(file.get()) != FILE_TYPE_DISK) {
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
    explicit Win32DemoFiles(const SystemCalls& calls) : calls_(calls) {}

    std::unique_ptr<DemoFile> OpenForReading(const PathChar* path) override {
        return Wrap(OpenRegularFile(calls_, path, GENERIC_READ,
                                    FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE));
    }

    // The read-only attribute is checked here because administrators, and Wine, may write such
    // a file regardless.
    std::unique_ptr<DemoFile> OpenForWriting(const PathChar* path) override {
        return Wrap(OpenRegularFile(
            calls_, path, GENERIC_WRITE | FILE_READ_ATTRIBUTES,
            FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE | FILE_ATTRIBUTE_READONLY));
    }

private:
    std::unique_ptr<DemoFile> Wrap(UniqueHandle file) const {
        if (!file) {
            return nullptr;
        }
        return std::make_unique<Win32DemoFile>(std::move(file), calls_);
    }

    SystemCalls calls_;
};

}  // namespace

std::unique_ptr<DemoFiles> SystemDemoFiles(const SystemCalls& calls) {
    return std::make_unique<Win32DemoFiles>(calls);
}

DemoFiles& SystemDemoFiles() {
    static Win32DemoFiles files{SystemCalls{}};
    return files;
}

}  // namespace demo

#pragma once

#include <memory>

#include "demo_file.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace demo {

// The system calls of the demo files that tests make fail, or answer otherwise, under the real
// file code: the write, flush and close that put a repaired length field on disk (the flush keeps
// it through a power cut), and, on Windows, the question whether a file is one on a disk, which
// Wine never gets to for a pipe or device. The program uses the system's.
struct SystemCalls {
#ifdef _WIN32
    BOOL(WINAPI* write)(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED) = WriteFile;
    BOOL(WINAPI* flush)(HANDLE) = FlushFileBuffers;
    BOOL(WINAPI* close)(HANDLE) = CloseHandle;
    DWORD(WINAPI* file_type)(HANDLE) = GetFileType;
#else
    ssize_t (*write)(int, const void*, size_t, off_t) = ::pwrite;
    int (*flush)(int) = ::fsync;
    int (*close)(int) = ::close;
#endif
};

// The operating system's files, through `calls`.
std::unique_ptr<DemoFiles> SystemDemoFiles(const SystemCalls& calls);

}  // namespace demo

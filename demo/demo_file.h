#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace demo {

// A path as the system spells it, ending in a null: UTF-16 on Windows, bytes elsewhere.
#ifdef _WIN32
using PathChar = wchar_t;
#else
using PathChar = char;
#endif

// The four bytes at the start of a demo: the only bytes this program reads or writes.
using HeadBytes = std::array<std::uint8_t, 4>;

// One demo held open. Closing happens in the destructor when Close() was not called.
class DemoFile {
public:
    virtual ~DemoFile() = default;

    // Fills `head` with the file's first four bytes; false on an error or a file shorter than that.
    virtual bool ReadHead(HeadBytes& head) = 0;
    // Writes `head` over the file's first four bytes and flushes them to disk; false unless all
    // four bytes reached the disk.
    virtual bool WriteHead(const HeadBytes& head) = 0;
    // Closes the file; false if the system reported an error while closing.
    virtual bool Close() = 0;
};

// Opens demos. Both opens refuse anything but a regular file, never create or truncate one, and
// let other programs read the file but not write, rename or delete it while it is held.
class DemoFiles {
public:
    virtual ~DemoFiles() = default;

    virtual std::unique_ptr<DemoFile> OpenForReading(const PathChar* path) = 0;
    // Also refuses a write-protected file, even where the process could write it anyway.
    virtual std::unique_ptr<DemoFile> OpenForWriting(const PathChar* path) = 0;
};

// The operating system's files: Win32 on Windows, POSIX elsewhere.
DemoFiles& SystemDemoFiles();

}  // namespace demo

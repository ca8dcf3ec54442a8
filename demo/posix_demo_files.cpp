#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "system_calls.h"
#include "unique_resource.h"

namespace demo {
namespace {

struct FdTraits {
    using type = int;
    static constexpr type Invalid() { return -1; }
    static void Close(type fd) { ::close(fd); }
};
using UniqueFd = UniqueResource<FdTraits>;

class PosixDemoFile final : public DemoFile {
public:
    PosixDemoFile(UniqueFd file, const SystemCalls& calls)
        : file_(std::move(file)), calls_(calls) {}

    bool ReadHead(HeadBytes& head) override {
        std::size_t total = 0;
        while (total < head.size()) {
            const ssize_t got = ::pread(file_.get(), head.data() + total, head.size() - total,
                                        static_cast<off_t>(total));
            if (got <= 0) {
                return false;
            }
            total += static_cast<std::size_t>(got);
        }
        return true;
    }

    // Flushed before the repair is reported, so that a power cut after "Demo has been modified!"
    // cannot undo it. No test can show that loss; the tests see the flush made, and fail it.
    bool WriteHead(const HeadBytes& head) override {
        return calls_.write(file_.get(), head.data(), head.size(), 0) ==
                   static_cast<ssize_t>(head.size()) &&
               calls_.flush(file_.get()) == 0;
    }

    bool Close() override { return calls_.close(file_.release()) == 0; }

private:
    UniqueFd file_;
    SystemCalls calls_;
};

// O_NONBLOCK keeps a FIFO or a terminal from hanging the open; it is cleared once the file is
// known to be a regular one. A file without write permission counts as write-protected even
// for root, who could write it anyway.
UniqueFd OpenRegularFile(const PathChar* path, int mode) {
    UniqueFd file(::open(path, mode | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    struct stat info {};
    if (!file || ::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return {};
    }
    if (mode == O_WRONLY && (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        return {};
    }
    const int flags = ::fcntl(file.get(), F_GETFL);
    if (flags < 0 || ::fcntl(file.get(), F_SETFL, flags & ~O_NONBLOCK) != 0) {
        return {};
    }
    return file;
}

class PosixDemoFiles final : public DemoFiles {
public:
    explicit PosixDemoFiles(const SystemCalls& calls) : calls_(calls) {}

    std::unique_ptr<DemoFile> OpenForReading(const PathChar* path) override {
        return Wrap(OpenRegularFile(path, O_RDONLY));
    }
    std::unique_ptr<DemoFile> OpenForWriting(const PathChar* path) override {
        return Wrap(OpenRegularFile(path, O_WRONLY));
    }

private:
    std::unique_ptr<DemoFile> Wrap(UniqueFd file) const {
        if (!file) {
            return nullptr;
        }
        return std::make_unique<PosixDemoFile>(std::move(file), calls_);
    }

    SystemCalls calls_;
};

}  // namespace

std::unique_ptr<DemoFiles> SystemDemoFiles(const SystemCalls& calls) {
    return std::make_unique<PosixDemoFiles>(calls);
}

DemoFiles& SystemDemoFiles() {
    static PosixDemoFiles files{SystemCalls{}};
    return files;
}

}  // namespace demo

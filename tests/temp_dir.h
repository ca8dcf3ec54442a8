#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <system_error>
#include <vector>

using Bytes = std::vector<std::uint8_t>;
namespace fs = std::filesystem;

// A fresh folder under the system's temp folder, removed with everything in it.
class TempDir {
public:
    TempDir() { fs::create_directories(path_); }
    TempDir(const TempDir&) = delete;
    ~TempDir() {
        std::error_code ignored;
        // Read-only files cannot be deleted on Windows.
        for (fs::recursive_directory_iterator it(path_, ignored), end; it != end;
             it.increment(ignored)) {
            fs::permissions(it->path(), fs::perms::owner_write, fs::perm_options::add, ignored);
        }
        fs::remove_all(path_, ignored);
    }

    const fs::path& path() const { return path_; }

    // Writes `bytes` to the file `name`, in folders made as needed.
    fs::path Write(const fs::path& name, const Bytes& bytes) const {
        fs::create_directories((path_ / name).parent_path());
        std::ofstream(path_ / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return path_ / name;
    }

private:
    const fs::path path_ =
        fs::temp_directory_path() / ("vorlax-test-" + std::to_string(std::random_device()()));
};

inline Bytes ReadAll(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

// The length field a repair writes, as the bytes on disk.
inline const Bytes kRepairedLength{0x00, 0x75, 0x2B, 0x7D};

// A demo whose length field is `head`, followed by a recognisable recording.
inline Bytes DemoBytes(Bytes head) {
    for (int i = 0; i < 64; ++i) {
        head.push_back(static_cast<std::uint8_t>(i * 7 + 3));
    }
    return head;
}

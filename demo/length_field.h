#pragma once

#include <cstdint>
#include <optional>

#include "demo_file.h"

namespace demo {

// The length a broken demo gets: long enough for any recording to play back to its end.
inline constexpr std::int32_t kRepairValue = 2100000000;

// The length field is a signed 32-bit little-endian integer at offset 0.
std::int32_t DecodeLength(const HeadBytes& head);
HeadBytes EncodeLength(std::int32_t length);

// The game refuses to play back a demo whose length is 0; every other value plays.
constexpr bool IsBroken(std::int32_t length) {
    return length == 0;
}

// Reads the length field of an open demo; nothing when the file has no four bytes to read.
std::optional<std::int32_t> ReadLength(DemoFile& file);
bool WriteRepairValue(DemoFile& file);

}  // namespace demo

#include "length_field.h"

namespace demo {

std::int32_t DecodeLength(const HeadBytes& head) {
    const std::uint32_t bits = std::uint32_t{head[0]} | std::uint32_t{head[1]} << 8 |
                               std::uint32_t{head[2]} << 16 | std::uint32_t{head[3]} << 24;
    return static_cast<std::int32_t>(bits);
}

HeadBytes EncodeLength(std::int32_t length) {
    const auto bits = static_cast<std::uint32_t>(length);
    return {static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
            static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)};
}

std::optional<std::int32_t> ReadLength(DemoFile& file) {
    HeadBytes head{};
    if (!file.ReadHead(head)) {
        return std::nullopt;
    }
    return DecodeLength(head);
}

bool WriteRepairValue(DemoFile& file) {
    return file.WriteHead(EncodeLength(kRepairValue));
}

}  // namespace demo

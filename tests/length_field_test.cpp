#include "demo/length_field.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

using demo::DecodeLength;
using demo::EncodeLength;
using demo::HeadBytes;

TEST(LengthField, IsLittleEndianAndSigned) {
    EXPECT_EQ(DecodeLength({0x01, 0x02, 0x03, 0x04}), 0x04030201);
    EXPECT_EQ(DecodeLength({0xFF, 0xFF, 0xFF, 0xFF}), -1);
    EXPECT_EQ(DecodeLength({0x00, 0x00, 0x00, 0x80}), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(DecodeLength({0xFF, 0xFF, 0xFF, 0x7F}), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(EncodeLength(-2), (HeadBytes{0xFE, 0xFF, 0xFF, 0xFF}));
    for (const std::int32_t length :
         {0, 1, -1, 255, 256, 2100000000, -2100000000, std::numeric_limits<std::int32_t>::min()}) {
        EXPECT_EQ(DecodeLength(EncodeLength(length)), length);
    }
}

TEST(LengthField, RepairValueIsStoredAs00752B7D) {
    EXPECT_EQ(demo::kRepairValue, 2100000000);
    EXPECT_EQ(EncodeLength(demo::kRepairValue), (HeadBytes{0x00, 0x75, 0x2B, 0x7D}));
}

TEST(LengthField, OnlyZeroIsBroken) {
    EXPECT_TRUE(demo::IsBroken(DecodeLength({0, 0, 0, 0})));
    for (const HeadBytes head : {HeadBytes{0xFF, 0xFF, 0xFF, 0xFF}, HeadBytes{1, 0, 0, 0},
                                 HeadBytes{0, 0, 0, 0x80}, HeadBytes{0x00, 0x75, 0x2B, 0x7D}}) {
        EXPECT_FALSE(demo::IsBroken(DecodeLength(head)));
    }
}

}  // namespace

// Time-zone offsets of EXIF 2.31 stamps.

#include <gtest/gtest.h>

#include <optional>

#include "exif/exif_offset.h"

namespace kivo {
namespace {

struct OffsetCase {
    const char* text;
    std::optional<int> minutes;
};

class ExifOffset : public ::testing::TestWithParam<OffsetCase> {};

TEST_P(ExifOffset, Parses) {
    EXPECT_EQ(ParseExifOffsetMinutes(GetParam().text), GetParam().minutes) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ExifOffset,
    ::testing::Values(OffsetCase{"+02:00", 120}, OffsetCase{"-05:00", -300},
                      OffsetCase{"+05:45", 345}, OffsetCase{"-00:00", 0}, OffsetCase{"+14:00", 840},
                      OffsetCase{"+09:30 ", 570}, OffsetCase{"+14:30", std::nullopt},
                      OffsetCase{"+02:60", std::nullopt}, OffsetCase{"   :  ", std::nullopt},
                      OffsetCase{"02:00", std::nullopt}, OffsetCase{"+2:000", std::nullopt},
                      OffsetCase{"", std::nullopt}));

} // namespace
} // namespace kivo

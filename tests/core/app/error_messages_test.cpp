#include "app/error_messages.h"

#include <gtest/gtest.h>

#include "app/string_table.h"
#include "model/error_codes.h"

namespace tessary {
namespace {

const char kGeneral[] = "Could not complete this operation due to an error.";
const char kDisk[] = "There is not enough disk space to complete this operation.";
const char kMemory[] = "There is not enough memory to complete this operation.";

TEST(ErrorMessages, SuccessAndCancelHaveNoMessage) {
    for (std::uint32_t code : {0u, 0x10000u}) {
        EXPECT_FALSE(isReportedError(code)) << code;
        EXPECT_FALSE(errorMessageId(code).has_value()) << code;
        EXPECT_TRUE(errorMessage(code).empty()) << code;
    }
    EXPECT_FALSE(isReportedError(static_cast<std::uint32_t>(kErrNone)));
    EXPECT_FALSE(isReportedError(static_cast<std::uint32_t>(kErrCancelled)));
}

TEST(ErrorMessages, TheThreeEditErrorsHaveTheirMessages) {
    EXPECT_EQ(errorMessageId(0x10001), 4465);
    EXPECT_EQ(errorMessageId(0x10002), 4466);
    EXPECT_EQ(errorMessageId(0x10003), 4467);
    EXPECT_EQ(errorMessage(static_cast<std::uint32_t>(kErrGeneral)), kGeneral);
    EXPECT_EQ(errorMessage(static_cast<std::uint32_t>(kErrDisk)), kDisk);
    EXPECT_EQ(errorMessage(static_cast<std::uint32_t>(kErrMemory)), kMemory);
}

TEST(ErrorMessages, IdIsCodePlus4464Modulo65536) {
    struct Case {
        std::uint32_t code;
        int id;
    };
    const Case cases[] = {
        {1, 4465},                                    // a low code without the 0x10000 bit
        {0x20002, 4466},                              // higher bits vanish in the modulo
        {0xFFFFFFFFu, 4463},                          // -1
        {static_cast<std::uint32_t>(-30900), 39100},  // a plug-in result
        {61072, 0},                                   // wraps to exactly 65536
        {65535 - 4464 + 1, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(errorMessageId(c.code), c.id) << c.code;
}

TEST(ErrorMessages, CodesWithoutATextFallBackToTheGeneralMessage) {
    for (std::uint32_t code : {0x10006u, 0xFFFFFFFFu, static_cast<std::uint32_t>(-30900), 61072u}) {
        ASSERT_TRUE(isReportedError(code));
        ASSERT_FALSE(hasString(*errorMessageId(code))) << code;
        EXPECT_EQ(errorMessage(code), kGeneral) << code;
    }
}

}  // namespace
}  // namespace tessary

// String buffer protocol, string variables and StringsEqual.
#include <gtest/gtest.h>

#include <string.h>

#include "core.h"
#include "test_support.h"

namespace {

// A string-returning operation as the libraries write them: reserve the maximum, write, shrink.
void ProduceText(const char* text, int32_t maximum, int32_t start) {
    char* out = StringBufferReserve(maximum, start);
    ASSERT_NE(out, nullptr);
    strcpy(out, text);
    StringBufferShrink(maximum - static_cast<int32_t>(strlen(text)));
}

} // namespace

TEST(StringBuffer, GrowsOnFirstBigReserveAndRewindsOnAssign) {
    StringBufferStart();
    EXPECT_EQ(StringBufferCapacity(), 16);
    int32_t start = StringBufferPosition();
    ASSERT_EQ(start, 0);
    char* out = StringBufferReserve(260, start);
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(StringBufferCapacity(), 260 + 16384);
    EXPECT_EQ(StringBufferPosition(), 260);
    memset(out, 'x', 260 + 16384); // the whole capacity is writable
    out[5] = 0;
    StringBufferShrink(255);
    StringVariable text = nullptr;
    StringAssign(&text, start);
    EXPECT_STREQ(text, "xxxxx");
    EXPECT_EQ(StringBufferPosition(), start);
}

TEST(StringBuffer, EmptyResultMakesAnEmptyVariableEqualToNull) {
    StringBufferStart();
    int32_t start = StringBufferPosition();
    ProduceText("", 260, start);
    StringVariable name = nullptr;
    StringAssign(&name, start);
    ASSERT_NE(name, nullptr);
    EXPECT_STREQ(name, "");
    EXPECT_EQ(StringsEqual(nullptr, name), 1);
}

TEST(StringBuffer, LongerSecondAssignmentReusesTheVariable) {
    StringBufferStart();
    StringVariable name = nullptr;
    int32_t start = StringBufferPosition();
    ProduceText("kurz", 260, start);
    StringAssign(&name, start);
    std::string longer(200, 'L');
    ProduceText(longer.c_str(), 260, start);
    StringAssign(&name, start);
    EXPECT_EQ(std::string(name), longer);
    EXPECT_EQ(StringBufferPosition(), start);
}

TEST(StringBuffer, NestedResultsKeepTheOuterTextIntact) {
    StringBufferStart();
    int32_t outer = StringBufferPosition();
    ProduceText("aussen", 260, outer);
    int32_t inner = StringBufferPosition();
    ProduceText("innen", 260, inner);
    StringVariable a = nullptr, b = nullptr;
    StringAssign(&b, inner);
    StringAssign(&a, outer);
    EXPECT_STREQ(a, "aussen");
    EXPECT_STREQ(b, "innen");
}

TEST(StringBuffer, StartBeyondThePositionNeverWritesPastTheEnd) {
    StringBufferStart();
    int32_t start = 100000; // far past the 16-byte buffer
    char* out = StringBufferReserve(260, start);
    ASSERT_NE(out, nullptr);
    EXPECT_GE(StringBufferCapacity(), start + 260);
    memset(out, 'y', 260);
    StringBufferShrink(260);
    EXPECT_EQ(StringBufferPosition(), start);
    EXPECT_EQ(StringBufferReserve(-1, 0), nullptr);
    EXPECT_EQ(StringBufferReserve(10, -5), nullptr);
}

TEST(StringBuffer, ShrinkAndAssignNeverGoBelowZero) {
    StringBufferStart();
    StringBufferShrink(1000);
    EXPECT_EQ(StringBufferPosition(), 0);
    StringVariable v = nullptr;
    StringAssign(&v, 50); // start beyond the position: an empty result
    ASSERT_NE(v, nullptr);
    EXPECT_STREQ(v, "");
}

TEST(StringsEqual, TreatsNullAsEmpty) {
    EXPECT_EQ(StringsEqual(nullptr, nullptr), 1);
    EXPECT_EQ(StringsEqual(nullptr, ""), 1);
    EXPECT_EQ(StringsEqual("", nullptr), 1);
    EXPECT_EQ(StringsEqual("a", nullptr), 0);
    EXPECT_EQ(StringsEqual("a", "ab"), 0);
    EXPECT_EQ(StringsEqual("ab", "a"), 0);
    EXPECT_EQ(StringsEqual("Größe", "Größe"), 1);
    EXPECT_EQ(StringsEqual("Größe", "Grösse"), 0);
}

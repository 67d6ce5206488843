#include "midi/SysexEdit.h"

#include "SysexTestSupport.h"

#include <gtest/gtest.h>

namespace velisto {
namespace {

using test::stored;

DecodedSysex decode(std::string_view hex) { return decodeSysex(stored(hex), nullptr); }

TEST(SysexEditTest, ComboItemsGiveTheirValuesIncludingAnOffAt7F)
{
    const DecodedSysex channel = decode("F0 41 10 42 12 40 10 02 09 25 F7");
    EXPECT_EQ(checkSysexChoice(channel, 0).value, 0);
    EXPECT_EQ(checkSysexChoice(channel, 16).value, 16) << "GS off is 10h";
    EXPECT_EQ(checkSysexChoice(channel, 17).error, "No valid item selected in Listbox.");
    EXPECT_EQ(checkSysexChoice(channel, -1).error, "No valid item selected in Listbox.");

    const DecodedSysex mode = decode("F0 41 10 42 12 40 00 7F 00 41 F7");
    EXPECT_EQ(checkSysexChoice(mode, 1).value, 0x7F) << "re-reset (off)";
    EXPECT_EQ(checkSysexValue(mode, "re-reset (off)").value, 0x7F);
    EXPECT_EQ(checkSysexValue(mode, "5").error, "Maximum is 0 or 127.");

    const DecodedSysex gm = decode("F0 7E 7F 09 01 F7");
    EXPECT_EQ(checkSysexChoice(gm, 2).value, 3);
    EXPECT_EQ(checkSysexValue(gm, "Exit").value, 2);
    EXPECT_EQ(checkSysexValue(gm, "0").error, "Allowed are 1, 2 or 3.");
    EXPECT_EQ(checkSysexValue(gm, "Enter XG").error, "No valid item selected in Listbox.");
}

TEST(SysexEditTest, TypedValuesAreCheckedAgainstTheRawRange)
{
    const DecodedSysex shift = decode("F0 41 10 42 12 40 12 16 4C 4C F7");
    EXPECT_EQ(checkSysexValue(shift, " 88 ").value, 88);
    EXPECT_EQ(checkSysexValue(shift, "89").error, "Wrong value. Minimum is 40, Maximum is 88");
    EXPECT_EQ(checkSysexValue(shift, "39").error, "Wrong value. Minimum is 40, Maximum is 88");
    EXPECT_EQ(checkSysexValue(shift, "twelve").error, "Wrong value. Minimum is 40, Maximum is 88");
    EXPECT_EQ(checkSysexValue(shift, "").error, "Wrong value. Minimum is 40, Maximum is 88");

    const DecodedSysex rhythm = decode("F0 41 10 42 12 40 1A 15 02 0F F7");
    EXPECT_EQ(checkSysexValue(rhythm, "map 1").value, 1);
    EXPECT_EQ(checkSysexValue(rhythm, "2").value, 2);
    EXPECT_EQ(checkSysexValue(rhythm, "3").error, "Wrong value. Minimum is 0, Maximum is 2");

    const DecodedSysex tone = decode("F0 41 10 42 12 40 11 00 08 19 0E F7");
    EXPECT_EQ(checkSysexValue(tone, "8,25").value, 8 * 128 + 25);
    EXPECT_EQ(checkSysexValue(tone, "128,0").error, "Unmatched databyte msb/lsb.");
    EXPECT_EQ(checkSysexValue(tone, "8,").error, "Unmatched databyte msb/lsb.");

    EXPECT_EQ(checkValueOfWidth("127", 1).value, 127);
    EXPECT_EQ(checkValueOfWidth("128", 1).error, "Allowed are 0 to 127");
    EXPECT_EQ(checkValueOfWidth("16384", 2).error, "Allowed are 0 to 16383");
    EXPECT_EQ(checkValueOfWidth("-1", 4).error, "Allowed are 0 to 268435455");
}

TEST(SysexEditTest, ReencodingReplacesTheValueAndRecomputesTheGsChecksum)
{
    struct Case {
        const char* before;
        int value;
        const char* after;
    };
    const Case cases[] = {
        {"F0 41 10 42 12 40 00 7F 00 41 F7", 0x7F, "F0 41 10 42 12 40 00 7F 7F 42 F7"},
        {"F0 41 10 42 12 40 10 02 09 25 F7", 0x10, "F0 41 10 42 12 40 10 02 10 1E F7"},
        {"F0 41 10 42 12 40 00 00 00 04 00 00 3C F7", 0x0464, "F0 41 10 42 12 40 00 00 00 04 06 04 32 F7"},
        {"F0 41 10 42 12 40 11 00 00 00 2F F7", 8 * 128 + 25, "F0 41 10 42 12 40 11 00 08 19 0E F7"},
        {"F0 41 10 42 12 40 1A 15 00 11 F7", 2, "F0 41 10 42 12 40 1A 15 02 0F F7"},
        {"F0 41 10 42 12 40 00 7F 00 55 F7", 0x7F, "F0 41 10 42 12 40 00 7F 7F 42 F7"},
        {"F0 7E 7F 09 01 F7", 3, "F0 7E 7F 09 03 F7"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.before);
        const std::vector<std::uint8_t> before = stored(c.before);
        const std::optional<std::vector<std::uint8_t>> after =
            reencodeSysex(before, decodeSysex(before, nullptr), c.value);
        ASSERT_TRUE(after.has_value());
        EXPECT_EQ(*after, stored(c.after));
        EXPECT_EQ(decodeSysex(*after, nullptr).value, c.value);
    }
}

TEST(SysexEditTest, ReencodingRefusesWhatHasNoSingleValueOrDoesNotFit)
{
    const std::vector<std::uint8_t> channel = stored("F0 41 10 42 12 40 10 02 09 25 F7");
    EXPECT_FALSE(reencodeSysex(channel, decodeSysex(channel, nullptr), 17)) << "one past the range";
    const std::vector<std::uint8_t> longer = stored("F0 41 10 42 12 40 10 02 09 00 25 F7");
    EXPECT_FALSE(reencodeSysex(longer, decodeSysex(longer, nullptr), 3)) << "wrong total length";
    const std::vector<std::uint8_t> gpc = stored("F0 7F 7F 04 05 01 01 01 01 01 00 04 F7");
    EXPECT_FALSE(reencodeSysex(gpc, decodeSysex(gpc, nullptr), 3)) << "the special editor builds it";
    const std::vector<std::uint8_t> unknown = stored("F0 41 10 42 12 40 04 00 00 3C F7");
    EXPECT_FALSE(reencodeSysex(unknown, decodeSysex(unknown, nullptr), 0));
    // A decoded result that does not belong to the bytes cannot write past them.
    EXPECT_FALSE(reencodeSysex(stored("F0 41 10 F7"), decodeSysex(channel, nullptr), 3));
}

TEST(SysexEditTest, WriteGsChecksumNeedsAddressChecksumAndF7)
{
    std::vector<std::uint8_t> message = stored("F0 41 10 42 12 40 00 7F 00 00 F7");
    EXPECT_TRUE(writeGsChecksum(message));
    EXPECT_EQ(message[8], 0x41);
    std::vector<std::uint8_t> shortMessage = stored("F0 41 10 42 12 40 00 F7");
    EXPECT_FALSE(writeGsChecksum(shortMessage));
    EXPECT_EQ(shortMessage, stored("F0 41 10 42 12 40 00 F7"));
    std::vector<std::uint8_t> open = stored("F0 41 10 42 12 40 00 7F 00 00");
    EXPECT_FALSE(writeGsChecksum(open));
}

} // namespace
} // namespace velisto

#include "song/TextFormat.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <set>
#include <vector>

namespace velisto {
namespace {

TEST(TextFormatTest, HexBytesAndTheirParse)
{
    EXPECT_EQ(hexByte(10), "0A ");
    EXPECT_EQ(hexByte(0), "00 ");
    EXPECT_EQ(hexByte(0x7F), "7F ");
    EXPECT_EQ(hexByte(255), "FF ");
    EXPECT_EQ(hexByte(0x1F7), "F7 ") << "only the low byte";
    for (int value = 0; value < 256; ++value)
        ASSERT_EQ(hexParse(hexByte(value).substr(0, 2)), value);
    EXPECT_EQ(hexParse("7f"), 0x7F);
    EXPECT_EQ(hexParse("aB"), 0xAB);
    for (const char* bad : {"", "7", "7F0", "G1", "1g", " 7", "+7", "-1", "7 ", "0x"})
        EXPECT_FALSE(hexParse(bad).has_value()) << '"' << bad << '"';
}

TEST(TextFormatTest, SysexTextShowsTheStoredBytes)
{
    const std::vector<std::uint8_t> identity = {0x7E, 0x7F, 0x09, 0x01, 0xF7};
    EXPECT_EQ(sysexText(identity), "F0 7E 7F 09 01 F7");
    EXPECT_EQ(sysexText({}), "F0");
    const std::vector<std::uint8_t> cut = {0x43, 0x10, 0x4C};
    EXPECT_EQ(sysexText(cut), "F0 43 10 4C") << "no F7 is made up";
}

TEST(TextFormatTest, FieldsOfDelimitedText)
{
    EXPECT_EQ(field("VLX:TICKOFFSET:25", ':', 3), "25");
    EXPECT_EQ(field("VLX:TICKOFFSET:25", ':', 4), "");
    EXPECT_EQ(field("VLX:TICKOFFSET:25", ':', 1), "VLX");
    EXPECT_EQ(field("VLX:TICKOFFSET:25", ':', 2), "TICKOFFSET");
    EXPECT_EQ(field("VLX:TICKOFFSET:25", ':', 0), "");
    EXPECT_EQ(field("VLX:TICKOFFSET:25", ':', -1), "");

    // Definition strings end with their separator: one more, empty, field follows.
    const std::string_view row = "Modulation\\1\\\\127\\";
    EXPECT_EQ(fieldCount(row, '\\'), 5);
    EXPECT_EQ(field(row, '\\', 1), "Modulation");
    EXPECT_EQ(field(row, '\\', 3), "") << "an empty field in the middle";
    EXPECT_EQ(field(row, '\\', 4), "127");
    EXPECT_EQ(field(row, '\\', 5), "");
    EXPECT_EQ(field(row, '\\', 6), "");
    EXPECT_EQ(field("", '\\', 1), "");
    EXPECT_EQ(fieldCount("", '\\'), 1);
    EXPECT_EQ(fieldCount("a:b", ':'), 2);

    EXPECT_EQ(fieldRange("a\\b\\c\\d\\", '\\', 2, 3), "b\\c");
    EXPECT_EQ(fieldRange("a\\b\\c\\d\\", '\\', 3, 10), "c\\d\\") << "fields past the end add nothing";
    EXPECT_EQ(fieldRange("a\\b\\c\\d", '\\', 2, 4), "b\\c\\d");
    EXPECT_EQ(fieldRange("a\\b\\c\\d", '\\', 0, 1), "a");
    EXPECT_EQ(fieldRange("a\\b\\c\\d", '\\', 2, 2), "b");
    EXPECT_EQ(fieldRange("a\\b\\c\\d", '\\', 3, 2), "");
    EXPECT_EQ(fieldRange("a\\b\\c\\d", '\\', 5, 6), "");
    // A range of single fields joined by the separator reads the same as the range.
    const std::string_view text = "x:yy::zzz:w";
    for (int from = 1; from <= fieldCount(text, ':'); ++from) {
        std::string joined = field(text, ':', from);
        for (int to = from; to <= fieldCount(text, ':'); ++to) {
            if (to > from) {
                joined += ':';
                joined += field(text, ':', to);
            }
            EXPECT_EQ(fieldRange(text, ':', from, to), joined) << from << ".." << to;
        }
    }
}

TEST(TextFormatTest, OverwriteKeepsTheTargetLength)
{
    std::string status = "Loading sample";
    overwrite(status, "Ready.");
    EXPECT_EQ(status, "Ready.        ");
    overwrite(status, "A much longer text than the field");
    EXPECT_EQ(status, "A much longer ");
    overwrite(status, "");
    EXPECT_EQ(status, std::string(14, ' '));
    std::string empty;
    overwrite(empty, "abc");
    EXPECT_EQ(empty, "");
}

TEST(TextFormatTest, NumberText)
{
    EXPECT_EQ(numberText(0), "0");
    EXPECT_EQ(numberText(-42), "-42");
    EXPECT_EQ(numberText(std::numeric_limits<int>::min()), "-2147483648");
}

TEST(TextFormatTest, NoteNames)
{
    EXPECT_EQ(noteName(0, false), "C0");
    EXPECT_EQ(noteName(60, false), "C5");
    EXPECT_EQ(noteName(127, false), "G10");
    EXPECT_EQ(noteName(127, true), "G10");
    EXPECT_EQ(noteName(61, false), "C#5");
    EXPECT_EQ(noteName(61, true), "Db5");
    EXPECT_EQ(noteName(70, false), "A#5");
    EXPECT_EQ(noteName(70, true), "Bb5");
    EXPECT_EQ(noteName(11, true), "B0");
    EXPECT_EQ(noteName(12, true), "C1");
    EXPECT_EQ(noteName(-1, false), "");
    EXPECT_EQ(noteName(128, true), "");

    // Every key has its own name in each list, and the lists differ only on black keys.
    for (const bool flat : {false, true}) {
        std::set<std::string> names;
        for (int key = 0; key < 128; ++key)
            names.insert(noteName(key, flat));
        EXPECT_EQ(names.size(), 128U);
    }
    const std::set<int> black = {1, 3, 6, 8, 10};
    for (int key = 0; key < 128; ++key)
        EXPECT_EQ(noteName(key, false) == noteName(key, true), black.count(key % 12) == 0) << key;
}

} // namespace
} // namespace velisto

namespace velisto {
namespace {

TEST(TextFormatTest, DecimalsAreWholeSignedNumbersThatFitAnInt)
{
    EXPECT_EQ(parseDecimal("25"), 25);
    EXPECT_EQ(parseDecimal("-12"), -12);
    EXPECT_EQ(parseDecimal("007"), 7);
    EXPECT_EQ(parseDecimal("2147483647"), 2147483647);
    for (const char* bad : {"", "-", "+5", " 5", "5 ", "5x", "0x10", "1.5", "2147483648"})
        EXPECT_EQ(parseDecimal(bad), std::nullopt) << '"' << bad << '"';
}

} // namespace
} // namespace velisto

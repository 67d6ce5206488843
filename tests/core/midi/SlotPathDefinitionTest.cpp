#include "midi/SlotPathDefinition.h"

#include "midi/Formula.h"

#include <gtest/gtest.h>

#include <string>

namespace velisto {
namespace {

using Kind = SlotPathParameter::Kind;

SlotPathDefinition parsed(std::string_view text)
{
    const SlotPathParse result = SlotPathDefinition::parse(text);
    EXPECT_TRUE(result.definition.has_value()) << result.error;
    return result.definition.value_or(SlotPathDefinition{});
}

std::string errorOf(std::string_view text)
{
    const SlotPathParse result = SlotPathDefinition::parse(text);
    EXPECT_FALSE(result.definition.has_value()) << text;
    return result.error;
}

TEST(SlotPathDefinitionTest, DefaultsAreStoredVerbatim)
{
    const std::vector<std::string> defaults = defaultSlotPaths();
    ASSERT_EQ(defaults.size(), 2u);
    EXPECT_EQ(defaults[0], R"(0101\Reverb\1\1\0\Reverb Type\1\0;Small Room;1;Medium Room;2;Large Room;)"
                           R"(3;Medium Hall;4;Large Hall;8;Plate\1\Reverb Time\0\s;2.71828^((val-40)*0.025)\)");
    EXPECT_EQ(defaults[1], R"(0102\Chorus\1\1\0\Chorus Type\1\0;Chorus 1;1;Chorus 2;2;Chorus 3;3;Chorus 4;)"
                           R"(4;FB Chorus;5;Flanger\1\Mod Rate\0\Hz;val*0.122\2\Mod Depth\0\ms;(val+1)/3.2\)"
                           R"(3\Feedback\0\%;val*0.763\4\Send to Reverb\0\%;val*0.787\)");
}

TEST(SlotPathDefinitionTest, ReverbDefaultReadsIntoItsStructure)
{
    const SlotPathDefinition reverb = parsed(defaultSlotPaths()[0]);
    EXPECT_EQ(reverb.slotPath, (std::vector<SlotPathEntry>{{0x01, 0x01}}));
    EXPECT_EQ(reverb.name, "Reverb");
    EXPECT_EQ(reverb.parameterIdWidth, 1);
    EXPECT_EQ(reverb.valueWidth, 1);
    ASSERT_EQ(reverb.parameters.size(), 2u);

    const SlotPathParameter& type = reverb.parameters[0];
    EXPECT_EQ(type.id, 0);
    EXPECT_EQ(type.name, "Reverb Type");
    EXPECT_EQ(type.kind, Kind::TypeList);
    ASSERT_EQ(type.types.size(), 6u);
    EXPECT_EQ(type.types[0], (SlotPathType{0, "Small Room"}));
    EXPECT_EQ(type.types[5], (SlotPathType{8, "Plate"}));

    const SlotPathParameter& time = reverb.parameters[1];
    EXPECT_EQ(time.id, 1);
    EXPECT_EQ(time.kind, Kind::FreeValue);
    EXPECT_EQ(time.unit, "s");
    EXPECT_EQ(time.formula, "2.71828^((val-40)*0.025)");
    EXPECT_TRUE(time.types.empty());
}

TEST(SlotPathDefinitionTest, EveryDefaultFormulaIsAccepted)
{
    for (const std::string& text : defaultSlotPaths()) {
        for (const SlotPathParameter& parameter : parsed(text).parameters) {
            if (parameter.kind == Kind::FreeValue) {
                EXPECT_TRUE(checkFormula(parameter.formula).accepted()) << parameter.formula;
            }
        }
    }
    const SlotPathDefinition chorus = parsed(defaultSlotPaths()[1]);
    ASSERT_EQ(chorus.parameters.size(), 5u);
    EXPECT_EQ(chorus.parameters[4].name, "Send to Reverb");
    EXPECT_EQ(chorus.parameters[4].unit, "%");
    EXPECT_NEAR(*evaluateFormula(chorus.parameters[4].formula, 127), 99.949, 1e-9);
}

TEST(SlotPathDefinitionTest, RoundTripsReproduceTheText)
{
    const std::vector<std::string> texts = {
        defaultSlotPaths()[0],
        defaultSlotPaths()[1],
        R"(\Top level\1\1\)",
        R"(\New slotpath\1\1\)",
        R"(0102030405060707\Four deep\4\2\268435455\Big\1\16383;Last;0;\7\Empty list\1\\)",
        R"(7F7F\Odd units\2\3\300\Weird\0\m;s;val*2\301\No unit\0\;val\302\\0\;\)",
        R"(0000\ \1\1\0\x\1\0;;1; \)",
    };
    for (const std::string& text : texts)
        EXPECT_EQ(parsed(text).format(), text);

    const SlotPathDefinition odd = parsed(texts[5]);
    EXPECT_EQ(odd.parameters[0].unit, "m;s") << "the formula holds no ';', so the last one splits";
    EXPECT_EQ(odd.parameters[0].formula, "val*2");
    EXPECT_EQ(odd.parameters[2].formula, "") << "an unfinished free value keeps its empty formula";
    EXPECT_EQ(parsed(texts[4]).parameters[1].types.size(), 0u);
    EXPECT_EQ(parsed(texts[4]).slotPath.back(), (SlotPathEntry{0x07, 0x07}));
    EXPECT_EQ(parsed(texts[6]).parameters[0].types[1], (SlotPathType{1, " "}));
}

TEST(SlotPathDefinitionTest, NonCanonicalSpellingIsReadAndWrittenCanonically)
{
    EXPECT_EQ(parsed(R"(7f0a\x\01\1\007\P\1\010;T\)").format(), R"(7F0A\x\1\1\7\P\1\10;T\)");
}

TEST(SlotPathDefinitionTest, MalformedRecordsSayWhatIsWrong)
{
    EXPECT_EQ(errorOf(""), "Slot path definition is empty");
    EXPECT_EQ(errorOf(R"(0101\Reverb\1\1)"), "Slot path definition '0101\\Reverb\\1\\1' does not end with a backslash");
    EXPECT_EQ(errorOf(R"(0101\Reverb\1\)"),
              "Slot path definition '0101\\Reverb\\1\\' has 3 fields; expected 4, then 4 for each parameter");
    EXPECT_NE(errorOf(R"(0101\Reverb\1\1\0\Type\1\)").find("has 7 fields"), std::string::npos);

    EXPECT_EQ(errorOf(R"(010\x\1\1\)"),
              "Slot path definition, field 1: slot path '010' is not 0, 4, 8, 12 or 16 hex digits");
    EXPECT_EQ(errorOf(R"(01010101010101010101\x\1\1\)"),
              "Slot path definition, field 1: slot path '01010101010101010101' is not 0, 4, 8, 12 or 16 hex digits");
    EXPECT_EQ(errorOf(R"(0180\x\1\1\)"),
              "Slot path definition, field 1: slot path '0180' is not MSB/LSB pairs of hex digits 00 to 7F");
    EXPECT_NE(errorOf(R"(01G1\x\1\1\)").find("field 1"), std::string::npos);

    EXPECT_EQ(errorOf(R"(\x\0\1\)"), "Slot path definition, field 3: parameter id width '0' is not between 1 and 4");
    EXPECT_EQ(errorOf(R"(\x\1\five\)"), "Slot path definition, field 4: value width 'five' is not between 1 and 4");
    EXPECT_EQ(errorOf(R"(\x\1\1\128\P\0\;val\)"),
              "Slot path definition, field 5: parameter id '128' is not between 0 and 127");
    EXPECT_EQ(errorOf(R"(\x\1\1\3\P\0\;val\3\Q\0\;val\)"),
              "Slot path definition, field 9: parameter id 3 is defined twice");
    EXPECT_EQ(errorOf(R"(\x\1\1\3\P\2\;val\)"),
              "Slot path definition, field 7: kind '2' is neither 1 (type list) nor 0 (free value)");
    EXPECT_EQ(errorOf(R"(\x\1\1\3\P\1\0;A;1\)"),
              "Slot path definition, field 8: type list '0;A;1' is not pairs of value;name");
    EXPECT_EQ(errorOf(R"(\x\1\1\3\P\1\0;A;200;B\)"),
              "Slot path definition, field 8: type value '200' is not between 0 and 127");
    EXPECT_EQ(errorOf(R"(\x\1\1\3\P\0\val*2\)"),
              "Slot path definition, field 8: free value 'val*2' has no ';' between unit and formula");

    const std::string longName(500, 'n');
    EXPECT_EQ(errorOf(longName), "Slot path definition '" + std::string(40, 'n') + "...' does not end with a backslash")
        << "a long text is cut in the message";
}

TEST(SlotPathDefinitionTest, NewSlotPathAndTheSlotPathDialog)
{
    SlotPathDefinition created = SlotPathDefinition::created();
    EXPECT_EQ(created.format(), R"(\New slotpath\1\1\)");
    EXPECT_EQ(created.dialogEntries(), (std::array<std::string, 4>{}));

    created.parameters.push_back({5, "Level", Kind::FreeValue, {}, "dB", "val-64"});
    created.assignFromDialog("Insert", {"7f01", "0a0B", "", ""});
    EXPECT_EQ(created.format(), R"(7F010A0B\Insert\1\1\5\Level\0\dB;val-64\)") << "parameters stay";
    EXPECT_EQ(created.dialogEntries(), (std::array<std::string, 4>{"7F01", "0A0B", "", ""}));

    created.assignFromDialog("Insert", {"0101", "0180", "0102", ""});
    EXPECT_EQ(created.slotPath, (std::vector<SlotPathEntry>{{1, 1}})) << "a refused entry ends the path";
}

TEST(SlotPathDefinitionTest, WidthChangesDeleteTheParameters)
{
    SlotPathDefinition reverb = parsed(defaultSlotPaths()[0]);
    reverb.changeParameterIdWidth(1);
    EXPECT_EQ(reverb.parameters.size(), 2u) << "no change, nothing deleted";
    reverb.changeValueWidth(2);
    EXPECT_TRUE(reverb.parameters.empty());
    EXPECT_EQ(reverb.valueWidth, 2);

    reverb = parsed(defaultSlotPaths()[0]);
    reverb.changeParameterIdWidth(3);
    EXPECT_TRUE(reverb.parameters.empty());
    EXPECT_EQ(reverb.format(), R"(0101\Reverb\3\1\)");
}

} // namespace
} // namespace velisto

#include "midi/SysexCatalogue.h"

#include "midi/OutputDevice.h"
#include "midi/SysexDecoder.h"

#include <gtest/gtest.h>

#include <map>

namespace velisto {
namespace {

bool endsWith(std::string_view text, std::string_view tail)
{
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

TEST(SysexCatalogueTest, EveryEntryDecodesCleanlyAsWhatItIsCalled)
{
    OutputDevice device(2, "GM2 synth");
    device.gm2Supported = true;
    device.slotPaths = defaultSlotPaths();
    const SysexDecoder decoder(&device);
    std::map<std::string_view, int> perFamily;
    for (const SysexCatalogueEntry& entry : sysexCatalogue(&device)) {
        SCOPED_TRACE(std::string(entry.family) + " / " + entry.area + " / " + entry.name);
        ++perFamily[entry.family];
        const DecodedSysex d = decoder.decode(entry.message);
        EXPECT_FALSE(d.hasDefect()) << d.error << d.wrongValueDetail;
        EXPECT_FALSE(d.wrongTotalLength);
        if (entry.family == kCatalogueUniversal && entry.area == "GM mode") {
            EXPECT_EQ(d.valueText, entry.name);
        } else if (entry.area == "Global parameter control") {
            EXPECT_EQ(d.gpc.translation, GpcTranslation::Translated);
        } else if (entry.area == "Key-based instr. controller") {
            EXPECT_NE(d.valueText.find(entry.name), std::string::npos) << d.valueText;
        } else {
            EXPECT_TRUE(endsWith(d.description, entry.name)) << d.description;
        }
        EXPECT_EQ(d.gs, entry.family == kCatalogueGs);
        EXPECT_EQ(d.xg, entry.family == kCatalogueXg);
        if (d.gs) {
            EXPECT_EQ(d.checksum, GsChecksumState::Right);
        }
    }
    EXPECT_EQ(perFamily.size(), 3u);
    EXPECT_EQ(perFamily[kCatalogueGs], 5 + 28 + 4 + 29 + 57 + 4 + 66 + 9);
    EXPECT_EQ(sysexCatalogueFamilies(),
              (std::vector<std::string_view>{"Universal", "Non-universal GS", "Non-universal XG"}));
}

TEST(SysexCatalogueTest, MessagesCarryTheDeviceIds)
{
    OutputDevice device(2, "Port");
    device.universalSysexId = "10";
    device.nonUniversalSysexId = "3";
    std::map<std::string_view, std::uint8_t> idOf;
    for (const SysexCatalogueEntry& entry : sysexCatalogue(&device))
        idOf.emplace(entry.family, entry.message.at(1));
    EXPECT_EQ(idOf[kCatalogueUniversal], 0x10);
    EXPECT_EQ(idOf[kCatalogueGs], 0x03);
    EXPECT_EQ(idOf[kCatalogueXg], 0x13) << "parameter change of device number 3";

    for (const SysexCatalogueEntry& entry : sysexCatalogue(nullptr)) {
        const std::uint8_t expected = entry.family == kCatalogueUniversal ? 0x7F : 0x10;
        ASSERT_EQ(entry.message.at(1), expected) << entry.name;
    }
}

} // namespace
} // namespace velisto

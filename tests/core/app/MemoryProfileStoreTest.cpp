#include "app/MemoryProfileStore.h"

#include <gtest/gtest.h>

namespace velisto {
namespace {

TEST(MemoryProfileStoreTest, DeleteSectionTakesSubSectionsButNotNamesThatMerelyStartAlike)
{
    MemoryProfileStore store;
    store.writeString("MIDI Output devices", "count", "2");
    store.writeString("MIDI Output devices\\device3", "devicename", "Synth");
    store.writeString("MIDI Output devices\\device3\\GM2GPCSlotpathes", "path1", "a\\b\\");
    store.writeString("MIDI Output devices2", "x", "kept");
    store.writeString("MIDI Output devmap", "entry1", "a^@^b");

    store.deleteSection("MIDI Output devices");

    EXPECT_EQ(store.contents().size(), 2U);
    EXPECT_TRUE(store.hasKey("MIDI Output devices2", "x"));
    EXPECT_TRUE(store.hasKey("MIDI Output devmap", "entry1"));
    EXPECT_FALSE(store.hasKey("MIDI Output devices\\device3", "devicename"));
}

TEST(MemoryProfileStoreTest, IntegersAreReadFromWholeNumbersOnly)
{
    MemoryProfileStore store;
    store.writeInt("S", "negative", -1);
    store.writeString("S", "text", "12abc");
    store.writeString("S", "empty", "");
    store.writeString("S", "written as text", "42");

    EXPECT_EQ(store.getInt("S", "negative", 7), -1);
    EXPECT_EQ(store.getString("S", "negative", ""), "-1");
    EXPECT_EQ(store.getInt("S", "text", 7), 7);
    EXPECT_EQ(store.getInt("S", "empty", 7), 7);
    EXPECT_EQ(store.getInt("S", "missing", 7), 7);
    EXPECT_EQ(store.getInt("S", "written as text", 7), 42);
    EXPECT_EQ(store.getString("S", "empty", "default"), "");
    EXPECT_EQ(store.getString("S", "missing", "default"), "default");
}

} // namespace
} // namespace velisto

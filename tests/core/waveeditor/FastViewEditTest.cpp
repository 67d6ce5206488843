#include "waveeditor/FastViewEdit.h"

#include "core/waveeditor/WaveEditTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace velisto {
namespace {

using namespace test;

// Hands data to edit from the end backwards in pieces of piece bytes, as a move towards
// the end of the file does.
void addBackwards(FastViewEdit& edit, const Bytes& data, std::size_t piece)
{
    for (std::size_t end = data.size(); end > 0;) {
        const std::size_t begin = end > piece ? end - piece : 0;
        edit.add(static_cast<std::int64_t>(begin), std::span<const std::uint8_t>(data.data() + begin, end - begin));
        end = begin;
    }
}

TEST(FastViewEditTest, AnImageThatWasNotWholeIsBuiltFromAllTheData)
{
    const Bytes data = rampData(6 * 1000, 3);
    for (const FastViewImage& before : {FastViewImage{}, FastViewImage{{1, 2}, {}}}) {
        FastViewEdit edit(before, 24, 2, 1000, 400, 0, 100);
        EXPECT_EQ(edit.neededFrom(), 0);
        EXPECT_EQ(edit.neededTo(), 6000);
        addBackwards(edit, data, 7); // every frame split but the few a piece holds whole
        EXPECT_EQ(edit.finish(), buildFastView(data, 24, 2));
    }
}

TEST(FastViewEditTest, OnlyTheRunsAnEditTouchedAreBuiltAgain)
{
    struct Case {
        const char* name;
        std::int64_t at, removed, inserted;
        std::int64_t neededFrom, neededTo; // frames
    };
    const std::vector<Case> cases = {
        {"a cut of whole runs at a boundary", 600, 300, 0, 600, 600},
        {"a cut of whole runs inside a run", 650, 600, 0, 600, 900},
        {"a cut of part of a run", 650, 10, 0, 600, 1490},
        {"an insert of whole runs inside a run", 650, 0, 300, 600, 1200},
        {"an insert of part of a run", 650, 0, 1, 600, 1501},
        {"an overwrite", 650, 20, 20, 600, 900},
        {"an overwrite up to the end", 1400, 100, 100, 1200, 1500},
    };
    const Bytes before = rampData(2 * 1500, 5);
    const FastViewImage image = buildFastView(before, 16, 1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes after(before.begin(), before.begin() + c.at * 2);
        after.insert(after.end(), static_cast<std::size_t>(c.inserted * 2), 0x55);
        after.insert(after.end(), before.begin() + (c.at + c.removed) * 2, before.end());
        FastViewEdit edit(image, 16, 1, static_cast<std::int64_t>(after.size()) / 2, c.at, c.removed, c.inserted);
        EXPECT_EQ(edit.neededFrom(), c.neededFrom * 2);
        EXPECT_EQ(edit.neededTo(), c.neededTo * 2);
        // Bytes outside the needed range are ignored.
        addBackwards(edit, after, 333);
        EXPECT_EQ(edit.finish(), buildFastView(after, 16, 1));
    }
}

} // namespace
} // namespace velisto

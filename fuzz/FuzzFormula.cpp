// libFuzzer target: any bytes as a free-value formula, as a slot path definition and as a
// generator channel route, the three texts a hand-edited settings file can bring in.
// Beyond not crashing it checks the contracts the dialogs and the settings rely on.

#include "midi/Formula.h"
#include "midi/IsgChannelRoute.h"
#include "midi/SlotPathDefinition.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

namespace {

void require(bool holds)
{
    if (!holds)
        std::abort();
}

void fuzzFormula(std::string_view text)
{
    const velisto::FormulaCheck check = velisto::checkFormula(text);
    require(check.messages(true).size() == (check.accepted() ? 1u : 2u));
    for (const double val : {0.0, 1.0, 64.0, 127.0, -3.5}) {
        const std::optional<double> value = velisto::evaluateFormula(text, val);
        // A refused formula never gives a value, and a value is always a finite number.
        require(!value || (check.accepted() && std::isfinite(*value)));
    }
}

void fuzzSlotPath(std::string_view text)
{
    const velisto::SlotPathParse first = velisto::SlotPathDefinition::parse(text);
    require(first.definition.has_value() == first.error.empty());
    if (!first.definition)
        return;
    // Whatever was read is written so that it reads back the same, and the written form
    // is stable.
    const std::string written = first.definition->format();
    const velisto::SlotPathParse second = velisto::SlotPathDefinition::parse(written);
    require(second.definition.has_value() && *second.definition == *first.definition);
    require(second.definition->format() == written);
}

void fuzzRoute(std::string_view text)
{
    const velisto::IsgChannelRouteParse first = velisto::IsgChannelRoute::parse(text);
    require(first.route.has_value() == first.error.empty());
    if (!first.route)
        return;
    const velisto::IsgChannelRouteParse second = velisto::IsgChannelRoute::parse(first.route->format());
    require(second.route.has_value() && *second.route == *first.route);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    fuzzFormula(text);
    fuzzSlotPath(text);
    fuzzRoute(text);
    return 0;
}

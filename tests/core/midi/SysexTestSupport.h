#pragma once
// Messages written as the list editor shows them ("F0 41 10 ... F7") turned into stored
// bytes (without F0), for the sysex decoder's tests.

#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace velisto::test {

inline std::vector<std::uint8_t> stored(std::string_view hex)
{
    std::istringstream in{std::string(hex)};
    std::vector<std::uint8_t> bytes;
    std::string token;
    while (in >> token)
        bytes.push_back(static_cast<std::uint8_t>(std::stoul(token, nullptr, 16)));
    if (!bytes.empty() && bytes.front() == 0xF0)
        bytes.erase(bytes.begin());
    return bytes;
}

} // namespace velisto::test

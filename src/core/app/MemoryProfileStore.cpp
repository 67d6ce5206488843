#include "app/MemoryProfileStore.h"

#include <charconv>
#include <iterator>

namespace velisto {

const std::string* MemoryProfileStore::find(const std::string& section, const std::string& key) const
{
    const auto sectionIt = contents_.find(section);
    if (sectionIt == contents_.end()) {
        return nullptr;
    }
    const auto keyIt = sectionIt->second.find(key);
    return keyIt == sectionIt->second.end() ? nullptr : &keyIt->second;
}

int MemoryProfileStore::getInt(const std::string& section, const std::string& key, int defaultValue) const
{
    const std::string* text = find(section, key);
    if (text == nullptr) {
        return defaultValue;
    }
    int value = 0;
    const char* end = text->data() + text->size();
    const auto [stop, error] = std::from_chars(text->data(), end, value);
    if (error != std::errc() || stop != end || text->empty()) {
        return defaultValue;
    }
    return value;
}

std::string MemoryProfileStore::getString(const std::string& section, const std::string& key,
                                          const std::string& defaultValue) const
{
    const std::string* text = find(section, key);
    return text == nullptr ? defaultValue : *text;
}

bool MemoryProfileStore::hasKey(const std::string& section, const std::string& key) const
{
    return find(section, key) != nullptr;
}

void MemoryProfileStore::writeInt(const std::string& section, const std::string& key, int value)
{
    contents_[section][key] = std::to_string(value);
}

void MemoryProfileStore::writeString(const std::string& section, const std::string& key, const std::string& value)
{
    contents_[section][key] = value;
}

void MemoryProfileStore::deleteSection(const std::string& section)
{
    const std::string subPrefix = section + "\\";
    for (auto it = contents_.begin(); it != contents_.end();) {
        const bool isSub = it->first.compare(0, subPrefix.size(), subPrefix) == 0;
        it = (it->first == section || isSub) ? contents_.erase(it) : std::next(it);
    }
}

bool MemoryProfileStore::flush(std::string* error)
{
    if (error != nullptr) {
        error->clear();
    }
    return true;
}

} // namespace velisto

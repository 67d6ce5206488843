#pragma once
// The per-user settings store, organised as sections of keys. Section names are written
// as the program knows them, sub-sections separated by a backslash
// ("MIDI Output devices\device3\GM2GPCSlotpathes"); each backend maps them to its own form.
// Thread contract: user-interface thread only.

#include <string>

namespace velisto {

class ProfileStore {
public:
    virtual ~ProfileStore() = default;

    // The stored integer, or defaultValue when the key is missing or holds no number.
    virtual int getInt(const std::string& section, const std::string& key, int defaultValue) const = 0;
    // The stored text, or defaultValue when the key is missing (an empty stored text is returned as is).
    virtual std::string getString(const std::string& section, const std::string& key,
                                  const std::string& defaultValue) const = 0;
    virtual bool hasKey(const std::string& section, const std::string& key) const = 0;

    virtual void writeInt(const std::string& section, const std::string& key, int value) = 0;
    virtual void writeString(const std::string& section, const std::string& key, const std::string& value) = 0;
    // Removes the section with all its keys and sub-sections.
    virtual void deleteSection(const std::string& section) = 0;

    // Makes what was written durable. Returns false with a reason when that failed.
    virtual bool flush(std::string* error) = 0;
};

} // namespace velisto

#pragma once
// A ProfileStore held in memory: what tests and headless runs use instead of a file.
// Values are kept as text, the way an INI file keeps them, so getInt parses what
// writeString stored and an integer written with writeInt reads back as its decimal text.
// Thread contract: user-interface thread only, like every ProfileStore.

#include "app/ProfileStore.h"

#include <map>
#include <string>

namespace velisto {

class MemoryProfileStore : public ProfileStore {
  public:
    // Section name -> key -> stored text.
    using Contents = std::map<std::string, std::map<std::string, std::string>>;

    int getInt(const std::string& section, const std::string& key, int defaultValue) const override;
    std::string getString(const std::string& section, const std::string& key,
                          const std::string& defaultValue) const override;
    bool hasKey(const std::string& section, const std::string& key) const override;

    void writeInt(const std::string& section, const std::string& key, int value) override;
    void writeString(const std::string& section, const std::string& key, const std::string& value) override;
    void deleteSection(const std::string& section) override;

    // Always succeeds: there is nothing to make durable.
    bool flush(std::string* error) override;

    const Contents& contents() const { return contents_; }

  private:
    const std::string* find(const std::string& section, const std::string& key) const;

    Contents contents_;
};

} // namespace velisto

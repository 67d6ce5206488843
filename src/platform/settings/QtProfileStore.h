#pragma once
// ProfileStore over QSettings in INI format. A section "A\B" is the group "A/B"; keys keep
// their names (QSettings escapes what an INI file cannot hold). Writes stay in memory
// until flush(), which writes the file through a temporary file and a rename.
// Thread contract: user-interface thread only.

#include "app/ProfileStore.h"

#include <QSettings>

#include <memory>
#include <string>

namespace velisto {

class QtProfileStore : public ProfileStore {
  public:
    // The user's store: $XDG_CONFIG_HOME/Korvane Software/Velisto.ini.
    QtProfileStore();
    // A store in the given INI file; tests use it for a file of their own.
    explicit QtProfileStore(const std::string& filePath);
    ~QtProfileStore() override;

    QtProfileStore(const QtProfileStore&) = delete;
    QtProfileStore& operator=(const QtProfileStore&) = delete;

    int getInt(const std::string& section, const std::string& key, int defaultValue) const override;
    std::string getString(const std::string& section, const std::string& key,
                          const std::string& defaultValue) const override;
    bool hasKey(const std::string& section, const std::string& key) const override;

    void writeInt(const std::string& section, const std::string& key, int value) override;
    void writeString(const std::string& section, const std::string& key, const std::string& value) override;
    void deleteSection(const std::string& section) override;

    // False with "Can't write settings file " + path when the file could not be written.
    bool flush(std::string* error) override;

    std::string filePath() const;

  private:
    std::unique_ptr<QSettings> settings_;
};

} // namespace velisto

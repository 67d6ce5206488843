#pragma once
// Instrument group files (.igr): the magic "vlx:igr|", then 128 program lists and 128
// drum lists of sample file names, names separated by ',' and each list ended by ';', and
// one more ';' after the 256th list. Readers ignore what follows the 256th list. Names are
// plain file names in lower case (bytes, no character set) of files lying in the
// directory of the .igr file; on disk they are found whatever their letter case.
// Thread contract: free functions without shared state; a SampleDirectory on one thread.

#include "app/UserPrompt.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velisto {

inline constexpr std::string_view kIgrMagic = "vlx:igr|";
inline constexpr int kIgrListCount = 128; // per section

// The lists as the editor keeps them: exactly the text between the ';' of the file.
struct IgrLists {
    std::array<std::string, kIgrListCount> programs;
    std::array<std::string, kIgrListCount> drums;

    bool empty() const;
    bool operator==(const IgrLists&) const = default;
};

enum class IgrReadStatus { Ok, CannotOpen, NotIgr };

// Reads the whole file for the editor, names lower-cased. NotIgr for a wrong magic and
// for a file that ends before its 256th list.
IgrReadStatus readIgrFile(const std::string& path, IgrLists& lists);
// Reads the magic; false when fewer than 8 bytes or other bytes.
bool readIgrMagic(std::FILE* file);
// Reads one list up to its ';' (not included) into text; false when the file ends first.
bool readIgrList(std::FILE* file, std::string& text);

std::vector<std::uint8_t> encodeIgr(const IgrLists& lists);
// Saves through a temporary file; when that fails asks "Can't write file. Writeable
// medium ? If so check write protection." (caption "Write .igr") with Retry and Cancel.
// False when cancelled.
bool writeIgrFile(const std::string& path, const IgrLists& lists, UserPrompt& prompt);

// ASCII letters only: names are bytes.
std::string lowerCase(std::string_view text);
// The non-empty names of a list text, in order.
std::vector<std::string> splitNames(std::string_view list, std::string_view separators = ",");
// A name the format can store: not empty, no ',' or ';'.
bool storableName(std::string_view name);
// Everything up to and including the last '/'; empty when there is none.
std::string directoryPart(const std::string& path);
// After the last '/'.
std::string fileNamePart(const std::string& path);

// The sample files of one directory. Names stored in an .igr are lower case while Linux
// file names are not: a name is found as it is, else by a letter-case-blind match.
class SampleDirectory {
public:
    explicit SampleDirectory(std::string directory) : directory_(std::move(directory)) {}
    // The path to open for name: the matching file, or directory + name when there is
    // none (the wave reader then tells that it cannot open it).
    std::string resolve(const std::string& name);

private:
    std::string directory_;
    bool scanned_ = false;
    std::map<std::string, std::string> byLowerName_; // lower-cased name -> name on disk
};

} // namespace velisto

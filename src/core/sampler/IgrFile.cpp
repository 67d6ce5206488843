#include "sampler/IgrFile.h"

#include "app/SafeFileWrite.h"

#include <algorithm>
#include <memory>
#include <system_error>

namespace velisto {

namespace {

constexpr const char* kWriteFailedText = "Can't write file. Writeable medium ? If so check write protection.";
constexpr const char* kWriteTitle = "Write .igr";

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

} // namespace

bool IgrLists::empty() const
{
    const auto blank = [](const std::string& list) { return splitNames(list).empty(); };
    return std::all_of(programs.begin(), programs.end(), blank) && std::all_of(drums.begin(), drums.end(), blank);
}

bool readIgrMagic(std::FILE* file)
{
    for (char expected : kIgrMagic) {
        if (std::fgetc(file) != static_cast<unsigned char>(expected))
            return false;
    }
    return true;
}

bool readIgrList(std::FILE* file, std::string& text)
{
    text.clear();
    for (;;) {
        const int c = std::fgetc(file);
        if (c == EOF)
            return false;
        if (c == ';')
            return true;
        text.push_back(static_cast<char>(c));
    }
}

IgrReadStatus readIgrFile(const std::string& path, IgrLists& lists)
{
    const FileHandle file(std::fopen(path.c_str(), "rb"));
    if (!file)
        return IgrReadStatus::CannotOpen;
    if (!readIgrMagic(file.get()))
        return IgrReadStatus::NotIgr;
    IgrLists read;
    for (auto* section : {&read.programs, &read.drums}) {
        for (std::string& list : *section) {
            if (!readIgrList(file.get(), list))
                return IgrReadStatus::NotIgr;
            list = lowerCase(list);
        }
    }
    lists = std::move(read);
    return IgrReadStatus::Ok;
}

std::vector<std::uint8_t> encodeIgr(const IgrLists& lists)
{
    std::vector<std::uint8_t> bytes(kIgrMagic.begin(), kIgrMagic.end());
    for (const auto* section : {&lists.programs, &lists.drums}) {
        for (const std::string& list : *section) {
            bytes.insert(bytes.end(), list.begin(), list.end());
            bytes.push_back(';');
        }
    }
    bytes.push_back(';');
    return bytes;
}

bool writeIgrFile(const std::string& path, const IgrLists& lists, UserPrompt& prompt)
{
    const std::vector<std::uint8_t> bytes = encodeIgr(lists);
    // A write that fails half way (a full medium) is as worth retrying as one that
    // cannot even open the file; the old file stays intact either way.
    while (writeFileSafely(path, bytes).status != SafeWriteStatus::Written) {
        if (prompt.askRetryCancel(kWriteFailedText, kWriteTitle, PromptIcon::Exclamation) != PromptAnswer::Retry)
            return false;
    }
    return true;
}

std::string lowerCase(std::string_view text)
{
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return lower;
}

std::vector<std::string> splitNames(std::string_view list, std::string_view separators)
{
    std::vector<std::string> names;
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t end = list.find_first_of(separators, start);
        if (end == std::string_view::npos)
            end = list.size();
        if (end > start)
            names.emplace_back(list.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

bool storableName(std::string_view name) { return !name.empty() && name.find_first_of(",;") == std::string_view::npos; }

std::string directoryPart(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string fileNamePart(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string SampleDirectory::resolve(const std::string& name)
{
    const std::string exact = directory_ + name;
    std::error_code ec;
    if (std::filesystem::is_regular_file(exact, ec))
        return exact;
    if (!scanned_) {
        // One scan serves every name of the group. Of names differing only in case, the
        // first in byte order wins, so the choice does not depend on the directory order.
        scanned_ = true;
        const std::string folder = directory_.empty() ? std::string(".") : directory_;
        for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
            std::error_code typeError;
            if (!it->is_regular_file(typeError))
                continue;
            const std::string onDisk = it->path().filename().string();
            auto [slot, inserted] = byLowerName_.try_emplace(lowerCase(onDisk), onDisk);
            if (!inserted && onDisk < slot->second)
                slot->second = onDisk;
        }
    }
    const auto found = byLowerName_.find(lowerCase(name));
    return found != byLowerName_.end() ? directory_ + found->second : exact;
}

} // namespace velisto

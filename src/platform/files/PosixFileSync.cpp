#include "files/PosixFileSync.h"

#include <cerrno>
#include <fcntl.h>
#include <system_error>
#include <unistd.h>

namespace velisto {

namespace {

// Empty when fd's data reached the disk, or when its file system has nothing to sync.
std::string syncDescriptor(int fd)
{
    while (::fsync(fd) != 0) {
        if (errno == EINTR)
            continue;
        if (errno == EINVAL || errno == ENOTSUP)
            return {};
        return std::generic_category().message(errno);
    }
    return {};
}

} // namespace

std::string PosixFileSync::syncFile(std::FILE* file)
{
    const int fd = ::fileno(file);
    if (fd < 0)
        return std::generic_category().message(errno);
    return syncDescriptor(fd);
}

std::string PosixFileSync::syncFolder(const std::filesystem::path& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return std::generic_category().message(errno);
    std::string reason = syncDescriptor(fd);
    ::close(fd);
    return reason;
}

} // namespace velisto

#include "hosts/headless/text_file.h"

#include "framework/host/value.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace tessivra::headless {

namespace {

constexpr std::int32_t kFileNotFound = 53;
constexpr std::int32_t kPathFileAccess = 75;

Error failed(std::int32_t code, std::u16string what, const std::filesystem::path& file, int err) {
    what += fromUtf8(file.string());
    what += u": ";
    what += fromUtf8(std::strerror(err));
    return Error{code, std::move(what)};
}

// Closes the descriptor however the reading or writing ends.
struct Descriptor {
    int fd;
    ~Descriptor() {
        if (fd >= 0) ::close(fd);
    }
};

} // namespace

ErrorOr<std::string> readTextFile(const std::filesystem::path& file) {
    Descriptor d{::open(file.c_str(), O_RDONLY | O_CLOEXEC)};
    if (d.fd < 0) {
        int err = errno;
        if (err == ENOENT) return failed(kFileNotFound, u"File not found: ", file, err);
        return failed(kPathFileAccess, u"Path/File access error: cannot read ", file, err);
    }
    std::string text;
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(d.fd, buffer, sizeof buffer);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            return failed(kPathFileAccess, u"Path/File access error: cannot read ", file, errno);
        }
        text.append(buffer, static_cast<std::size_t>(n));
    }
    return text;
}

ErrorOr<void> writeTextFile(const std::filesystem::path& file, std::string_view text) {
    Descriptor d{::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666)};
    if (d.fd < 0)
        return failed(kPathFileAccess, u"Path/File access error: cannot write ", file, errno);
    while (!text.empty()) {
        ssize_t n = ::write(d.fd, text.data(), text.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return failed(kPathFileAccess, u"Path/File access error: cannot write ", file, errno);
        }
        text.remove_prefix(static_cast<std::size_t>(n));
    }
    if (::close(d.fd) != 0) {
        d.fd = -1;
        return failed(kPathFileAccess, u"Path/File access error: cannot write ", file, errno);
    }
    d.fd = -1;
    return {};
}

} // namespace tessivra::headless

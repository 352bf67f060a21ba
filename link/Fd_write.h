// Writing a whole buffer to a file descriptor, however many write() calls it takes.
#pragma once

#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>

// Writes all of [data, data + size) to `fd`. False with errno set on a failure (EIO when
// write() stops taking bytes without saying why); the bytes that did reach the file are then
// in *done. An interrupted or short write is continued: the next write() says why the first
// stopped short.
inline bool write_all(int fd, const void* data, std::size_t size, std::size_t* done = nullptr)
{
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    std::size_t written = 0;
    bool ok = true;
    while (written < size) {
        const ssize_t n = ::write(fd, bytes + written, size - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            ok = false;
            break;
        }
        written += std::size_t(n);
    }
    if (done != nullptr)
        *done = written;
    return ok;
}

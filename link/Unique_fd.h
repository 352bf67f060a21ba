// A file descriptor with one owner: it is closed when its owner lets go of it (destruction,
// reset, or assignment of another), exactly once. -1 stands for none.
#pragma once

#include <unistd.h>

#include <utility>

class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd() { reset(); }

    UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    explicit operator bool() const { return valid(); }

    // Hands the descriptor over without closing it; this one then holds none.
    int release() { return std::exchange(fd_, -1); }

    // Closes the descriptor held (a close error changes nothing for the owner) and takes
    // `fd` instead.
    void reset(int fd = -1)
    {
        const int old = std::exchange(fd_, fd);
        if (old >= 0 && old != fd)
            ::close(old);
    }

private:
    int fd_ = -1;
};

// The owning file descriptor: each descriptor is closed once, by its last owner.
#include "Unique_fd.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <utility>

namespace {

bool is_open(int fd)
{
    return ::fcntl(fd, F_GETFD) != -1;
}

// Both ends of a fresh pipe, each owned.
std::pair<UniqueFd, UniqueFd> make_pipe()
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return {};
    return {UniqueFd(fds[0]), UniqueFd(fds[1])};
}

} // namespace

TEST(UniqueFd, ClosesOnceWhenItsLastOwnerGoesAway)
{
    auto [read_end, write_end] = make_pipe();
    ASSERT_TRUE(read_end.valid());
    const int fd = read_end.get();
    std::pair<UniqueFd, UniqueFd> reused;
    {
        UniqueFd moved(std::move(read_end));
        UniqueFd assigned;
        assigned = std::move(moved);
        assigned.reset();
        EXPECT_FALSE(is_open(fd));
        // The system gives the lowest free number: the new pipe takes the closed one.
        reused = make_pipe();
        ASSERT_EQ(reused.first.get(), fd);
        // `moved` goes here, after the number has been given again: it must not close it.
    }
    read_end = UniqueFd(); // likewise the first owner, left empty by the move
    EXPECT_TRUE(is_open(fd));
    EXPECT_TRUE(is_open(write_end.get()));
}

#pragma once
// Runs a shell command for a test (setting up network namespaces, starting helpers); returns
// its exit status and puts what it printed (standard output and error) in `out`.

#include <sys/wait.h>

#include <cstdio>
#include <string>

inline int run(const std::string& command, std::string* out = nullptr)
{
    FILE* p = ::popen((command + " 2>&1").c_str(), "r");
    if (!p)
        return -1;
    std::string text;
    char buf[512];
    while (std::fgets(buf, sizeof buf, p))
        text += buf;
    const int status = ::pclose(p);
    if (out)
        *out = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

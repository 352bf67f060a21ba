// The process's resident memory (VmRSS from /proc/self/status), in KiB; 0 when unknown.
// Header only, so that the start-up probe loaded into the program can use it too.
#pragma once

#include <cstdlib>
#include <fstream>
#include <string>

inline long rss_kib()
{
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return 0;
}

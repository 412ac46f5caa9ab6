#pragma once
// The running process's own memory figures, as the kernel reports them in /proc/self/status.
#include <cstring>
#include <fstream>
#include <string>

namespace trassel::bench {

// The value in kB of a line such as "VmHWM:" (the peak resident size) or "VmRSS:"; 0 when absent.
inline long statusKb(const char* key)
{
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(key, 0) == 0)
            return std::stol(line.substr(std::strlen(key)));
    return 0;
}

} // namespace trassel::bench

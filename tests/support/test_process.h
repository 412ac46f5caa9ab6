#pragma once
// What the file tests ask of the process on Linux and on Windows alike: an id for folders of
// their own, and whether permission bits refuse access (not to root, not on Windows, where
// they only stand for the read-only mark).
#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

namespace trassel::test {

inline int ProcessId()
{
#ifdef _WIN32
    return ::_getpid();
#else
    return static_cast<int>(::getpid());
#endif
}

inline bool PermissionBitsRefuse()
{
#ifdef _WIN32
    return false;
#else
    return ::geteuid() != 0;
#endif
}

} // namespace trassel::test

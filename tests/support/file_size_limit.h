#pragma once

#include <sys/resource.h>

#include <csignal>
#include <cstdlib>

// For a death-test child: no file of this process may grow past `bytes`, and a write that
// would is refused (as on a disk that fills up) instead of ending the process.
inline void LimitFileSizeOfThisProcess(rlim_t bytes) {
    std::signal(SIGXFSZ, SIG_IGN);
    const struct rlimit limit = {bytes, bytes};
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) std::_Exit(90);
}

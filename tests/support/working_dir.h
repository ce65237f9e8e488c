#pragma once

#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>

// Makes a folder the working folder while it lives, for code that writes files of fixed
// names into the working folder; the old one comes back at its end.
class WorkingDirScope {
public:
    explicit WorkingDirScope(const std::string& folder) {
        std::unique_ptr<char, decltype(&std::free)> here(getcwd(nullptr, 0), &std::free);
        if (here == nullptr || chdir(folder.c_str()) != 0) throw std::runtime_error("cannot enter " + folder);
        old = here.get();
    }
    ~WorkingDirScope() {
        if (chdir(old.c_str()) != 0) std::abort();
    }
    WorkingDirScope(const WorkingDirScope&) = delete;
    WorkingDirScope& operator=(const WorkingDirScope&) = delete;

private:
    std::string old;
};

#pragma once

#include <string>
#include <utility>
#include <vector>

// Runs a program as its own process, the way the front end does, and reports what it printed
// and how it ended.
struct RunResult {
    std::string out;
    std::string err;
    int exitCode = -1;     // valid when !signaled && !timedOut
    bool signaled = false; // death by a signal is a crash
    int signal = 0;
    bool timedOut = false; // the kill guard stopped a hang
};

struct RunOptions {
    std::string workDir;
    std::vector<std::pair<std::string, std::string>> env;  // added to the inherited environment
    int killAfterSeconds = 900;
    std::string terminateOnOutput;  // when not empty: SIGTERM once standard output holds it
};

RunResult RunProgram(const std::string& exe, const std::vector<std::string>& args,
                     const RunOptions& options);

// Paths of the two builds of the program: the shipped one and the one with a fixed clock.
std::string VarnelBinary();
std::string FixedClockBinary();
std::string E2eCasesDir();

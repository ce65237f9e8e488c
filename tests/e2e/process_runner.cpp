#include "tests/e2e/process_runner.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "tests/support/test_files.h"

RunResult RunProgram(const std::string& exe, const std::vector<std::string>& args,
                     const RunOptions& options) {
    ScratchDir capture;
    const std::string outName = capture.File("stdout");
    const std::string errName = capture.File("stderr");

    std::vector<std::string> argStore;
    argStore.push_back(exe);
    argStore.insert(argStore.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : argStore) argv.push_back(a.data());
    argv.push_back(nullptr);

    pid_t pid = ::fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        int out = ::open(outName.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int err = ::open(errName.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out < 0 || err < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0) ::_exit(127);
        if (!options.workDir.empty() && ::chdir(options.workDir.c_str()) != 0) ::_exit(127);
        for (const auto& [name, value] : options.env) ::setenv(name.c_str(), value.c_str(), 1);
        ::execv(exe.c_str(), argv.data());
        ::_exit(127);
    }

    RunResult result;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::seconds(options.killAfterSeconds);
    int status = 0;
    bool terminated = options.terminateOnOutput.empty();
    for (;;) {
        pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) break;
        if (done < 0 && errno != EINTR) throw std::runtime_error("waitpid failed");
        if (!terminated && FileExists(outName) && ReadFileBytes(outName).find(options.terminateOnOutput) != std::string::npos) {
            ::kill(pid, SIGTERM);
            terminated = true;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            result.timedOut = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    if (!result.timedOut) {
        if (WIFSIGNALED(status)) {
            result.signaled = true;
            result.signal = WTERMSIG(status);
        } else if (WIFEXITED(status)) {
            result.exitCode = WEXITSTATUS(status);
        }
    }
    result.out = ReadFileBytes(outName);
    result.err = ReadFileBytes(errName);
    return result;
}

std::string VarnelBinary() { return VARNEL_BINARY; }
std::string FixedClockBinary() { return VARNEL_FIXED_CLOCK_BINARY; }
std::string E2eCasesDir() { return VARNEL_E2E_CASES; }

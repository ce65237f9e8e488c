#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/string_sack.h"

// How a command family reports: the reduct and rule commands log an error's message twice
// (alone, then after "Err.GetMessage()="); the others once. The network commands end
// without "Done.".
struct HandlerStyle {
    const char* logFailurePrefix;
    bool messageAlsoAlone;
    bool writeDone;
};

inline constexpr HandlerStyle kReductCommand{"Can't save file with LOG: ", true, true};
inline constexpr HandlerStyle kRuleCommand{"Error: Can't save file with LOG: ", true, true};
inline constexpr HandlerStyle kScalingCommand{"Error: Can't save file with LOG: ", false, true};
inline constexpr HandlerStyle kNetworkCommand{"Error: Can't save file with LOG: ", false, false};

// Parameters are read by position before anything is written; a missing line raises
// CalcError(5) through TStringSack::GetElem.
class CommandParams {
public:
    explicit CommandParams(const TStringSack& config) : config(config) {}
    std::string Text(int i) const { return config.GetElem(i); }
    int Int(int i) const;
    double Real(int i) const;

private:
    const TStringSack& config;
};

// A file a command writes besides its LOG, and how its writer refuses a file it cannot
// write (`refuse` throws that writer's code-7 failure).
struct ResultFile {
    std::string name;
    std::function<void()> refuse;
};

// The files a command reads, and the result files it writes. An output that names an input
// (the same file, by any spelling or link) would destroy it: the LOG is then refused as one
// that cannot be created, a result file as its writer refuses it, before anything is opened
// for writing. The configuration file counts as an input of every command.
struct CommandFiles {
    std::vector<std::string> inputs;
    std::vector<ResultFile> results;
};

// The configuration file the process runs, as the entry opened it.
void SetConfigurationFile(const std::string& name);

// The common run of a command: echo lines, then "LOG will be saved to: " + log name; the
// LOG opened (exit 7 when it cannot be, when it names an input, or when a later write to it
// fails); the title lines; the work in a guarded region, after the result files are checked
// against the inputs, whose failures end the process with their code (1 for anything that
// is not an Error); an empty line and "Done."; the LOG closed. Objects the work creates must
// be owned by its scope, so that they are released on every path before the failure is
// reported.
void RunCommand(const HandlerStyle& style, const std::vector<std::string>& echo,
                const std::string& logName, const std::vector<std::string>& titles,
                const std::function<void()>& work, const CommandFiles& files = {});

// Holds g_RuleBuf for one rule command: null before, allocated after the table is loaded,
// released on every path.
class RuleBufferScope {
public:
    RuleBufferScope();
    ~RuleBufferScope();
    RuleBufferScope(const RuleBufferScope&) = delete;
    RuleBufferScope& operator=(const RuleBufferScope&) = delete;
    // More ints than an int can count is refused as exhausted memory (code 2).
    void Allocate(long long ints);

private:
    std::vector<int> buffer;
};

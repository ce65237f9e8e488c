#include "driver/handler_frame.h"

#include <climits>
#include <new>

#include "core/error.h"
#include "core/file_io.h"
#include "core/report.h"
#include "core/text_number.h"

int CommandParams::Int(int i) const { return TextToInt(config.GetElem(i)); }

double CommandParams::Real(int i) const { return TextToDouble(config.GetElem(i)); }

namespace {

std::string g_configurationFile;

bool NamesAnInput(const std::string& name, const CommandFiles& files) {
    if (!g_configurationFile.empty() && SameFile(name.c_str(), g_configurationFile.c_str())) return true;
    for (const std::string& input : files.inputs) {
        if (SameFile(name.c_str(), input.c_str())) return true;
    }
    return false;
}

[[noreturn]] void EndWithError(const HandlerStyle& style, const Error& err) {
    if (style.messageAlsoAlone) LogMessage(err.GetMessage());
    LogMessage(std::string("Err.GetMessage()=") + err.GetMessage());
    LogMessage("Program TERMINATED! ");
    LogFile.Close();
    ProcessDown(err.GetCode());
}

}  // namespace

void SetConfigurationFile(const std::string& name) { g_configurationFile = name; }

void RunCommand(const HandlerStyle& style, const std::vector<std::string>& echo,
                const std::string& logName, const std::vector<std::string>& titles,
                const std::function<void()>& work, const CommandFiles& files) {
    for (const std::string& line : echo) WriteStdoutLine(line);
    WriteStdoutLine("LOG will be saved to: " + logName);
    if (NamesAnInput(logName, files) || !LogFile.Open(logName.c_str(), style.logFailurePrefix)) {
        WriteStdoutLine(style.logFailurePrefix + logName);
        ProcessDown(7);
    }
    for (const std::string& line : titles) LogMessage(line);
    try {
        for (const ResultFile& result : files.results) {
            if (!NamesAnInput(result.name, files)) continue;
            result.refuse();
            throw CalcErrorText(7, result.name.c_str());  // a refusal that did not throw
        }
        work();
        if (style.writeDone) {
            LogMessage("");
            LogMessage("Done.");
        }
    } catch (const Error& err) {
        EndWithError(style, err);
    } catch (const std::bad_alloc&) {
        EndWithError(style, CalcError(2));
    } catch (...) {
        LogMessage("Unexpected error!");
        LogMessage("Program TERMINATED! ");
        LogFile.Close();
        ProcessDown(1);
    }
    LogFile.Close();
}

RuleBufferScope::RuleBufferScope() {
    g_RuleBuf = nullptr;
    g_RuleBufSize = 0;
}

RuleBufferScope::~RuleBufferScope() {
    g_RuleBuf = nullptr;
    g_RuleBufSize = 0;
}

void RuleBufferScope::Allocate(long long ints) {
    if (ints < 0) throw CalcError(9);
    if (ints > INT_MAX) throw CalcError(2);
    buffer.assign(static_cast<size_t>(ints), 0);
    g_RuleBuf = buffer.data();
    g_RuleBufSize = static_cast<int>(ints);
}

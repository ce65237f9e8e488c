#include "core/report.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdarg>
#include <cstdlib>
#include <vector>

#include "core/error.h"

TLogFile LogFile;
int QuietMode = 0;
int* g_RuleBuf = nullptr;
int g_RuleBufSize = 0;

TLogFile::~TLogFile() {
    if (file != nullptr) std::fclose(file);
    file = nullptr;
}

// Created with the permission bits 0644 (less what the creation mask takes away), truncated
// when it exists.
bool TLogFile::Open(const char* logName, const char* prefix) {
    Close();
    const int fd = ::open(logName, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    file = ::fdopen(fd, "w");
    if (file == nullptr) {
        ::close(fd);
        return false;
    }
    name = logName;
    failurePrefix = prefix;
    return true;
}

void TLogFile::Write(const char* text) {
    if (file == nullptr || text == nullptr) return;
    if (std::fputs(text, file) == EOF || std::fflush(file) == EOF) Failed();
}

void TLogFile::WriteLine(const char* text) {
    if (file == nullptr || text == nullptr) return;
    if (std::fputs(text, file) == EOF || std::fputc('\n', file) == EOF || std::fflush(file) == EOF) Failed();
}

void TLogFile::Close() {
    if (file == nullptr) return;
    std::FILE* closing = file;
    file = nullptr;
    if (std::fclose(closing) != 0) Failed();
}

void TLogFile::Failed() {
    if (file != nullptr) std::fclose(file);
    file = nullptr;
    WriteStdoutLine(failurePrefix + name);
    ProcessDown(7);
}

void LogMessage(const char* text, int) { LogFile.WriteLine(text); }

void LogMessage(const std::string& text, int) { LogFile.WriteLine(text.c_str()); }

void LogFormat(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string line(n > 0 ? static_cast<size_t>(n) : 0, '\0');
    std::vsnprintf(line.data(), line.size() + 1, format, args);
    va_end(args);
    LogFile.WriteLine(line.c_str());
}

void WriteStdoutBytes(const char* text, size_t size) {
    std::fwrite(text, 1, size, stdout);
    std::fflush(stdout);
}

void WriteStdout(const std::string& text) { WriteStdoutBytes(text.data(), text.size()); }

void WriteStdoutLine(const std::string& text) { WriteStdout(text + "\n"); }

void ShowProgress(int percent) {
    if (QuietMode == 1) return;
    WriteStdoutLine("PROGRESS:" + std::to_string(percent));
}

void ShowProgress2(int percent, int) { ShowProgress(percent); }

int* StartRule(int object, int conditions) {
    if (g_RuleBuf == nullptr || conditions < 0 || conditions + 2 > g_RuleBufSize) throw CalcError(5);
    g_RuleBuf[0] = conditions + 2;
    g_RuleBuf[1] = object;
    return g_RuleBuf + 2;
}

// All rules of a large table are tens of millions of lines, each flushed on its own, so the
// line is put together in one buffer kept from rule to rule and written with one call.
void SendRule() {
    if (QuietMode == 1) return;
    if (g_RuleBuf == nullptr || g_RuleBuf[0] < 0 || g_RuleBuf[0] > g_RuleBufSize) {
        throw CalcError(5);
    }
    static std::vector<char> line;
    constexpr size_t kNumber = 12;  // an int in decimal with its sign, and the blank
    const size_t most = 5 + static_cast<size_t>(g_RuleBuf[0]) * kNumber + 1;
    if (line.size() < most) line.resize(most);
    char* at = std::copy_n("RULE:", 5, line.data());
    for (int i = 0; i < g_RuleBuf[0]; ++i) {
        at = std::to_chars(at, at + kNumber, g_RuleBuf[i]).ptr;
        *at++ = ' ';
    }
    *at++ = '\n';
    WriteStdoutBytes(line.data(), static_cast<size_t>(at - line.data()));
}

void ProcessDown(int code) {
    WriteStdoutLine("PROCESS_DOWN");
    std::exit(code);
}

void EndProcess(int code) {
    std::fflush(stdout);
    std::exit(code);
}

#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

// The process-wide LOG. Constructed closed before main; a command handler opens it on the
// file its configuration names. Writes while it is closed are dropped without a report.
//
// A LOG that cannot be written completely (a full disk) is no success: a write or a close
// that fails ends the process with `failurePrefix` and the LOG's name on standard output,
// "PROCESS_DOWN" and code 7, as a LOG that cannot be created does. Files already written
// stay as they are.
class TLogFile {
public:
    TLogFile() = default;
    ~TLogFile();  // closes without a check: the process is ending already
    TLogFile(const TLogFile&) = delete;
    TLogFile& operator=(const TLogFile&) = delete;

    // Create or truncate; false when it cannot be created.
    bool Open(const char* name, const char* failurePrefix = "Error: Can't save file with LOG: ");
    bool IsOpen() const { return file != nullptr; }
    void Write(const char* text);  // as it stands, flushed; no line end added
    void WriteLine(const char* text);
    void Close();

private:
    [[noreturn]] void Failed();

    std::FILE* file = nullptr;
    std::string name;
    std::string failurePrefix;
};

extern TLogFile LogFile;

// While 1, progress and rule lines are not written (and the rule memory keeps rules).
extern int QuietMode;

// Holds QuietMode at 1 while it lives and then puts back the value it found, also when an
// exception leaves the scope. Library code that stores rules (loading a rules file,
// generating rules into a set it keeps) takes one: outside quiet mode the rule memory
// publishes and drops every rule, so the set would stay empty. The commands never take it.
class QuietModeGuard {
public:
    QuietModeGuard() : saved(QuietMode) { QuietMode = 1; }
    ~QuietModeGuard() { QuietMode = saved; }
    QuietModeGuard(const QuietModeGuard&) = delete;
    QuietModeGuard& operator=(const QuietModeGuard&) = delete;

private:
    int saved;
};

// The rule being published: [0] = count L of meaningful elements (conditions + 2),
// [1] = generating object, [2..L-1] = condition attributes. Owned by the rule command handlers.
extern int* g_RuleBuf;
// Number of ints g_RuleBuf holds; 0 while none is allocated. Publishing checks against it.
extern int g_RuleBufSize;

// Opens the rule of `object` with `conditions` condition attributes in g_RuleBuf and returns
// where its attributes go; a buffer that is missing or too small is error 5.
int* StartRule(int object, int conditions);

void LogMessage(const char* text, int detail = 0);
void LogMessage(const std::string& text, int detail = 0);
// One LOG line from a printf format and its values (the LOG texts that carry a conversion).
void LogFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));

void ShowProgress(int percent);
void ShowProgress2(int percent, int ignored);
void SendRule();
// The back-end is stopped by its process being ended, never by a question in between, so
// the long loops always go on; inline, because they ask once per set they look at.
inline int CheckBreak(int = 1) { return 1; }

// One line on standard output, flushed at once: the front end reads line by line.
void WriteStdoutLine(const std::string& text);
void WriteStdout(const std::string& text);
void WriteStdoutBytes(const char* text, size_t size);

// "PROCESS_DOWN", then the process ends with code (the LOG is closed on the way).
[[noreturn]] void ProcessDown(int code);
// Ends the process at once without "PROCESS_DOWN" (internal consistency failures).
[[noreturn]] void EndProcess(int code);

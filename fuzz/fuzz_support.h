#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Shared by every fuzz target (fuzz/<reader>_fuzz.cpp) and linked only into the fuzz and
// replay programs.

// What ProcessDown or EndProcess raise inside a fuzz or replay program instead of ending it:
// the link wraps both, so that a target can go on after the program decided to stop.
struct ProcessEnd {
    int code;
};

// A folder of the process's own under the temporary folder, made on first use; every file
// of the targets lies in it, so that no input can name a file anywhere else.
const std::string& FuzzFolder();

// A file in FuzzFolder() holding the given bytes (or made empty), removed with the object.
// The suffix lets a reader that chooses by extension see the one it needs.
class TempFile {
public:
    explicit TempFile(const std::string& bytes, const char* suffix = "");
    explicit TempFile(const char* suffix = "");  // a name only, for a writer to create
    ~TempFile();
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    const char* Path() const { return path.c_str(); }
    std::string Bytes() const;  // what the file holds now (empty when it is gone)

private:
    std::string path;
};

std::string InputBytes(const uint8_t* data, size_t size);

// For a procedure that reads or writes files of fixed names in the working folder: while
// this lives, a fresh, empty folder under FuzzFolder() is the working folder; afterwards the
// old one is back and the folder with everything in it is gone.
class ScratchWorkingFolder {
public:
    ScratchWorkingFolder();
    ~ScratchWorkingFolder();
    ScratchWorkingFolder(const ScratchWorkingFolder&) = delete;
    ScratchWorkingFolder& operator=(const ScratchWorkingFolder&) = delete;

private:
    std::string folder;
    std::string back;
};

// Runs `read`; the failures the program raises by design on bad input (the Error family,
// the network code's EException family and neuron errors, the genetic engine's GA_errors,
// MemError, ProcessEnd) end it quietly. Anything else, std::bad_alloc included, escapes and
// is a finding. Returns true when `read` finished.
bool ReadsOrFailsByDesign(const std::function<void()>& read);

// A written-and-reread disagreement: the target stops the process with the message, which
// the fuzzer reports as a crash.
void Require(bool holds, const char* what);

class TTable;

// Same shape and the same cells, in order.
bool SameTable(const TTable& a, const TTable& b);

// The cells, row by row.
std::vector<std::vector<int>> RowsOf(const TTable& t);

// Standard output goes to /dev/null while it lives: progress and rule lines would only
// slow a run down.
class SilentStdout {
public:
    SilentStdout();
    ~SilentStdout();
    SilentStdout(const SilentStdout&) = delete;
    SilentStdout& operator=(const SilentStdout&) = delete;

private:
    int saved = -1;
};

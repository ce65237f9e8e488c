#pragma once

#include <cstddef>
#include <memory>
#include <string>

// Whole-file reading and checked writing. Every writer of the program goes through here so
// that a full disk or a failed write is reported instead of passing for success.

// False when the file cannot be opened (a folder or a device cannot), or reading fails.
bool ReadWholeFile(const char* name, std::string& out);

// Creates or truncates `name` and writes `data`; false on any failure, including at close.
bool WriteWholeFile(const char* name, const std::string& data);

// Appends `data` to `name`, creating it when missing; false on any failure, including at
// close. A list that grows run by run (one block per fold) is written this way.
bool AppendToFile(const char* name, const std::string& data);

// Writes `data` into a temporary file beside `name` and renames it over `name`, so that the
// old contents survive any failure. Keeps the old file's permission bits and owner; follows
// a link. A file that may not be written is refused; a pipe or a device is written into.
// An interrupt or termination signal that comes while the temporary file exists and would
// end the process removes it first; one the process ignores or handles is left alone.
bool ReplaceWholeFile(const char* name, const std::string& data);

// True when ReplaceWholeFile(name, ...) would get as far as writing: its checks are made and
// its temporary file is made beside `name` and removed again, but nothing of `name` changes
// (a pipe or a device is not even opened). A rename that would fail is not foreseen. Lets a
// long computation refuse an output before it starts without emptying the old one.
bool CanReplaceWholeFile(const char* name);

// A file written piece by piece, with the rules of ReplaceWholeFile: the pieces go into a
// temporary file beside `name`, which Commit renames over it, so that the old contents
// survive any failure and an output that is also an input is read whole before it changes.
// Permission bits and owner of an existing file are kept; a link is followed; a pipe or a
// device is written into; a signal that would end the process removes the temporary file.
// Writes are buffered; the first failure is remembered and reported by every later call. A
// file never committed is removed when the object goes.
class ReplacingFile {
public:
    ReplacingFile();
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // newFileMode: the permission bits a file that does not exist yet gets (less the
    // creation mask).
    bool Open(const char* name, unsigned newFileMode = 0666);
    bool Write(const char* data, std::size_t size);
    bool Write(const std::string& data) { return Write(data.data(), data.size()); }
    // Overwrites bytes already written, starting at `offset`.
    bool WriteAt(long long offset, const std::string& data);
    // Writes what is buffered, closes the file and puts it in place; false on any failure.
    bool Commit();

private:
    class Cleanup;
    friend bool CanReplaceWholeFile(const char* name);

    // Open; a probe stops before anything of the target is opened and removes its
    // temporary file again.
    bool Start(const char* name, unsigned newFileMode, bool probe);
    bool Flush();
    void Abandon();

    int fd = -1;
    bool ok = false;
    std::string temp;  // empty while the target itself is written into
    std::string target;
    unsigned mode = 0;
    std::string buffer;
    std::unique_ptr<Cleanup> cleanup;  // while the temporary file exists
};

// Called with the temporary file's name after it is made and before its data is written
// (null: nothing). Lets tests land a signal in the middle of a replacement.
using ReplaceWriteHook = void (*)(const char* tempName);
void SetReplaceWriteHook(ReplaceWriteHook hook);

// True when the name (links followed) is a regular file: one whose stored layout can be
// renewed, unlike a pipe or a device, which only pass data through.
bool IsRegularFile(const char* name);

// True when both names exist and are the same file (same device and inode, links
// followed): another spelling, a link or a hard link of one file all count.
bool SameFile(const char* a, const char* b);

// Decimal text of a number appended to a buffer (the table writers' hot path).
void AppendInt(std::string& out, long long value);

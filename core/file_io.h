#pragma once

#include <string>

// Whole-file reading and checked writing. Every writer of the program goes through here so
// that a full disk or a failed write is reported instead of passing for success.

// False when the file cannot be opened (a folder or a device cannot), or reading fails.
bool ReadWholeFile(const char* name, std::string& out);

// Creates or truncates `name` and writes `data`; false on any failure, including at close.
bool WriteWholeFile(const char* name, const std::string& data);

// Writes `data` into a temporary file beside `name` and renames it over `name`, so that the
// old contents survive any failure. Keeps the old file's permission bits and owner; follows
// a link. A file that may not be written is refused; a pipe or a device is written into.
bool ReplaceWholeFile(const char* name, const std::string& data);

// Decimal text of a number appended to a buffer (the table writers' hot path).
void AppendInt(std::string& out, long long value);

// A file written piece by piece, for text too large to be held whole: created or truncated
// when constructed; text collected in Buffer() goes out whenever Flush is called and at
// Close, which reports whether the file was opened and every write and the close succeeded.
class FileWriter {
public:
    explicit FileWriter(const char* name);
    ~FileWriter();
    FileWriter(const FileWriter&) = delete;
    FileWriter& operator=(const FileWriter&) = delete;

    std::string& Buffer() { return buffer; }
    // Writes the buffer out once it holds a good amount.
    void Flush();
    bool Close();

private:
    int fd = -1;
    bool ok = false;
    std::string buffer;
};

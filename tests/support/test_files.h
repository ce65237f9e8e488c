#pragma once

#include <string>
#include <vector>

// A fresh folder under the system's temporary folder, removed with everything in it.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::string& Path() const { return path; }
    std::string File(const std::string& name) const { return path + "/" + name; }
    void Keep() { keep = true; }

private:
    std::string path;
    bool keep = false;
};

std::string ReadFileBytes(const std::string& name);
void WriteFileBytes(const std::string& name, const std::string& bytes);
bool FileExists(const std::string& name);
// The lines of a text, without their line ends.
std::vector<std::string> TextLines(const std::string& text);

// Opens the process LOG on a scratch file for one test and returns what was written to it.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    std::string Text();  // closes the LOG first

private:
    ScratchDir dir;
};

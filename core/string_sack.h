#pragma once

#include <string>
#include <vector>

// Growable array of strings; holds the configuration, one non-empty line per element.
class TStringSack {
public:
    TStringSack() = default;

    void AddElem(std::string s);
    const char* GetElem(int i) const;
    int GetNoElem() const { return count; }
    int GetCapacity() const { return capacity; }
    void Load(const char* fileName);

private:
    int step = 10;
    int capacity = 10;
    int count = 0;
    std::vector<std::string> data;
};

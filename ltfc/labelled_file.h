#pragma once

#include <fstream>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ltfc/exceptions.h"

// Reader of the labelled text files of the network code (network files, ".dst" data
// descriptions). The whole file is indexed once when it is opened: "@<name" opens a section,
// "@>" closes it, and "@label" remembers the position right after the word. Values can then be
// read in any order, and optional ones tested for, without scanning the file again. Every
// other word (values, "$" remark lines) is skipped by the index.
class mfstream : public std::ifstream {
public:
    class except_mfstream : public EInvalidFileFormat {};
    class duplicatelabel : public except_mfstream {};
    class cantuptree : public except_mfstream {};
    class badvalue : public except_mfstream {};
    class isnotlabel : public except_mfstream {};

    // A file that cannot be opened gives an empty index: the first required label fails.
    explicit mfstream(const char* fileName);

    void EnterLabel(const char* name);
    void EnterLabel(const std::string& name) { EnterLabel(name.c_str()); }
    void LeaveLabel();
    bool IsLabel(const char* label) const;
    std::istream& SeekLabel(const char* label);
    void CheckValue(const char* label, const char* expected);
    bool CheckValueIfLabel(const char* label, const char* expected);

    // Checked extraction of the next word as a value: a missing word or one that is not
    // entirely a value of the type (out of range, trailing characters, not finite) raises
    // badvalue instead of leaving a silent 0 behind. A bool is written as 1 or 0.
    void ReadNext(int& value);
    void ReadNext(float& value);
    void ReadNext(double& value);
    void ReadNext(bool& value);
    void ReadNext(std::string& value);

    // The value after a required label (isnotlabel when it is absent).
    template <class T>
    void ReadValue(const char* label, T& value) {
        SeekLabel(label);
        ReadNext(value);
    }

    // The value after an optional label; false, and `value` untouched, when it is absent.
    template <class T>
    bool ReadValueIfLabel(const char* label, T& value) {
        if (!IsLabel(label)) return false;
        ReadValue(label, value);
        return true;
    }

    const std::string& GetPath() const { return path; }

private:
    // A label's key: the section it lies in and the part of its name after the last "@".
    using Key = std::pair<int, std::string>;

    void Index();
    void IndexWords();
    void IndexWord(const std::string& w, std::streamoff after);
    // Appends "@" + name to the path; `add` makes the sections the index meets.
    void EnterSection(std::string_view name, bool add);
    int Current() const { return open.empty() ? kTop : open.back(); }
    int FindSection(int parent, std::string_view name) const;
    int AddSection(int parent, std::string_view name);
    // The key path + "@" + label spells; with `add`, the sections it names are made.
    Key LabelKey(std::string_view label, bool add);
    Key LabelKey(std::string_view label) const;
    // The next whitespace-separated word, false at the end of the file or on a failed stream.
    bool NextWord();

    // A key is the path and the label joined by "@". Stored as such, every label of a deeply
    // nested section would repeat all the names around it, and a file of nested sections
    // would need memory quadratic in its size. So the "@"-separated parts of the path are
    // nodes of a tree of sections (the top level is node 0), and a label is keyed by its
    // node and its last part: the same keys, the same equalities, in memory linear in the file.
    static constexpr int kTop = 0;
    static constexpr int kNoSection = -1;  // a section the file does not have
    std::string path;
    std::vector<int> open;               // node of each part of the path, innermost last
    std::map<Key, int> sections;         // (parent node, name) -> node
    std::map<Key, std::streamoff> labels;
    std::string word;  // scratch of NextWord, kept to avoid one allocation per value
};

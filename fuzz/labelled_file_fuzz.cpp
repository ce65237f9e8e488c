// The labelled text file under the network file and the ".dst" description. The file is
// indexed once; every top-level label must then be found and give the word that follows it
// in the text, which a plain scan of the words tells independently. Labels inside sections
// are entered and read as every value type, which must fail only as bad values.
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "ltfc/labelled_file.h"

namespace {

bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

std::vector<std::string> Words(const std::string& text) {
    std::vector<std::string> words;
    size_t at = 0;
    while (at < text.size()) {
        while (at < text.size() && IsSpace(text[at])) ++at;
        const size_t start = at;
        while (at < text.size() && !IsSpace(text[at])) ++at;
        if (at > start) words.push_back(text.substr(start, at - start));
    }
    return words;
}

struct TopLabel {
    std::string name;
    bool hasNext;
    std::string next;
};

// Labels outside every section, with the word after each; section and label names met on
// the way.
struct Scanned {
    std::vector<TopLabel> top;
    std::vector<std::string> sections;
    std::vector<std::string> labels;
};

Scanned Scan(const std::vector<std::string>& words) {
    Scanned s;
    long depth = 0;
    for (size_t i = 0; i < words.size(); ++i) {
        const std::string& w = words[i];
        if (w.size() < 2 || w[0] != '@') continue;
        // The reader's interface names labels and sections by C strings, which cannot hold
        // a NUL: such names still count for the nesting but are not asked for.
        const bool nameable = w.find('\0') == std::string::npos;
        if (w[1] == '<') {
            if (w.size() < 3) continue;
            const std::string name = w.substr(2);
            depth += 1 + std::count(name.begin(), name.end(), '@');
            if (nameable) s.sections.push_back(name);
        } else if (w[1] == '>') {
            --depth;
        } else if (nameable) {
            s.labels.push_back(w.substr(1));
            if (depth != 0 || w.find('@', 1) != std::string::npos) continue;
            const bool hasNext = i + 1 < words.size();
            s.top.push_back({w.substr(1), hasNext, hasNext ? words[i + 1] : std::string()});
        }
    }
    return s;
}

// Sections times labels grows with the square of the input; a few of each find the same paths.
constexpr size_t kInSectionReads = 16;

template <class T>
void ReadAs(mfstream& in, const char* label) {
    T value{};
    try {
        in.ReadValueIfLabel(label, value);
    } catch (const mfstream::badvalue&) {
    }
}

void ReadEveryType(mfstream& in, const std::string& label) {
    ReadAs<int>(in, label.c_str());
    ReadAs<float>(in, label.c_str());
    ReadAs<double>(in, label.c_str());
    ReadAs<bool>(in, label.c_str());
    ReadAs<std::string>(in, label.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text = InputBytes(data, size);
    TempFile input(text);
    const Scanned scanned = Scan(Words(text));
    ReadsOrFailsByDesign([&] {
        mfstream in(input.Path());
        for (const TopLabel& label : scanned.top) {
            Require(in.IsLabel(label.name.c_str()), "a top-level label is indexed");
            std::string value;
            try {
                in.ReadValue(label.name.c_str(), value);
                Require(label.hasNext && value == label.next, "the word after a label");
            } catch (const mfstream::badvalue&) {
                Require(!label.hasNext, "a label followed by a word reads it");
            }
            ReadEveryType(in, label.name);
        }
        for (size_t i = 0; i < scanned.sections.size() && i < kInSectionReads; ++i) {
            in.EnterLabel(scanned.sections[i]);
            for (size_t j = 0; j < scanned.labels.size() && j < kInSectionReads; ++j) {
                ReadEveryType(in, scanned.labels[j]);
            }
            const std::string& name = scanned.sections[i];
            for (long parts = 1 + std::count(name.begin(), name.end(), '@'); parts > 0; --parts) in.LeaveLabel();
        }
        Require(!in.IsLabel("@never a label"), "an absent label");
    });
    return 0;
}

// Importing a text data file with an output file: a column of distinct identifiers makes
// every value a new text, so the import must stay linear in the number of lines (the time
// about doubles from 100,000 to 200,000 lines) and its memory grow with the distinct texts.
#include <cstdio>
#include <string>
#include <unistd.h>

#include "bench/bench_util.h"
#include "core/dictio_set.h"
#include "core/file_io.h"
#include "core/random.h"

namespace {

// 20 columns: an identifier, nine of words, five of integers and five of one-decimal reals.
std::string WordFile(int lines) {
    std::string text = "[id]";
    for (int c = 1; c < 20; ++c) text += " [c" + std::to_string(c) + "]";
    text += '\n';
    for (int l = 0; l < lines; ++l) {
        text += "id" + std::to_string(l);
        for (int c = 1; c < 20; ++c) {
            text += ' ';
            if (c < 10) {
                text += "w" + std::to_string(Rand() % 40);
            } else if (c < 15) {
                AppendInt(text, Rand() % 1000);
            } else {
                AppendInt(text, Rand() % 500);
                text += '.';
                AppendInt(text, Rand() % 10);
            }
        }
        text += '\n';
    }
    return text;
}

}  // namespace

int main() {
    std::string dir = "/tmp/varnel_bench_dictio_XXXXXX";
    if (mkdtemp(dir.data()) == nullptr) return 1;
    const std::string in = dir + "/words";
    const std::string out = dir + "/coded";
    const std::string dict = dir + "/dict";
    SeedRand(1);
    for (int lines : {100000, 200000}) {
        if (!WriteWholeFile(in.c_str(), WordFile(lines))) return 1;
        for (int mode : {0, 2}) {
            TDictioSet set;
            BenchTimer t;
            set.ImportData(in.c_str(), mode, out.c_str());
            BenchReport("ImportData " + std::to_string(lines) + " x 20, mode " + std::to_string(mode),
                        t.Seconds(), std::to_string(set.GetCount(0)) + " identifiers");
            if (mode != 0) continue;
            BenchTimer s;
            set.Save(dict.c_str());
            BenchReport("Save of that dictionary", s.Seconds());
            BenchTimer l;
            set.Load(dict.c_str());
            BenchReport("Load of that dictionary", l.Seconds());
        }
    }
    std::remove(in.c_str());
    std::remove(out.c_str());
    std::remove(dict.c_str());
    rmdir(dir.c_str());
    return 0;
}

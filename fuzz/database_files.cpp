#include "fuzz/database_files.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "fuzz/fuzz_support.h"
#include "ltfc/controller.h"
#include "ltfc/dataset.h"
#include "ltfc/exceptions.h"

const char kTwoInputDatabase[] =
    "@FileType data\n@DataType classification\n@NumInputs 2\n@NumClasses 2\n@NumDatasets 1\n"
    "@<Dataset0\n@NumSamples 3\n@Data\n0 0 0\n1 0.5 1\n3 3 1\n@>\n";

DatabaseContents ContentsOf(CDatabase& database) {
    DatabaseContents c;
    std::vector<int> counts;
    database.GetSampleCounts(counts);
    if (counts.empty() || counts[0] == 0) return c;
    const CProblemType type = database.GetProblemType();
    c.inputs = type.inputs;
    c.classes = type.outputs;
    for (size_t set = 0; set < counts.size(); ++set) {
        c.inputsOf.emplace_back();
        c.classOf.emplace_back();
        for (int i = 0; i < counts[set]; ++i) {
            float* inputs = nullptr;
            int cls = 0;
            database.GetSample(static_cast<int>(set), i, inputs, cls);
            c.inputsOf.back().emplace_back(inputs, inputs + c.inputs);
            c.classOf.back().push_back(cls);
        }
    }
    return c;
}

bool LoadContents(CLtfcController& controller, const char* file, DatabaseContents& contents) {
    return ReadsOrFailsByDesign([&] {
        controller.LoadDatabase(file);
        contents = ContentsOf(*controller.GetDatabase());
    });
}

namespace {

void AppendFloat(std::string& out, float v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", static_cast<double>(v));
    out += text;
}

void AppendInt32(std::string& out, std::int32_t v) {
    std::uint32_t u;
    std::memcpy(&u, &v, 4);
    for (int shift = 0; shift < 32; shift += 8) out += static_cast<char>((u >> shift) & 0xFF);
}

}  // namespace

std::string DstText(const DatabaseContents& c) {
    std::string out = "@FileType data\n@DataType classification\n";
    out += "@NumInputs " + std::to_string(c.inputs) + "\n@NumClasses " + std::to_string(c.classes) +
           "\n@NumDatasets " + std::to_string(c.inputsOf.size()) + "\n";
    for (size_t set = 0; set < c.inputsOf.size(); ++set) {
        out += "@<Dataset" + std::to_string(set) + "\n@NumSamples " + std::to_string(c.inputsOf[set].size()) +
               "\n@Data\n";
        for (size_t i = 0; i < c.inputsOf[set].size(); ++i) {
            for (float v : c.inputsOf[set][i]) {
                AppendFloat(out, v);
                out += ' ';
            }
            out += std::to_string(c.classOf[set][i]) + "\n";
        }
        out += "@>\n";
    }
    return out;
}

std::string DatBytes(const DatabaseContents& c) {
    std::string out;
    for (size_t set = 0; set < c.inputsOf.size(); ++set) {
        AppendInt32(out, static_cast<std::int32_t>(c.inputsOf[set].size()));
        AppendInt32(out, 0);
        AppendInt32(out, 0);
        for (size_t i = 0; i < c.inputsOf[set].size(); ++i) {
            AppendInt32(out, c.inputs);
            AppendInt32(out, c.classOf[set][i]);
            for (float v : c.inputsOf[set][i]) {
                std::int32_t bits;
                std::memcpy(&bits, &v, 4);
                AppendInt32(out, bits);
            }
        }
    }
    return out;
}

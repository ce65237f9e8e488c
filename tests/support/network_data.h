#pragma once

#include <bit>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// The data files of the network commands, written for tests: a ".dst" description and the
// binary ".dat" of two data sets.
struct NetSample {
    std::vector<float> inputs;
    int cls;
};

inline std::string ExactFloat(float v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.9g", static_cast<double>(v));
    return buf;
}

inline std::string DstText(int inputs, int classes, const std::vector<std::vector<NetSample>>& sets) {
    std::string t = "$ data for a test\n@FileType data\n@DataType classification\n@NumInputs " +
                    std::to_string(inputs) + "\n@NumClasses " + std::to_string(classes) +
                    "\n@NumDatasets " + std::to_string(sets.size()) + "\n";
    for (size_t d = 0; d < sets.size(); ++d) {
        t += "@<Dataset" + std::to_string(d) + "\n@NumSamples " + std::to_string(sets[d].size()) +
             "\n@Data\n";
        for (const NetSample& s : sets[d]) {
            for (float v : s.inputs) t += ExactFloat(v) + " ";
            t += std::to_string(s.cls) + "\n";
        }
        t += "@>\n";
    }
    return t;
}

inline void AppendInt32(std::string& out, std::int32_t v) {
    const auto u = static_cast<std::uint32_t>(v);
    for (int s = 0; s < 32; s += 8) out.push_back(static_cast<char>((u >> s) & 0xFF));
}

inline std::string DatBytes(const std::vector<NetSample>& first, const std::vector<NetSample>& second) {
    std::string out;
    for (const auto* set : {&first, &second}) {
        AppendInt32(out, static_cast<std::int32_t>(set->size()));
        AppendInt32(out, 0);
        AppendInt32(out, 0);
        for (const NetSample& s : *set) {
            AppendInt32(out, static_cast<std::int32_t>(s.inputs.size()));
            AppendInt32(out, s.cls);
            for (float v : s.inputs) AppendInt32(out, std::bit_cast<std::int32_t>(v));
        }
    }
    return out;
}

// The binary training database: a name, the two block widths, a flag byte with its extra
// word, then per class its rows (widthA + widthB floats each).
struct BinaryDbContent {
    std::string name = "training";
    std::int32_t widthA = 1;
    std::int32_t widthB = 1;
    unsigned char flag = 0;
    std::int32_t extra = 0;
    std::vector<std::vector<std::vector<float>>> classes;  // rows of each class
};

inline std::string BinaryDbBytes(const BinaryDbContent& db) {
    std::string out;
    AppendInt32(out, 0);
    AppendInt32(out, static_cast<std::int32_t>(db.name.size()));
    out += db.name;
    out.push_back('\0');
    AppendInt32(out, 0);
    AppendInt32(out, db.widthA);
    AppendInt32(out, db.widthB);
    AppendInt32(out, static_cast<std::int32_t>(db.classes.size()));
    out.push_back(static_cast<char>(db.flag));
    if (db.flag != 0) AppendInt32(out, db.extra);
    for (const auto& rows : db.classes) {
        AppendInt32(out, static_cast<std::int32_t>(rows.size()));
        for (const auto& row : rows) {
            for (float v : row) AppendInt32(out, std::bit_cast<std::int32_t>(v));
        }
    }
    return out;
}

#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/data_table.h"
#include "core/error.h"
#include "discretization/templates/float_templates.h"
#include "tests/support/test_files.h"
#include "tests/support/thrown_error.h"

using FloatRows = std::vector<std::vector<float>>;

// The table file text of rows whose last value is the decision.
inline std::string DataTableText(const FloatRows& rows) {
    const size_t columns = rows.empty() ? 1 : rows[0].size();
    std::string text = std::to_string(rows.size()) + " " + std::to_string(columns) + "\n";
    char word[32];
    for (const auto& r : rows) {
        for (const float v : r) {
            std::snprintf(word, sizeof word, "%.9g ", static_cast<double>(v));
            text += word;
        }
        text += "\n";
    }
    return text;
}

// Small tables full of ties: each attribute takes a few values on a coarse grid, the
// decision one of `decisions` values.
inline FloatRows TieRows(std::mt19937& gen, int objects, int attributes, int decisions) {
    FloatRows rows(static_cast<size_t>(objects));
    for (auto& r : rows) {
        for (int a = 0; a < attributes; ++a) r.push_back(static_cast<float>(gen() % (2 + a % 4)) * 0.5f);
        r.push_back(static_cast<float>(gen() % static_cast<unsigned>(decisions)));
    }
    return rows;
}

// Standard output of a call, with its result.
template <class F>
auto WithStdout(F f, std::string& out) {
    testing::internal::CaptureStdout();
    try {
        auto result = f();
        out = testing::internal::GetCapturedStdout();
        return result;
    } catch (...) {
        out = testing::internal::GetCapturedStdout();
        throw;
    }
}

// The Error a call throws, with what it wrote on standard output.
struct Failure {
    int code = 0;
    std::string message;
    std::string out;
};

inline Failure FailureOf(const std::function<void()>& f) {
    std::string out;
    const Error e = WithStdout([&] { return ThrownError(f); }, out);
    return {e.GetCode(), e.GetMessage(), out};
}

// A real-valued table from its file (and a types file), its loading lines kept off the
// test's output.
inline std::unique_ptr<TDataTable> LoadFile(const std::string& data, const std::string& types = "") {
    std::string out;
    return WithStdout([&] {
        return types.empty() ? std::make_unique<TDataTable>(data.c_str())
                             : std::make_unique<TDataTable>(data.c_str(), types.c_str());
    }, out);
}

// A real-valued table from rows (types: the types file's ints, none when empty).
inline std::unique_ptr<TDataTable> LoadRows(const FloatRows& rows, const std::vector<int>& types = {}) {
    ScratchDir dir;
    WriteFileBytes(dir.File("t.tab"), DataTableText(rows));
    std::string typesText = std::to_string(types.size());
    for (const int t : types) typesText += " " + std::to_string(t);
    WriteFileBytes(dir.File("t.types"), typesText + "\n");
    return LoadFile(dir.File("t.tab"), types.empty() ? "" : dir.File("t.types"));
}

// A set as text that compares by content: levels, counts, decision, accuracy and every
// descriptor with its level and objects value.
inline std::string Describe(const TFTemplSet& s) {
    std::string text = std::to_string(s.GetBestLevel()) + "/" + std::to_string(s.GetLevel()) + "/" +
                       std::to_string(s.GetNoObj()) + "/" + std::to_string(s.GetDescriptorCount()) + "/" +
                       std::to_string(s.GetAccuracy()) + ":";
    s.PrintAll(text);
    for (int i = 0; i < s.GetNoDescriptors(); ++i) {
        const TFDescriptor& d = s.GetDescriptor(i);
        text += std::to_string(d.GetLevel()) + "," + std::to_string(d.GetObjects()) + ";";
    }
    return text;
}

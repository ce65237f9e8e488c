// Runs the program once per case folder under tests/data/e2e:
//   args             one argument per line (absent: the single argument "config";
//                    empty: no argument)
//   fixed_clock      when present, the build with a fixed clock runs, at the second it holds
//   input/           copied into a fresh folder that becomes the working folder
//   expected/stdout  exact bytes of standard output
//   expected/exit    the exit code
//   expected/files/  exact bytes of files in the working folder afterwards
//   absent           names of files that must not exist afterwards, one per line
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "tests/e2e/process_runner.h"
#include "tests/support/fixed_clock.h"
#include "tests/support/test_files.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::string> CaseNames() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(E2eCasesDir())) {
        if (entry.is_directory()) names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

class CaseFolder : public ::testing::TestWithParam<std::string> {};

TEST_P(CaseFolder, MatchesExpectedOutput) {
    const fs::path dir = fs::path(E2eCasesDir()) / GetParam();
    ScratchDir work;
    if (fs::exists(dir / "input")) {
        fs::copy(dir / "input", work.Path(), fs::copy_options::recursive);
    }
    std::vector<std::string> args{"config"};
    if (fs::exists(dir / "args")) args = TextLines(ReadFileBytes((dir / "args").string()));

    RunOptions options;
    options.workDir = work.Path();
    std::string exe = VarnelBinary();
    if (fs::exists(dir / "fixed_clock")) {
        exe = FixedClockBinary();
        std::string second = ReadFileBytes((dir / "fixed_clock").string());
        while (!second.empty() && std::isspace(static_cast<unsigned char>(second.back()))) {
            second.pop_back();
        }
        options.env.emplace_back(kFixedClockVariable, second);
    }
    RunResult run = RunProgram(exe, args, options);

    ASSERT_FALSE(run.timedOut) << "hung; stdout so far:\n" << run.out;
    ASSERT_FALSE(run.signaled) << "crashed with signal " << run.signal << "\nstderr:\n" << run.err;
    EXPECT_EQ(run.out, ReadFileBytes((dir / "expected" / "stdout").string()));
    EXPECT_EQ(run.exitCode, std::stoi(ReadFileBytes((dir / "expected" / "exit").string())))
        << "stderr:\n" << run.err;

    const fs::path files = dir / "expected" / "files";
    if (fs::exists(files)) {
        for (const auto& entry : fs::recursive_directory_iterator(files)) {
            if (!entry.is_regular_file()) continue;
            const fs::path rel = fs::relative(entry.path(), files);
            const fs::path actual = fs::path(work.Path()) / rel;
            ASSERT_TRUE(fs::exists(actual)) << rel << " was not written";
            EXPECT_EQ(ReadFileBytes(actual.string()), ReadFileBytes(entry.path().string()))
                << "contents of " << rel;
        }
    }
    if (fs::exists(dir / "absent")) {
        for (const std::string& name : TextLines(ReadFileBytes((dir / "absent").string()))) {
            if (name.empty()) continue;
            EXPECT_FALSE(fs::exists(fs::path(work.Path()) / name)) << name << " exists";
        }
    }
    if (HasFailure()) work.Keep();
}

std::string CaseTestName(const ::testing::TestParamInfo<std::string>& info) {
    std::string name = info.param;
    for (char& c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    }
    return name;
}

INSTANTIATE_TEST_SUITE_P(E2e, CaseFolder, ::testing::ValuesIn(CaseNames()), CaseTestName);

}  // namespace

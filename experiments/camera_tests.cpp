// Experiments on a satellite table whose first 36 condition attributes come from four
// cameras, nine each: the lazy classifier on each camera alone, and the four cameras voting.
#include <algorithm>
#include <string>
#include <vector>

#include "core/decision_values.h"
#include "core/error.h"
#include "core/int_sack.h"
#include "core/random.h"
#include "core/report.h"
#include "core/table.h"
#include "core/weighted_sack.h"
#include "experiments/lazy_classifier.h"
#include "experiments/lazy_support.h"

namespace {

constexpr int kCameras = 4;
constexpr int kCameraAttributes = 9;
constexpr const char* kTrainName = "sat_trn.tab";
constexpr const char* kTestName = "sat_tst.tab";
// How many confusions each camera lists.
constexpr int kListedConfusions = 40;

struct CameraTables {
    TTable train[kCameras];
    TTable test[kCameras];
};

// Columns 0-8: the camera's attributes 9c .. 9c + 8 of the source; column 9: its decision.
void BuildCameraTable(const TTable& source, int c, TTable& camera) {
    // The decision must follow the 36 camera attributes.
    if (source.GetNoObj() > 0 && source.GetNoAttr() < kCameras * kCameraAttributes + 1) {
        LogMessage("Too few attributes for four cameras");
        throw CalcError(5);
    }
    camera.CreateTable(source.GetNoObj(), kCameraAttributes + 1);
    for (int o = 0; o < source.GetNoObj(); ++o) {
        for (int a = 0; a < kCameraAttributes; ++a) camera.SetTable(o, a, source.Value(o, kCameraAttributes * c + a));
        camera.SetTable(o, kCameraAttributes, DecisionOf(source, o));
    }
}

void LoadTables(TTable& train, TTable& test, CameraTables& cameras) {
    train.Load(kTrainName);
    test.Load(kTestName);
    for (int c = 0; c < kCameras; ++c) {
        BuildCameraTable(train, c, cameras.train[c]);
        BuildCameraTable(test, c, cameras.test[c]);
    }
}

// The digits of a decision code, the lowest first: the decisions it fuses.
std::vector<int> Digits(int code) {
    std::vector<int> digits;
    do {
        digits.push_back(code % 10);
        code /= 10;
    } while (code != 0);
    return digits;
}

}  // namespace

void TLazyClassifier::MergeDecisions(TTable& table, const TIntSack& decisions) {
    // A code beyond the int range cannot be stored as a decision.
    int code = 0;
    int power = 1;
    for (int i = 0; i < decisions.GetNoElem(); ++i) {
        int term = 0;
        if (__builtin_mul_overflow(decisions[i], power, &term) || __builtin_add_overflow(code, term, &code)) {
            throw CalcError(5);
        }
        if (i + 1 < decisions.GetNoElem() && __builtin_mul_overflow(power, 10, &power)) throw CalcError(5);
    }
    const int last = table.GetNoAttr() - 1;
    for (int o = 0; o < table.GetNoObj(); ++o) {
        if (decisions.IsIn(table.Value(o, last))) table.SetTable(o, last, code);
    }
}

void TLazyClassifier::CameraTest() {
    TTable train;
    TTable test;
    CameraTables cameras;
    LoadTables(train, test, cameras);
    TDValInfo info;
    info.CalcFromTable(train);
    for (int c = 0; c < kCameras; ++c) {
        TWIntSack errors;
        QuickExamplesTest(cameras.train[c], info, cameras.test[c], 2, 1.0, &errors);
        errors.CalcFWeights(info);
        errors.Sort();
        std::string text = "KAMERA " + std::to_string(c) + "\n";
        for (int i = 0; i < std::min(kListedConfusions, errors.GetSize()); ++i) {
            const int code = errors.GetElem(i);
            text += std::to_string(code / 10) + " " + std::to_string(code % 10) + "  " +
                    std::to_string(errors.GetWeight(i)) + "  " + StreamReal(errors.GetFWeight(i)) + "\n";
        }
        WriteStdout(text);
    }
}

void TLazyClassifier::CameraVoteTest() {
    // A real parameter of the vote that nothing changes: the header shows it at 0.
    const double alpha = 0.0;
    WriteStdout("M_ALFA=" + StreamReal(alpha) + "\n");
    TTable train;
    TTable test;
    CameraTables cameras;
    LoadTables(train, test, cameras);
    TIntSack fused;
    fused.AddElem(4);
    fused.AddElem(7);
    TDValInfo infos[kCameras];
    for (int c = 0; c < kCameras; ++c) {
        MergeDecisions(cameras.train[c], fused);
        infos[c].CalcFromTable(cameras.train[c]);
    }
    TLazyPositions work;
    // A digit of a camera's answer need not be a decision of training (the digits of 11 or
    // of 10): only the decisions the training table holds can be answered right.
    const THeldDecisions held(train);
    long long correct = 0;
    long long unrecognized = 0;
    for (int k = 0; k < test.GetNoObj(); ++k) {
        if (k % 50 == 0) WriteStdout(std::to_string(k) + " ");
        TWIntSack votes(6);
        for (int c = 0; c < kCameras; ++c) {
            int confidence = 0;
            const int answer = ClassifyObject(cameras.train[c], infos[c], cameras.test[c], k, 2, 1.0, 1, work, confidence);
            if (answer == NoDecision) continue;
            const std::vector<int> digits = Digits(answer);
            for (int digit : digits) votes.Add(digit, confidence / static_cast<int>(digits.size()));
        }
        if (votes.GetSize() == 0) {
            ++unrecognized;
            continue;
        }
        int top = votes.GetWeight(0);
        for (int i = 1; i < votes.GetSize(); ++i) top = std::max(top, votes.GetWeight(i));
        std::vector<int> tied;
        for (int i = 0; i < votes.GetSize(); ++i) {
            if (votes.GetWeight(i) == top) tied.push_back(votes.GetElem(i));
        }
        const int answer = tied[static_cast<std::size_t>(RandomInt(static_cast<int>(tied.size())))];
        if (answer == DecisionOf(test, k) && held.Holds(answer)) ++correct;
    }
    const long long n = test.GetNoObj();
    std::string text = "\nWYNIK DLA WSZYSTKICH: " + StreamReal(Share(correct, n)) + "\nNOT_REC=" +
                       StreamReal(Share(unrecognized, n)) + "\n";
    if (n - unrecognized > 0) text += "WYNIK DLA ROZPOZNANYCH=" + StreamReal(Share(correct, n - unrecognized)) + "\n";
    WriteStdout(text);
}

#include "experiments/rule_classifier.h"

#include <algorithm>
#include <string>

#include "core/alloc_guard.h"
#include "core/decision_values.h"
#include "core/report.h"
#include "core/table.h"
#include "rough/reducts/red_memory.h"
#include "rough/rules/rul_memory.h"

namespace {

std::unique_ptr<TRulMemory> NewMemory() {
    return OrOutOfMemory([] { return std::make_unique<TRulMemory>(); });
}

// The old set goes before the new one is built, as a set being regenerated is never read.
void Generate(std::unique_ptr<TRulMemory>& slot, TTable& table, bool allRules, int reductLimit, int speedLevel,
              bool setGenetic) {
    QuietModeGuard quiet;
    slot.reset();
    slot = NewMemory();
    if (allRules) {
        slot->CalculateAllRules(&table, 0);
        return;
    }
    if (setGenetic) {
        slot->SetReductLimit(reductLimit);
        slot->SetSpeedLevel(speedLevel);
    }
    slot->CalculateGeneticRules(&table);
}

bool AllRulesType(const char* type) { return type != nullptr && type[0] == 'A'; }

}  // namespace

TRuleClassifier::TRuleClassifier() = default;

TRuleClassifier::~TRuleClassifier() = default;

void TRuleClassifier::GenerateRules(TTable& table, const char* type) {
    Generate(rules, table, AllRulesType(type), 0, 0, false);
}

void TRuleClassifier::GenerateRulesEx(TTable& table, int genetic, int reductLimit, int speedLevel) {
    Generate(rules, table, genetic == 0, reductLimit, speedLevel, true);
}

void TRuleClassifier::GenerateSecondRules(TTable& table, const char* type) {
    Generate(second, table, AllRulesType(type), 0, 0, false);
}

void TRuleClassifier::RemapSecondRules(const TRed& map) {
    if (second) second->RemapAttributes(map);
}

void TRuleClassifier::MoveSecondRules(int decisionAttr) {
    QuietModeGuard quiet;
    EnsureRules();
    if (second) second->MoveRules(second->GetRoot(), *rules);
    rules->SetDecisionAttr(decisionAttr);
}

void TRuleClassifier::EnsureRules() {
    if (!rules) rules = NewMemory();
}

void TRuleClassifier::SetRules(std::unique_ptr<TRulMemory> set) { rules = std::move(set); }

void TRuleClassifier::AttachRules(TRulMemory* set) {
    if (set == rules.get()) return;
    // A set attached before and replaced since comes back from the retired ones, so that it
    // is owned once.
    auto again = std::find_if(retired.begin(), retired.end(), [&](const auto& r) { return r.get() == set; });
    std::unique_ptr<TRulMemory> taken;
    if (again != retired.end()) {
        taken = std::move(*again);
        retired.erase(again);
    } else {
        taken.reset(set);
    }
    if (rules) OrOutOfMemory([&] { retired.push_back(std::move(rules)); });
    rules = std::move(taken);
}

void TRuleClassifier::CalcRulesInfo(TTable& table, int method, int classIndex) {
    int mode = 0;
    if (classIndex != -1) {
        mode = 2;
    } else if (method >= 0 && method <= 2) {
        mode = 0;
    } else if (method == 3 || method == 4) {
        mode = 1;
    } else if (method == 7 || method == 8) {
        mode = 2;
    } else {
        WriteStdoutLine("NIEZAIMPLEMENTOWANO!!!!!!");
        return;
    }
    if (rules) rules->CalcRulesInfo(&table, mode);
}

const TRulMemory& TRuleClassifier::RulesOrEmpty() {
    if (rules) return *rules;
    if (!empty) empty = NewMemory();
    return *empty;
}

int TRuleClassifier::ClassifyObject(TDValInfo& info, int method, const TTable& table, int object) {
    int predicted = TRulMemory::NotSet;
    return RulesOrEmpty().ClassifyObject(info, method, table, object, predicted);
}

double TRuleClassifier::ClassifyTable(TDValInfo& info, int method, const TTable& table, int& errors, int kind,
                                      const double* thresholds) {
    RulesOrEmpty().ClassifyTable(info, method, table, errors, kind, thresholds);
    return 1.0 - info.GetAccuracy();
}

void TRuleClassifier::CalcClassThresholds(const TDValInfo& info, int k, const TTable& t, int method, int steps,
                                          double& sensitivity, double& specificity, double& accuracy,
                                          double& area) {
    RulesOrEmpty().CalcClassThresholds(info, k, t, method, steps, sensitivity, specificity, accuracy, area);
}

// Shortening with alfa outside (0, 1] would leave the target empty and so lose every rule;
// such an alfa asks for no shortening.
void TRuleClassifier::ShortenRules(const TTable& table, float alfa) {
    if (!(alfa > 0.0f && alfa <= 1.0f)) return;
    QuietModeGuard quiet;
    second.reset();
    second = NewMemory();
    if (rules) rules->ShortenRules(table, alfa, *second);
    rules = std::move(second);
}

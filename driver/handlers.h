#pragma once

#include "core/string_sack.h"

// The nine command handlers. Each reads all its parameters by position first, then runs
// through RunCommand; it returns only after success.
void DoCalculateAllReducts(const TStringSack& config);
void DoCalculateAllRules(const TStringSack& config);
void DoCalculateGeneticReducts(const TStringSack& config);
void DoCalculateGeneticRules(const TStringSack& config);
void DoCalculateQuickRules(const TStringSack& config);
void DoScaleTable(const TStringSack& config);
void DoGenerateDirections(const TStringSack& config);
void DoCreateLTFC(const TStringSack& config);
void DoTestTableLTFC(const TStringSack& config);

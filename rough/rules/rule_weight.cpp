#include "rough/rules/rule_weight.h"

#include <cmath>

double PowerTwoRuleWeight(const std::vector<int>& separating, int contradicting) {
    double product = 1.0;
    for (int f : separating) product *= 1.0 - std::ldexp(1.0, -f);
    return std::ldexp(product, -contradicting);
}

#include "discretization/directions/lin_comb.h"

#include <algorithm>
#include <cassert>
#include <climits>
#include <initializer_list>
#include <cmath>
#include <numeric>

#include "core/error.h"
#include "core/middle_pivot_sort.h"

namespace {

constexpr double kRadiansPerDegree = 0.01745329251994278;
constexpr double kAxisTolerance = 0.0001;
constexpr double kEqualTolerance = 0.00001;
constexpr double kMergeThreshold = 0.9;

long long Square(long long x) { return x * x; }

}  // namespace

// ---------------------------------------------------------------------------------------
// TClassDistr

TClassDistr::TClassDistr(const TDTable& table, int decAttr) : decAttr(decAttr) {
    const int objects = table.GetObjCount();
    std::vector<int> decisions(static_cast<size_t>(objects));
    for (int o = 0; o < objects; ++o) {
        const int d = table.Get(o, decAttr);
        if (d < 0) throw CalcError(10);  // the missing value is negative too
        decisions[static_cast<size_t>(o)] = d;
    }
    std::sort(decisions.begin(), decisions.end());
    for (size_t i = 0; i < decisions.size(); ++i) {
        if (values.empty() || values.back() != decisions[i]) {
            values.push_back(decisions[i]);
            counts.push_back(0);
        }
        ++counts.back();
    }
}

int TClassDistr::GetSlotValue(int k) const {
    assert(k>=0 && k<GetSlotCount());
    return values[static_cast<size_t>(k)];
}

int TClassDistr::GetSlotObjects(int k) const {
    assert(k>=0 && k<GetSlotCount());
    return counts[static_cast<size_t>(k)];
}

int TClassDistr::SlotOf(int value) const {
    auto it = std::lower_bound(values.begin(), values.end(), value);
    if (it == values.end() || *it != value) throw CalcError(10);
    return static_cast<int>(it - values.begin());
}

// ---------------------------------------------------------------------------------------
// TProjection

TProjection::TProjection(int measureType) : measureType(measureType) {}

void TProjection::Compute(const TDTable& table) {
    const int objects = table.GetObjCount();
    const int columns = table.GetAttrCount();
    projections.resize(static_cast<size_t>(objects));
    for (int o = 0; o < objects; ++o) {
        projections[static_cast<size_t>(o)] = GetValue(table.GetRow(o), columns);
    }
    projectionCount = objects;
}

void TProjection::ForgetProjections() { projectionCount = 0; }

// A scale can be huge or infinite (a zero smallest gap), so the product is clamped to the
// int range instead of being converted out of range.
int TProjection::GetIntValue(const int* row, int columns) const {
    const double value = std::trunc(GetValue(row, columns) * scale);
    if (std::isnan(value)) return 0;
    if (value <= static_cast<double>(INT_MIN)) return INT_MIN;
    if (value >= static_cast<double>(INT_MAX)) return INT_MAX;
    return static_cast<int>(value);
}

void TProjection::FillColumn(const TDTable& source, TDTable& target, int column) const {
    const int columns = source.GetAttrCount();
    for (int o = 0; o < target.GetObjCount(); ++o) {
        target.Set(o, column, GetIntValue(source.GetRow(o), columns));
    }
}

// Quicksort with the middle element as pivot. The order of equal projections is whatever
// these partitions leave, and the run and merge measures depend on it, so no other sort may
// stand in. Pending ranges wait on an explicit stack (smaller range on top, so it stays
// logarithmic); the ranges are disjoint, so the order they are done in changes nothing.
int TProjection::SortObjects(const TDTable& table, int* permutation) {
    const int objects = table.GetObjCount();
    std::vector<double> computed;
    const double* key = projections.data();
    if (projectionCount != objects) {
        computed.resize(static_cast<size_t>(objects));
        for (int o = 0; o < objects; ++o) {
            computed[static_cast<size_t>(o)] = GetValue(table.GetRow(o), table.GetAttrCount());
        }
        key = computed.data();
    }
    const bool exchanged = MiddlePivotQuickSort(
        permutation, 0, objects - 1, [key](int x, int y) { return key[x] < key[y]; }, pending);
    return exchanged ? 1 : 0;
}

double TProjection::Purity(const double* counts, int n, int& cls, double threshold) {
    double total = 0.0;
    double largest = 0.0;
    cls = -1;
    for (int k = 0; k < n; ++k) {
        total += counts[k];
        if (counts[k] > largest) {
            largest = counts[k];
            cls = k;
        }
    }
    if (total == 0.0) {
        cls = -1;
        return 0.0;
    }
    const double share = largest / total;
    if (share == 0.0 || share < threshold) {
        cls = -1;
        return 0.0;
    }
    return share;
}

void TProjection::SetScale(double minGap) { scale = std::trunc(1.0 / minGap + 1.0); }

// Every evaluation starts from the identity permutation, never from the last order: equal
// projections must come out of the sort the same way whatever was evaluated before.
double TProjection::Quality(const TDTable& table, const TClassDistr& classDistr) {
    Compute(table);
    const int objects = projectionCount;
    order.resize(static_cast<size_t>(objects));
    std::iota(order.begin(), order.end(), 0);
    SortObjects(table, order.data());

    const int dec = classDistr.GetDecAttr();
    sortedValues.resize(static_cast<size_t>(objects));
    sortedSlots.resize(static_cast<size_t>(objects));
    double maxAbs = 0.0;
    for (int i = 0; i < objects; ++i) {
        const int o = order[static_cast<size_t>(i)];
        const double v = projections[static_cast<size_t>(o)];
        sortedValues[static_cast<size_t>(i)] = v;
        sortedSlots[static_cast<size_t>(i)] = classDistr.SlotOf(table.Get(o, dec));
        maxAbs = std::max(maxAbs, std::fabs(v));
    }
    epsilon = maxAbs / 1000000000;
    ForgetProjections();

    // One object separates nothing (and the merge penalty would divide by zero); with every
    // projection 0 the logarithm terms would be infinite and a direction that separates
    // nothing would win. Both judge 0.
    if (objects <= 1 || (epsilon == 0.0 && measureType != 1)) {
        SetScale(1.0);
        return 0.0;
    }
    switch (measureType) {
        case 1: return QualityGap(classDistr);
        case 3: return QualityMerge(classDistr.GetSlotCount());
        default: return QualityRuns();
    }
}

// The mean number of pairs of objects with different decisions that a cut drawn uniformly
// over the projected range puts on opposite sides.
double TProjection::QualityGap(const TClassDistr& classDistr) {
    const int n = static_cast<int>(sortedValues.size());
    const int slots = classDistr.GetSlotCount();
    remaining.resize(static_cast<size_t>(slots));
    long long objects = 0;
    for (int k = 0; k < slots; ++k) {
        remaining[static_cast<size_t>(k)] = classDistr.GetSlotObjects(k);
        objects += classDistr.GetSlotObjects(k);
    }
    long long remainingTotal = objects;
    double minGap = 1.0;
    long long prev = 0;
    double total = 0.0;
    for (int i = 0; i + 1 < n; ++i) {
        const double gap = std::fabs(sortedValues[static_cast<size_t>(i) + 1] -
                                     sortedValues[static_cast<size_t>(i)]);
        const int c = sortedSlots[static_cast<size_t>(i)];
        if (c != sortedSlots[static_cast<size_t>(i) + 1] && gap > 0 && gap < minGap) minGap = gap;
        // The sum over the other classes of (not yet passed - passed), taken as the sum over
        // all classes less the term of class c.
        const long long rc = remaining[static_cast<size_t>(c)];
        const long long s = prev + (2 * remainingTotal - objects) -
                            (2 * rc - classDistr.GetSlotObjects(c));
        --remaining[static_cast<size_t>(c)];
        --remainingTotal;
        total += static_cast<double>(s) * gap;
        prev = s;
    }
    SetScale(minGap);
    const double range = std::fabs(sortedValues.back() - sortedValues.front());
    return range > 0 ? total / range : 0.0;
}

// Squared sizes of the runs of one decision, weighted by how wide the narrowest boundary
// between them is.
double TProjection::QualityRuns() {
    const int n = static_cast<int>(sortedValues.size());
    long long sumSq = 0;
    bool pure = true;
    int start = 0;
    int lastBoundary = 0;
    int runDecision = sortedSlots[0];
    double minGap = 1.0;
    for (int i = 1; i < n; ++i) {
        const double diff = std::fabs(sortedValues[static_cast<size_t>(i) - 1] -
                                      sortedValues[static_cast<size_t>(i)]);
        const int d = sortedSlots[static_cast<size_t>(i)];
        if (diff > epsilon) {
            lastBoundary = i;
            if (runDecision != d) {
                if (pure) {
                    sumSq += Square(i - start);
                    minGap = std::min(minGap, diff);
                }
                start = i;
            }
            if (!pure) {
                start = i;
                minGap = std::min(minGap, diff);
            }
            pure = true;
        } else if (runDecision != d) {
            if (pure && lastBoundary != start) sumSq += Square(lastBoundary - start);
            pure = false;
        }
        runDecision = d;
    }
    if (pure) sumSq += Square(n - start);
    SetScale(minGap);
    return (std::log(minGap / epsilon) + 50) * static_cast<double>(sumSq);
}

// Runs are merged into blocks while the merged block is at least as pure as its parts; the
// finished blocks are judged by class-wise accuracy and by how much of the table they hold.
double TProjection::QualityMerge(int slots) {
    const int n = static_cast<int>(sortedValues.size());
    const size_t k = static_cast<size_t>(slots);
    blockP.assign(k, 0.0);
    blockQ.assign(k, 0.0);
    blockR.assign(k, 0.0);
    blockT.assign(k, 0.0);
    correct.assign(k, 0.0);
    errors.assign(k, 0.0);
    int startP = -1;
    int startQ = -1;
    int runStart = 0;
    double gapP = 1.0;
    double gapQ = 1.0;
    double penalty = 1.0;
    double minGap = 1.0;
    double purP = 0.0;
    double purQ = 0.0;
    int classP = -1;
    int classQ = -1;

    auto finish = [&](const std::vector<double>& block, int c) {
        for (size_t s = 0; s < k; ++s) {
            if (static_cast<int>(s) == c) {
                correct[s] += block[s];
            } else {
                errors[s] += block[s];
            }
        }
        penalty *= 1 - (block[static_cast<size_t>(c)] - 1) / (n - 1);
    };
    auto sum = [&](std::initializer_list<const std::vector<double>*> parts) {
        std::fill(blockT.begin(), blockT.end(), 0.0);
        for (const std::vector<double>* part : parts) {
            for (size_t s = 0; s < k; ++s) blockT[s] += (*part)[s];
        }
    };

    for (int i = 0; i < n; ++i) {
        const double diff =
            i == 0 ? 0.0
                   : std::fabs(sortedValues[static_cast<size_t>(i) - 1] -
                               sortedValues[static_cast<size_t>(i)]);
        blockR[static_cast<size_t>(sortedSlots[static_cast<size_t>(i)])] += 1;
        if (i < n - 1 && diff <= epsilon) continue;

        int classR;
        const double purR = Purity(blockR.data(), slots, classR, kMergeThreshold);
        bool merged = false;
        if (startQ > -1) {
            sum({&blockQ, &blockR});
            int classT;
            const double purT = Purity(blockT.data(), slots, classT, kMergeThreshold);
            if (purT >= purR && purT >= purQ) {
                blockQ.swap(blockT);
                std::fill(blockR.begin(), blockR.end(), 0.0);
                purQ = purT;
                classQ = classT;
                merged = true;
            }
        }
        if (!merged && startP > -1 && startQ > -1) {
            sum({&blockP, &blockQ, &blockR});
            int classT;
            const double purT = Purity(blockT.data(), slots, classT, kMergeThreshold);
            if (purT >= purR && purT >= purQ && purT >= purP) {
                blockQ.swap(blockT);
                std::fill(blockR.begin(), blockR.end(), 0.0);
                purQ = purT;
                classQ = classT;
                startQ = startP;
                startP = -1;
                merged = true;
            }
        }
        if (!merged) {
            if (startP > -1 && purP > 0) finish(blockP, classP);
            minGap = std::min(minGap, gapP);
            startP = startQ;
            startQ = runStart;
            gapP = gapQ;
            gapQ = diff;
            blockP.swap(blockQ);  // P := Q
            blockQ.swap(blockR);  // Q := R
            std::fill(blockR.begin(), blockR.end(), 0.0);
            purP = purQ;
            purQ = purR;
            classP = classQ;
            classQ = classR;
        }
        runStart = i + 1;
    }
    if (startP > -1) {
        minGap = std::min(minGap, gapP);
        if (purP > 0) finish(blockP, classP);
    }
    if (startQ > -1) {
        minGap = std::min(minGap, gapQ);
        if (purQ > 0) finish(blockQ, classQ);
    }

    double g = 1.0;
    int judged = 0;
    for (size_t s = 0; s < k; ++s) {
        if (correct[s] + errors[s] > 0) {
            g *= (correct[s] + 1) / (correct[s] + errors[s] + 1);
            ++judged;
        }
    }
    g = judged > 0 ? std::pow(g, 1.0 / judged) : 0.0;
    SetScale(minGap);
    return 1000 * g * (1 - penalty) + std::log(minGap / epsilon) / 10;
}

// ---------------------------------------------------------------------------------------
// TLinComb

TLinComb::TLinComb(int measureType) : TProjection(measureType) {}

double TLinComb::GetValue(const int* row, int columns) const {
    double sum = 0.0;
    for (int j = 0; j < count; ++j) {
        const int a = attributes[static_cast<size_t>(j)];
        if (a < columns) sum += coefficients[static_cast<size_t>(j)] * row[a];
    }
    return sum;
}

void TLinComb::Grow() {
    coefficients.resize(static_cast<size_t>(count) + 1);
    attributes.resize(static_cast<size_t>(count) + 1);
    ++count;
}

void TLinComb::SetCoef(int attribute, double value) {
    assert(attribute>=0);
    ForgetProjections();
    for (int j = 0; j < count; ++j) {
        if (attributes[static_cast<size_t>(j)] == attribute) {
            coefficients[static_cast<size_t>(j)] = value;
            return;
        }
    }
    Grow();
    attributes[static_cast<size_t>(count) - 1] = attribute;
    coefficients[static_cast<size_t>(count) - 1] = value;
}

void TLinComb::Clear() {
    ForgetProjections();
    coefficients.clear();
    attributes.clear();
    count = 0;
}

void TLinComb::SetAngles(int n, const int* attrs, const double* angles) {
    double p = 1.0;
    for (int j = n - 1; j >= 1; --j) {
        const double r = angles[j - 1] * kRadiansPerDegree;
        SetCoef(attrs[j], std::cos(r) * p);
        p *= std::sin(r);
    }
    SetCoef(attrs[0], p);
}

void TLinComb::SetAngle2(int a1, int a2, double angle) {
    const double r = angle * kRadiansPerDegree;
    SetCoef(a1, std::cos(r));
    SetCoef(a2, std::sin(r));
}

void TLinComb::SetAngles3(int a1, int a2, int a3, double alpha, double beta) {
    const double ra = alpha * kRadiansPerDegree;
    const double rb = beta * kRadiansPerDegree;
    SetCoef(a1, std::cos(ra) * std::cos(rb));
    SetCoef(a2, std::sin(ra) * std::cos(rb));
    SetCoef(a3, std::sin(rb));
}

// A combination without length has no direction; it is left as it is rather than filled
// with the quotients of a division by zero.
void TLinComb::Normalize() {
    double sumSq = 0.0;
    for (double c : coefficients) sumSq += c * c;
    if (!(sumSq > 0.0)) return;
    ForgetProjections();
    const double length = std::sqrt(sumSq);
    for (double& c : coefficients) c /= length;
}

int TLinComb::IsAxisParallel() const {
    for (double c : coefficients) {
        if ((1 - kAxisTolerance < c && c < 1 + kAxisTolerance) ||
            (-1 - kAxisTolerance < c && c < -1 + kAxisTolerance)) {
            return 1;
        }
    }
    return 0;
}

bool TLinComb::operator==(const TLinComb& other) const {
    if (count != other.count) return false;
    for (size_t j = 0; j < static_cast<size_t>(count); ++j) {
        if (attributes[j] != other.attributes[j]) return false;
        if (std::fabs(coefficients[j] - other.coefficients[j]) > kEqualTolerance) return false;
    }
    return true;
}

int TLinComb::GetAttr(int j) const {
    assert(j>=0 && j<count);
    return attributes[static_cast<size_t>(j)];
}

std::ostream& operator<<(std::ostream& out, const TLinComb& comb) {
    out.precision(7);
    out << comb.count << ' ';
    for (size_t j = 0; j < static_cast<size_t>(comb.count); ++j) {
        out << comb.attributes[j] << ' ' << comb.coefficients[j] << ' ';
    }
    return out;
}

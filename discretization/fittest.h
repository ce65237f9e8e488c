#pragma once

#include <algorithm>
#include <memory>
#include <numeric>
#include <vector>

#include "core/alloc_guard.h"

// Selection shared by the genetic searches of discretization: members are compared by their
// GetFitness only, and among equal fitness the earlier member counts as the better one.

// The member of largest fitness, the first of equals; null for an empty population.
template <class T>
T* FirstFittest(const std::vector<std::unique_ptr<T>>& members) {
    T* best = nullptr;
    for (const auto& m : members)
        if (best == nullptr || m->GetFitness() > best->GetFitness()) best = m.get();
    return best;
}

// Keeps the `keep` fittest members (the earlier of equals) in their population order and
// deletes the others.
template <class T>
void KeepFittest(std::vector<std::unique_ptr<T>>& members, int keep) {
    const size_t n = members.size();
    if (keep < 0 || static_cast<size_t>(keep) >= n) return;
    std::vector<size_t> order = OrOutOfMemory([&] { return std::vector<size_t>(n); });
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t x, size_t y) { return members[x]->GetFitness() > members[y]->GetFitness(); });
    std::vector<bool> kept(n, false);
    for (size_t i = 0; i < static_cast<size_t>(keep); ++i) kept[order[i]] = true;
    size_t to = 0;
    for (size_t i = 0; i < n; ++i)
        if (kept[i]) members[to++] = std::move(members[i]);
    members.resize(to);
}

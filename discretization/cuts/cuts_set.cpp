#include "discretization/cuts/cuts_set.h"

#include <cstdio>
#include <utility>

#include "core/alloc_guard.h"
#include "core/error.h"
#include "core/file_io.h"
#include "core/report.h"
#include "core/table.h"
#include "core/text_scan.h"
#include "discretization/cuts/cut_groups.h"
#include "discretization/cuts/scaler.h"
#include "rough/decision/general_dec.h"

namespace {

// The objects below and above a cut per decision value, in an open-addressing table that
// grows with the number of distinct decisions, so that counting stays one pass.
class SideCounts {
public:
    void Add(int decision, bool below) {
        Slot& s = slots[Find(decision)];
        if (!s.used) {
            s = Slot{decision, 0, 0, true};
            if (2 * ++count > slots.size()) {
                Rehash();
                return Add(decision, below);  // the new slot is found again, already used
            }
        }
        (below ? s.below : s.above) += 1;
    }

    // Pairs with one object on each side and the same decision.
    std::int64_t SameDecisionPairs() const {
        std::int64_t pairs = 0;
        for (const Slot& s : slots) pairs += s.below * s.above;
        return pairs;
    }

private:
    struct Slot {
        int decision = 0;
        std::int64_t below = 0;
        std::int64_t above = 0;
        bool used = false;
    };

    size_t Find(int decision) const {
        const size_t mask = slots.size() - 1;
        size_t i = static_cast<size_t>((static_cast<std::uint64_t>(static_cast<std::uint32_t>(decision)) *
                                        0x9e3779b97f4a7c15ULL) >> 32) & mask;
        while (slots[i].used && slots[i].decision != decision) i = (i + 1) & mask;
        return i;
    }

    void Rehash() {
        std::vector<Slot> old(slots.size() * 2);
        old.swap(slots);
        for (const Slot& s : old) {
            if (s.used) slots[Find(s.decision)] = s;
        }
    }

    std::vector<Slot> slots = std::vector<Slot>(16);
    size_t count = 0;
};

}  // namespace

// ---------------------------------------------------------------------------------------
// TCut

// L objects below and R above make L * R pairs across the cut; those of one decision d,
// L_d * R_d of them, are not separated by it.
void TCut::ComputeQuality(const TTable& table) {
    const int columns = table.GetNoAttr();
    if (attribute < 0 || attribute > columns - 2) {
        LogMessage("Bad number of attribute in TCut::ComputeQuality ", attribute);
        throw CalcError(5);
    }
    const double cut = value;
    std::int64_t below = 0;
    std::int64_t above = 0;
    OrOutOfMemory([&] {
        SideCounts counts;
        for (int o = 0; o < table.GetNoObj(); ++o) {
            const int* row = table.Row(o);
            const double v = row[attribute];
            if (v < cut) {
                ++below;
                counts.Add(row[columns - 1], true);
            } else if (v > cut) {
                ++above;
                counts.Add(row[columns - 1], false);
            }
        }
        quality = below * above - counts.SameDecisionPairs();
    });
}

void TCut::Write(std::string& out) const {
    char text[80];
    std::snprintf(text, sizeof text, "%d %g %lld", attribute, static_cast<double>(value),
                  static_cast<long long>(quality));
    out += text;
}

int TCut::Read(TextScanner& in) {
    quality = 0;
    if (in.ReadInt(attribute) == TextScanner::Read::Fail) return 0;
    return in.ReadFloat(value) == TextScanner::Read::Fail ? 0 : 1;
}

int TCut::ReadWithQuality(TextScanner& in) {
    if (Read(in) == 0) return 0;
    long long q = 0;
    if (in.ReadInt64(q) == TextScanner::Read::Fail) return 0;
    quality = q;
    return 1;
}

// ---------------------------------------------------------------------------------------
// TCutsSet

TCutsSet::TCutsSet() { OrOutOfMemory([&] { cuts.reserve(kStep); }); }

// The copies are made before the old cuts go, so that assigning a set to itself (or from a
// set that holds the same cuts) cannot read cuts already deleted.
TCutsSet& TCutsSet::operator=(const TCutsSet& other) {
    std::vector<std::unique_ptr<TCut>> copies;
    OrOutOfMemory([&] {
        copies.reserve(static_cast<size_t>(other.capacity));
        for (const auto& c : other.cuts) copies.push_back(std::make_unique<TCut>(c->GetAttr(), c->GetValue()));
    });
    cuts.swap(copies);
    capacity = other.capacity;
    return *this;
}

void TCutsSet::Clear() {
    std::vector<std::unique_ptr<TCut>> fresh;
    OrOutOfMemory([&] { fresh.reserve(kStep); });
    cuts.swap(fresh);
    capacity = kStep;
}

// Only the visible capacity moves by ten: storage reserved to exactly that would be moved
// whole every ten cuts, which makes a set of a million cuts take minutes to fill. The list
// grows its storage by doubling when a cut is appended.
void TCutsSet::Grow() { capacity += kStep; }

void TCutsSet::AddCut(std::unique_ptr<TCut> cut) {
    if (GetNoCuts() + 1 >= capacity) Grow();
    OrOutOfMemory([&] { cuts.push_back(std::move(cut)); });
}

TCut* TCutsSet::GetCut(int i) const {
    if (i < 0 || i >= GetNoCuts()) {
        LogMessage("Bad number of element in TCutsSet::GetCut ", i);
        throw CalcError(5);
    }
    return cuts[static_cast<size_t>(i)].get();
}

void TCutsSet::Save(const char* fileName) const {
    std::string text;
    OrOutOfMemory([&] {
        for (const auto& c : cuts) {
            c->Write(text);
            text += '\n';
        }
    });
    if (!ReplaceWholeFile(fileName, text)) {
        LogMessage("Error: Can't save file with CutsSet");
        throw CalcErrorText(7, fileName);
    }
}

void TCutsSet::LoadFrom(const char* fileName, const char* failure, int (TCut::*read)(TextScanner&)) {
    std::string text;
    if (!ReadWholeFile(fileName, text)) {
        LogMessage(failure);
        throw CalcErrorText(6, fileName);
    }
    Clear();
    TextScanner in(text.data(), text.data() + text.size());
    while (!in.AtEndAfterBlanks()) {
        auto cut = OrOutOfMemory([] { return std::make_unique<TCut>(); });
        if (((*cut).*read)(in) != 1) break;
        AddCut(std::move(cut));
    }
}

void TCutsSet::Load(const char* fileName) {
    LoadFrom(fileName, "Error: Can't open file with CutsSet", &TCut::ReadWithQuality);
}

void TCutsSet::LoadQMV(const char* fileName) {
    LoadFrom(fileName, "Error: Can't open file with CutsSet from QMV", &TCut::Read);
}

int TCutsSet::DiscretizeDecision(TTable& table) {
    TGeneralDec dec;
    dec.CalcGenDec(&table);
    dec.CreateGenDec(&table);
    if (dec.GetNoClasses() < 2) {
        Clear();
        LogMessage("No discretization!");
        return 0;
    }
    LogMessage("Modyfing decision...");
    ModifiedDecisionScope modified(dec, &table);
    TScaler().ScaleTable(table, "TMP_CUTS", 0, 1);
    LoadQMV("TMP_CUTS");
    LogMessage("Reconstructing decision...");
    modified.Restore();
    return 1;
}

void TCutsSet::Discretize(TTable& table) const {
    const int columns = table.GetNoAttr();
    std::vector<TCutPair> pairs;
    OrOutOfMemory([&] { pairs.reserve(cuts.size()); });
    for (const auto& c : cuts) {
        if (c->GetAttr() < 0 || c->GetAttr() > columns - 2) {
            LogMessage("Bad number of element in TCutsSet::Discretize ", c->GetAttr());
            throw CalcError(5);
        }
        pairs.push_back({c->GetAttr(), static_cast<double>(c->GetValue())});
    }
    ApplyCutGroups(table, pairs);
}

#include "rough/reducts/red_memory.h"

#include <algorithm>
#include <bit>
#include <type_traits>
#include <cassert>
#include <charconv>
#include <cstring>
#include <iterator>
#include <optional>
#include <utility>

#include "core/error.h"
#include "core/file_io.h"
#include "core/report.h"
#include "core/text_scan.h"
#include "core/table.h"
#include "core/alloc_guard.h"
#include "rough/reasoning/boole.h"
#include "rough/decision/general_dec.h"

using tree_walk::DeleteTree;
using tree_walk::VisitPreOrder;

namespace {

// "{a,b,c} occurrences total": one line of the "REDUCTS (" file. A reduct without
// attributes is written "{}", which the reader takes back as such.
void AppendCountedLine(std::string& out, const TRed& red) {
    out += '{';
    const TIntSack& attrs = *red.GetAttributes();
    for (int i = 0; i < attrs.GetNoElem(); ++i) {
        if (i > 0) out += ',';
        AppendInt(out, attrs[i]);
    }
    out += "} ";
    AppendInt(out, red.GetOccurrences());
    out += ' ';
    AppendInt(out, red.GetTotal());
    out += '\n';
}

void SaveOrFail(const char* file, const std::string& text) {
    if (!ReplaceWholeFile(file, text)) TRedMemory::SaveFailed(file);
}

}  // namespace

// ---- TRed

TRed::TRed() : attributes(std::make_unique<TIntSack>()) {}

TRed::TRed(std::unique_ptr<TIntSack> attributes) : attributes(std::move(attributes)) {
    assert(this->attributes != nullptr);
}

TRed::TRed(const TRed& other) : attributes(std::make_unique<TIntSack>()) { *this = other; }

TRed& TRed::operator=(const TRed& other) {
    if (this == &other) return *this;
    *attributes = *other.attributes;
    total = other.total;
    occurrences = other.occurrences;
    found = other.found;
    return *this;
}

void TRed::Reset() {
    attributes = std::make_unique<TIntSack>();
    total = 0;
    occurrences = 0;
    found = 0;
}

int TRed::EqualAttributes(const TRed* other) const {
    return *attributes == *other->attributes;
}

void TRed::Print() const {
    std::string line = "{ ";
    for (int a : *attributes) {
        AppendInt(line, a);
        line += ' ';
    }
    line += " }";
    WriteStdoutLine(line);
}

// ---- TRedLeaf

TRedLeaf::TRedLeaf(std::unique_ptr<TRed> red) : red(std::move(red)) {}

TRedLeaf::~TRedLeaf() {
    DeleteTree(left);
    DeleteTree(right);
}

int TRedLeaf::Compare(const TRed* a, const TRed* b) {
    const TIntSack& x = *a->GetAttributes();
    const TIntSack& y = *b->GetAttributes();
    const int n = std::min(x.GetNoElem(), y.GetNoElem());
    for (int i = 0; i < n; ++i) {
        if (x[i] != y[i]) return x[i] < y[i] ? -1 : 1;
    }
    if (x.GetNoElem() == y.GetNoElem()) return 0;
    return x.GetNoElem() < y.GetNoElem() ? -1 : 1;
}

int TRedLeaf::Insert(std::unique_ptr<TRed> r) {
    TRedLeaf* node = this;
    for (;;) {
        CheckBreak();
        const int c = Compare(r.get(), node->red.get());
        if (c == 0) {
            node->red->SetFound();
            return 0;
        }
        TRedLeaf*& next = c < 0 ? node->left : node->right;
        if (next == nullptr) {
            next = OrOutOfMemory([&] { return new TRedLeaf(std::move(r)); });
            return 1;
        }
        node = next;
    }
}

TRed* TRedLeaf::Find(const TRed* r) const {
    const TRedLeaf* node = this;
    while (node != nullptr) {
        CheckBreak();
        const int c = Compare(r, node->red.get());
        if (c == 0) return node->red.get();
        node = c < 0 ? node->left : node->right;
    }
    return nullptr;
}

void TRedLeaf::Copy(TRedLeaf* to) const {
    OrOutOfMemory([&] {
        std::vector<std::pair<const TRedLeaf*, TRedLeaf*>> pending{{this, to}};
        while (!pending.empty()) {
            auto [from, into] = pending.back();
            pending.pop_back();
            if (into->red) {
                *into->red = *from->red;
            } else {
                into->red = std::make_unique<TRed>(*from->red);
            }
            DeleteTree(into->left);
            DeleteTree(into->right);
            into->left = nullptr;
            into->right = nullptr;
            if (from->left != nullptr) {
                into->left = new TRedLeaf(std::make_unique<TRed>());
                pending.emplace_back(from->left, into->left);
            }
            if (from->right != nullptr) {
                into->right = new TRedLeaf(std::make_unique<TRed>());
                pending.emplace_back(from->right, into->right);
            }
        }
    });
}

void TRedLeaf::SaveReducts(std::string& out) const {
    OrOutOfMemory([&] {
        VisitPreOrder(this, [&](const TRedLeaf& node) {
            CheckBreak();
            AppendCountedLine(out, *node.red);
        });
    });
}

void TRedLeaf::PrintWithCounts() const {
    VisitPreOrder(this, [](const TRedLeaf& node) {
        std::string line;
        AppendCountedLine(line, *node.red);
        WriteStdout(line);
    });
}

void TRedLeaf::ToArray(TRed** array, int* n) const {
    VisitPreOrder(this, [&](const TRedLeaf& node) { array[(*n)++] = node.red.get(); });
}

TRed* TRedLeaf::GetNthRed(int& counter, int n) const {
    TRed* found = nullptr;
    VisitPreOrder(this, [&](const TRedLeaf& node) {
        if (counter == n) {
            found = node.red.get();
            return false;
        }
        ++counter;
        return true;
    });
    return found;
}

TIntSack* TRedLeaf::GetNthAttrs(int& counter, int n) const {
    TRed* red = GetNthRed(counter, n);
    return red != nullptr ? red->GetAttributes() : nullptr;
}

// ---- TRedMemory

// Distinct attribute sets in the order of their first arrival, as bit sets of one width
// (widened when wider ones come). Repeats are looked up in a hash index, made only once a
// set can arrive that may be there already.
struct TRedMemory::Pending {
    static constexpr int kMaskBitmapBits = 24;
    discern::SetList sets{1};
    std::vector<int32_t> slots;  // positions in `sets`, -1 = free; empty = no index yet
    std::vector<uint64_t> maskSeen;  // every set held, when maskBits >= 0 (see AddMasks)
    int maskBits = -1;

    uint64_t Hash(const uint64_t* set) const {
        uint64_t h = 0;
        for (int w = 0; w < sets.Words(); ++w) h = (h ^ set[w]) * 0x9E3779B97F4A7C15ULL + (h >> 31);
        return h ^ (h >> 29);
    }

    size_t Home(const uint64_t* set) const { return static_cast<size_t>(Hash(set)) & (slots.size() - 1); }

    void Place(int32_t i) {
        for (size_t at = Home(sets.At(i));; at = (at + 1) & (slots.size() - 1)) {
            if (slots[at] < 0) {
                slots[at] = i;
                return;
            }
        }
    }

    void Index() {
        size_t size = 16;
        while (size < static_cast<size_t>(sets.Size()) * 2 + 2) size *= 2;
        slots.assign(size, -1);
        for (int32_t i = 0; i < sets.Size(); ++i) Place(i);
    }

    // The sets as `words` wide, when that is wider.
    void Widen(int words) {
        if (words <= sets.Words()) return;
        discern::SetList wide(words);
        wide.Reserve(static_cast<size_t>(sets.Size()));
        std::vector<uint64_t> set(static_cast<size_t>(words));
        for (int i = 0; i < sets.Size(); ++i) {
            std::fill(set.begin(), set.end(), 0);
            std::copy(sets.At(i), sets.At(i) + sets.Words(), set.begin());
            wide.Append(set.data());
        }
        sets = std::move(wide);
        if (!slots.empty()) Index();
    }

    // False when the set is held already.
    bool Add(const uint64_t* set) {
        if (slots.empty()) Index();
        const int words = sets.Words();
        for (size_t at = Home(set);; at = (at + 1) & (slots.size() - 1)) {
            const int32_t i = slots[at];
            if (i < 0) break;
            // Most sets are one word: no library call for those.
            const uint64_t* held = sets.At(i);
            if (held[0] == set[0] && (words == 1 || std::equal(set + 1, set + words, held + 1))) return false;
        }
        sets.Append(set);
        if (static_cast<size_t>(sets.Size()) * 2 > slots.size()) {
            Index();
        } else {
            Place(sets.Size() - 1);
        }
        return true;
    }

    // The mask reasoner's sets over few attributes: a bitmap of every mask answers whether
    // one is held, where the hash would be read at random over all sets held (local reducts
    // add each object's sets, most of them held already). The hash index is made again
    // when a set arrives some other way.
    void AddMasks(const TIntSack& found, int k) {
        const uint64_t low = discern::LowBits(k);
        if (maskBits != k && !MarkMasks(k)) {
            discern::SetList more(1);
            more.Reserve(static_cast<size_t>(found.GetNoElem()));
            for (int m : found) {
                const uint64_t set = static_cast<uint32_t>(m) & low;
                more.Append(&set);
            }
            AddAll(std::move(more));
            return;
        }
        slots.clear();
        for (int m : found) {
            CheckBreak();
            const uint64_t set = static_cast<uint32_t>(m) & low;
            uint64_t& word = maskSeen[set >> 6];
            const uint64_t bit = uint64_t{1} << (set & 63);
            if ((word & bit) != 0) continue;
            sets.Append(&set);  // first: a failed allocation leaves no set marked but not held
            word |= bit;
        }
    }

    // The bitmap of the sets held, when they all lie within k attributes.
    bool MarkMasks(int k) {
        maskBits = -1;
        maskSeen.clear();
        if (sets.Words() != 1 || k > kMaskBitmapBits) return false;
        const uint64_t low = discern::LowBits(k);
        maskSeen.assign((size_t{1} << k) / 64 + 1, 0);
        for (int i = 0; i < sets.Size(); ++i) {
            const uint64_t held = *sets.At(i);
            if (held > low) {
                maskSeen.clear();
                return false;
            }
            maskSeen[held >> 6] |= uint64_t{1} << (held & 63);
        }
        maskBits = k;
        return true;
    }

    // Sets that arrive together, each once.
    void AddAll(discern::SetList&& more) {
        maskBits = -1;
        Widen(more.Words());
        if (sets.Size() == 0 && more.Words() == sets.Words()) {
            // One calculation's reducts are different from each other.
            sets = std::move(more);
            slots.clear();
            return;
        }
        std::vector<uint64_t> set(static_cast<size_t>(sets.Words()));
        for (int i = 0; i < more.Size(); ++i) {
            CheckBreak();
            std::fill(set.begin(), set.end(), 0);
            std::copy(more.At(i), more.At(i) + more.Words(), set.begin());
            Add(set.data());
        }
    }
};

bool TRedMemory::LeafOrder::operator()(const TRedLeaf* a, const TRedLeaf* b) const {
    return TRedLeaf::Compare(a->GetRed(), b->GetRed()) < 0;
}

bool TRedMemory::LeafOrder::operator()(const TRedLeaf* a, const TRed* b) const {
    return TRedLeaf::Compare(a->GetRed(), b) < 0;
}

bool TRedMemory::LeafOrder::operator()(const TRed* a, const TRedLeaf* b) const {
    return TRedLeaf::Compare(a, b->GetRed()) < 0;
}

TRedMemory::TRedMemory() = default;

TRedMemory::~TRedMemory() { DeleteTree(root); }

TRedMemory& TRedMemory::operator=(const TRedMemory& other) {
    if (this == &other) return *this;
    other.Settle();
    Settle();
    // Built aside, so that a failure leaves this memory as it was.
    TRedMemory copy;
    if (other.root != nullptr) {
        copy.root = OrOutOfMemory([] { return new TRedLeaf(std::make_unique<TRed>()); });
        other.root->Copy(copy.root);
        copy.Reindex();
    }
    copy.count = other.count;
    std::swap(root, copy.root);
    std::swap(count, copy.count);
    index.swap(copy.index);
    preOrder.clear();
    return *this;
}

void TRedMemory::AddRed(std::unique_ptr<TIntSack> reduct, int, int) {
    Insert(OrOutOfMemory([&] { return std::make_unique<TRed>(std::move(reduct)); }));
}

void TRedMemory::AddRule(const int*, int) {}

// Where a walk from the root would end: the predecessor and the successor of a new key are
// next to each other in the order, so one of them lies below the other, and the lower one
// has its side towards the new key free.
void TRedMemory::Insert(std::unique_ptr<TRed> reduct) {
    Settle();
    CheckBreak();
    auto next = index.lower_bound(reduct.get());
    if (next != index.end() && TRedLeaf::Compare((*next)->GetRed(), reduct.get()) == 0) {
        (*next)->GetRed()->SetFound();
        return;
    }
    OrOutOfMemory([&] {
        auto node = std::make_unique<TRedLeaf>(std::move(reduct));
        TRedLeaf* before = next != index.begin() ? *std::prev(next) : nullptr;
        TRedLeaf* after = next != index.end() ? *next : nullptr;
        index.insert(next, node.get());
        if (root == nullptr) {
            root = node.release();
        } else if (before != nullptr && before->right == nullptr) {
            before->right = node.release();
        } else {
            assert(after != nullptr && after->left == nullptr);
            after->left = node.release();
        }
    });
    ++count;
    preOrder.clear();
}

void TRedMemory::Reindex() {
    index.clear();
    preOrder.clear();
    OrOutOfMemory([&] { VisitPreOrder(root, [&](TRedLeaf& node) { index.insert(&node); }); });
}

void TRedMemory::Clear() {
    pending.reset();
    DeleteTree(root);
    root = nullptr;
    count = 0;
    index.clear();
    preOrder.clear();
}

TRedLeaf* TRedMemory::NthInPreOrder(int i) const {
    if (i < 0 || i >= count) {
        LogMessage("Bad number of element in TRedMemory::GetReduct");
        throw CalcError(5);
    }
    Settle();
    if (preOrder.empty()) {
        OrOutOfMemory([&] {
            preOrder.reserve(static_cast<size_t>(count));
            VisitPreOrder(root, [&](TRedLeaf& node) { preOrder.push_back(&node); });
        });
    }
    return preOrder[static_cast<size_t>(i)];
}

TIntSack* TRedMemory::GetReduct(int i) const { return NthInPreOrder(i)->GetRed()->GetAttributes(); }

TRed* TRedMemory::GetRed(int i) const { return NthInPreOrder(i)->GetRed(); }

void TRedMemory::GetRedArray(TRed** array, int* n) const {
    Settle();
    if (root != nullptr) root->ToArray(array, n);
}

// The reducts of the sack reasoner are taken over in their order.
void TRedMemory::InsertAll(TIntSackSet& reducts) {
    for (int i = 0; i < reducts.GetNoElem(); ++i) {
        CheckBreak();
        Insert(OrOutOfMemory([&] { return std::make_unique<TRed>(reducts.ClearElem(i)); }));
    }
}

// The masks of the mask reasoner become ascending attribute sacks.
void TRedMemory::InsertAll(const TIntSack& masks, int k) {
    for (int m : masks) {
        CheckBreak();
        auto red = OrOutOfMemory([&] {
            auto attrs = std::make_unique<TIntSack>(k);
            for (int a = 0; a < k; ++a) {
                if (static_cast<unsigned>(m) & (1u << a)) attrs->AddElem(a);
            }
            return std::make_unique<TRed>(std::move(attrs));
        });
        Insert(std::move(red));
    }
}

// The reducts of one calculation: into the tree when there is one, else kept as bare sets.
template <class Reasoner>
void TRedMemory::InsertResult(Reasoner& reasoner, int k) {
    constexpr bool masks = std::is_same_v<Reasoner, TBoole31>;
    if (root != nullptr) {
        if constexpr (masks) {
            InsertAll(*reasoner.GetReducts(), k);
        } else {
            InsertAll(*reasoner.GetReducts());
        }
        return;
    }
    OrOutOfMemory([&] {
        if (!pending) pending = std::make_unique<Pending>();
        if constexpr (masks) {
            pending->AddMasks(*reasoner.GetReducts(), k);
        } else {
            pending->AddAll(reasoner.TakeReductSets());
        }
    });
    count = pending->sets.Size();
}

// The reducts held as bare sets go into the tree in their order, as ascending sacks.
void TRedMemory::Settle() const {
    if (!pending) return;
    std::unique_ptr<Pending> sets = std::move(pending);
    auto* self = const_cast<TRedMemory*>(this);
    self->count = 0;  // counted again as they go in
    const int words = sets->sets.Words();
    for (int i = 0; i < sets->sets.Size(); ++i) {
        const uint64_t* set = sets->sets.At(i);
        auto red = OrOutOfMemory([&] {
            auto attrs = std::make_unique<TIntSack>();
            discern::ForEachAttribute(set, words, [&](int a) { attrs->AddElem(a); });
            return std::make_unique<TRed>(std::move(attrs));
        });
        self->Insert(std::move(red));
    }
}

namespace {

int ConditionAttributes(const TTable& table, int relative) {
    return relative != 0 ? table.GetNoAttr() - 1 : table.GetNoAttr();
}

}  // namespace

// The decision column holds the classes only for the reasoning; an error on the way leaves
// the table with its own decisions as well.
void TRedMemory::CalculateGlobalReducts(TTable* table, int relative, int missing) {
    ShowProgress(0);
    const int k = ConditionAttributes(*table, relative);
    TGeneralDec genDec;
    std::optional<ModifiedDecisionScope> classes;
    if (relative != 0) {
        genDec.CalcGenDec(table);
        genDec.CreateGenDec(table);
        classes.emplace(genDec, table);
    }
    if (k > 31) {
        TBoole reasoner;
        reasoner.CalcAllGlobReducts(table, relative != 0 ? 1 : 0, missing);
        InsertResult(reasoner, k);
    } else {
        TBoole31 reasoner;
        reasoner.CalcAllGlobReducts(table, relative != 0 ? 1 : 0, missing);
        InsertResult(reasoner, k);
    }
    if (classes) classes->Restore();
    ShowProgress(100);
}

// The masks hold 31 attributes beside the sign bit; wider tables get no reducts.
void TRedMemory::CalculateGlobalReductsSelvaro(TTable* table, TTable* pairs, double threshold, int minSupport) {
    ShowProgress(0);
    const int k = table->GetNoAttr();
    if (k < 32) {
        auto reasoner = OrOutOfMemory([] { return std::make_unique<TBoole31>(); });
        reasoner->CalcAllReductsSelvaro(table, pairs, threshold, minSupport);
        InsertAll(*reasoner->GetReducts(), k);
    }
    ShowProgress(100);
}

// Object by object, the classes are put in for the reasoning and taken out before the
// object's reducts are stored; the percentage of objects done is shown when it grows.
void TRedMemory::CalculateLocalReducts(TTable* table, int relative, int missing) {
    const int k = ConditionAttributes(*table, relative);
    relative = relative != 0 ? 1 : 0;
    TGeneralDec genDec;
    if (relative == 1) {
        genDec.CalcGenDec(table);
        genDec.CreateGenDec(table);
    }
    std::unique_ptr<TBoole31> masks;
    std::unique_ptr<TBoole> sacks;
    OrOutOfMemory([&] {
        if (k < 32) {
            masks = std::make_unique<TBoole31>();
        } else {
            sacks = std::make_unique<TBoole>();
        }
    });
    const int n = table->GetNoObj();
    long long shown = 0;
    for (int i = 0; i < n; ++i) {
        if (sacks && !CheckBreak()) return;
        {
            std::optional<ModifiedDecisionScope> classes;
            if (relative == 1) classes.emplace(genDec, table);
            if (masks) {
                masks->CalcAllLocalReducts(table, i, relative, missing);
            } else {
                sacks->CalcAllLocalReducts(table, i, relative, missing);
            }
            if (classes) classes->Restore();
        }
        if (masks) {
            InsertResult(*masks, k);
            if (!CheckBreak()) return;
        } else {
            InsertResult(*sacks, k);
        }
        const long long p = (i + 1LL) * 100 / n;
        if (p > shown) {
            ShowProgress(static_cast<int>(p));
            shown = p;
        }
    }
    masks.reset();
    sacks.reset();
    if (relative == 1) genDec.ReconstructOrigDec(table);
    ShowProgress(100);
}

namespace {

// The reduct order of the tree on bit sets: at the smallest attribute in which two sets
// differ, their ascending lists part; the set holding it comes first unless the other ends
// there, being a beginning of it.
bool ComesFirst(const uint64_t* x, const uint64_t* y, int words) {
    for (int w = 0; w < words; ++w) {
        const uint64_t diff = x[w] ^ y[w];
        if (diff == 0) continue;
        const uint64_t low = diff & (~diff + 1);
        const uint64_t* holder = (x[w] & low) != 0 ? x : y;
        const uint64_t* other = holder == x ? y : x;
        bool goesOn = (other[w] & ~(low | (low - 1))) != 0;
        for (int v = w + 1; v < words && !goesOn; ++v) goesOn = other[v] != 0;
        return goesOn == (holder == x);
    }
    return false;
}

uint64_t ReverseBits(uint64_t x) {
    x = ((x >> 1) & 0x5555555555555555ULL) | ((x & 0x5555555555555555ULL) << 1);
    x = ((x >> 2) & 0x3333333333333333ULL) | ((x & 0x3333333333333333ULL) << 2);
    x = ((x >> 4) & 0x0F0F0F0F0F0F0F0FULL) | ((x & 0x0F0F0F0F0F0F0F0FULL) << 4);
    return __builtin_bswap64(x);
}

// The one-word sets in the order of ComesFirst, each as its place in that order among all
// sets of `bits` attributes, shifted up past its own number in the list. Among the sets of
// attributes 0 .. bits - 1, S = {s1 < ... < sm} comes after its m beginnings (the empty one
// included) and after every set that parts from it at some attribute a < sm not in S,
// holding a where S goes on: 2^(bits - 1 - a) sets for each such a. Distinct sets have
// distinct places, so sorting the numbers sorts the sets. Empty when they do not fit.
std::vector<uint64_t> PlacesInOrder(const discern::SetList& sets) {
    if (sets.Words() != 1) return {};
    const int n = sets.Size();
    uint64_t all = 0;
    for (int i = 0; i < n; ++i) all |= *sets.At(i);
    const int bits = std::max(64 - std::countl_zero(all), 1);
    const int indexBits = n > 1 ? 64 - std::countl_zero(static_cast<uint64_t>(n - 1)) : 1;
    if (bits + 1 + indexBits > 64) return {};
    std::vector<uint64_t> out(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        const uint64_t set = *sets.At(i);
        const uint64_t below = set == 0 ? 0 : ~set & ((uint64_t{1} << (63 - std::countl_zero(set))) - 1);
        const uint64_t place = static_cast<uint64_t>(std::popcount(set)) + (ReverseBits(below) >> (64 - bits));
        out[static_cast<size_t>(i)] = place << indexBits | static_cast<uint64_t>(i);
    }
    std::sort(out.begin(), out.end());
    const uint64_t index = (uint64_t{1} << indexBits) - 1;
    for (uint64_t& x : out) x &= index;
    return out;
}

// "n " for the numbers below 100, in four bytes each, and how many of them are the text.
struct SmallNumbers {
    char text[100][4];
    unsigned char length[100];
    SmallNumbers() {
        for (int v = 0; v < 100; ++v) {
            char* t = text[v];
            int n = 0;
            if (v >= 10) t[n++] = static_cast<char>('0' + v / 10);
            t[n++] = static_cast<char>('0' + v % 10);
            t[n++] = ' ';
            while (n < 4) t[n++] = ' ';
            length[v] = static_cast<unsigned char>(v >= 10 ? 3 : 2);
        }
    }
};

// The longest compact line of a set of `words` words.
size_t CompactLineRoom(int words) { return 12 * (64 * static_cast<size_t>(words) + 2); }

// A set's compact line, written at `to` (with CompactLineRoom(words) bytes there); returns
// its length. Attribute numbers and counts are mostly below 100: those are copied whole.
size_t WriteCompactLine(char* to, const uint64_t* set, int words) {
    static const SmallNumbers small;
    size_t used = 0;
    const auto number = [&](int value) {
        if (value >= 0 && value < 100) {
            std::memcpy(to + used, small.text[value], 4);
            used += small.length[value];
            return;
        }
        used = static_cast<size_t>(std::to_chars(to + used, to + used + 11, value).ptr - to);
        to[used++] = ' ';
    };
    number(discern::AttributeCount(set, words));
    discern::ForEachAttribute(set, words, number);
    to[used++] = '\n';
    return used;
}

}  // namespace

// The tree of the sets inserted in their order, without building it: the first set is the
// root, and in the reduct order each set's subtree is the stretch around it of the sets that
// came after it (the earliest of a stretch is its root). So, going along the reduct order
// with the sets still open to the right on a stack (as deep as the tree at most), a set
// takes as its left subtree the sets it pops for having come later, the last popped at its
// top, and hangs to the right of the set left on top. The file then follows the tree in
// pre-order.
// The tree the sets would make, inserted in their order, is the one whose in-order is the
// sets' order and in which every node was inserted before those below it. It is built over
// the places in that order (left and right hold places, `sorted` the set at each), so that
// a subtree covers neighbouring places and the walk reads the arrays close to where it was.
void TRedMemory::SaveCompactFromSets(const char* file) const {
    const discern::SetList& sets = pending->sets;
    const int words = sets.Words();
    const int n = sets.Size();
    std::vector<int> sorted;
    std::vector<int> left;
    std::vector<int> right;
    int root = -1;
    OrOutOfMemory([&] {
        sorted.resize(static_cast<size_t>(n));
        {
            const std::vector<uint64_t> places = PlacesInOrder(sets);
            if (!places.empty()) {
                for (int i = 0; i < n; ++i) sorted[static_cast<size_t>(i)] = static_cast<int>(places[static_cast<size_t>(i)]);
            } else {
                for (int i = 0; i < n; ++i) sorted[static_cast<size_t>(i)] = i;
                std::sort(sorted.begin(), sorted.end(), [&](int a, int b) { return ComesFirst(sets.At(a), sets.At(b), words); });
            }
        }
        left.assign(static_cast<size_t>(n), -1);
        right.assign(static_cast<size_t>(n), -1);
        std::vector<int> open;
        for (int p = 0; p < n; ++p) {
            const int x = sorted[static_cast<size_t>(p)];
            int last = -1;
            while (!open.empty() && sorted[static_cast<size_t>(open.back())] > x) {
                last = open.back();
                open.pop_back();
            }
            left[static_cast<size_t>(p)] = last;
            if (!open.empty()) right[static_cast<size_t>(open.back())] = p;
            open.push_back(p);
        }
        if (!open.empty()) root = open.front();
    });
    ReplacingFile out;
    if (!out.Open(file)) SaveFailed(file);
    OrOutOfMemory([&] {
        std::string first;
        AppendInt(first, count);
        first += '\n';
        out.Write(first);
        const size_t kChunk = size_t{1} << 20;
        std::vector<char> text(kChunk + CompactLineRoom(words));
        size_t used = 0;
        std::vector<int> stack;
        if (root >= 0) stack.push_back(root);
        while (!stack.empty()) {
            const int p = stack.back();
            stack.pop_back();
            CheckBreak();
            const int l = left[static_cast<size_t>(p)];
            const int r = right[static_cast<size_t>(p)];
            // The next set written is the left one, else the right one, else one from the stack.
            const int next = l >= 0 ? l : r >= 0 ? r : stack.empty() ? -1 : stack.back();
            if (next >= 0) __builtin_prefetch(sets.At(sorted[static_cast<size_t>(next)]));
            used += WriteCompactLine(text.data() + used, sets.At(sorted[static_cast<size_t>(p)]), words);
            if (used >= kChunk) {
                out.Write(text.data(), used);
                used = 0;
            }
            if (r >= 0) stack.push_back(r);
            if (l >= 0) stack.push_back(l);
        }
        out.Write(text.data(), used);
    });
    if (!out.Commit()) SaveFailed(file);
}

// The number of reducts, then per reduct its size and its attributes, each number followed
// by a blank.
void TRedMemory::SaveReductsCompact(const char* file) const {
    if (pending) {
        SaveCompactFromSets(file);
        return;
    }
    std::string text;
    OrOutOfMemory([&] {
        AppendInt(text, count);
        text += '\n';
        VisitPreOrder(root, [&](const TRedLeaf& node) {
            CheckBreak();
            const TIntSack& attrs = *node.GetRed()->GetAttributes();
            AppendInt(text, attrs.GetNoElem());
            text += ' ';
            for (int a : attrs) {
                AppendInt(text, a);
                text += ' ';
            }
            text += '\n';
        });
    });
    SaveOrFail(file, text);
}

void TRedMemory::SaveFailed(const char* file) {
    LogMessage("Error: Can't save file with reducts");
    throw CalcErrorText(7, file);
}

void TRedMemory::SaveReducts(const char* file) const {
    Settle();
    std::string text;
    OrOutOfMemory([&] {
        text = "REDUCTS (";
        AppendInt(text, count);
        text += ")\n";
    });
    if (root != nullptr) root->SaveReducts(text);
    SaveOrFail(file, text);
}

// Reads the reducts back without their counters. The first line is skipped (at most 199
// characters; a longer one leaves nothing readable). A reduct that does not open with "{"
// is reported and read all the same; a number or a separator that cannot be read ends the
// reading, and so does a rest of line longer than 199 characters, after its reduct is in.
void TRedMemory::LoadReducts(const char* file) {
    std::string text;
    if (!ReadWholeFile(file, text)) {
        LogMessage("Error: Can't open file with rules");
        throw CalcErrorText(6, file);
    }
    Clear();
    TextScanner in(text.data(), text.data() + text.size());
    if (!in.SkipLine(199)) return;
    for (;;) {
        CheckBreak();
        char last = 0;
        if (!in.ReadChar(last)) return;
        if (last != '{') WriteStdoutLine(std::string("Oczekiwany: { a nie <") + last + ">");
        auto sack = OrOutOfMemory([] { return std::make_unique<TIntSack>(); });
        if (last == '{') {
            TextScanner ahead = in;
            char c = 0;
            if (ahead.ReadChar(c) && c == '}') {
                in = ahead;
                last = c;
            }
        }
        while (last != '}') {
            int a = 0;
            if (in.ReadInt(a) == TextScanner::Read::Fail) return;
            sack->AddElem(a);
            if (!in.ReadChar(last)) return;
        }
        auto red = OrOutOfMemory([&] { return std::make_unique<TRed>(std::move(sack)); });
        const bool more = in.SkipLine(199);
        Insert(std::move(red));
        if (!more) return;
    }
}

#include "core/decision_values.h"

#include <cstdio>
#include <string>

#include "core/alloc_guard.h"
#include "core/error.h"
#include "core/file_io.h"
#include "core/report.h"
#include "core/table.h"
#include "core/text_scan.h"

namespace {

constexpr int kNoValue = 2147483647;
constexpr double kNoDistrib = -1.0;

[[noreturn]] void BadIndex(const char* text) {
    LogMessage(text);
    throw CalcError(5);
}

// A real number as a stream writes it by default (six significant digits, no trailing zeros).
void AppendReal(std::string& out, double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    out += text;
}

}  // namespace

TDValInfo::TDValInfo() {
    OrOutOfMemory([&] {
        decVal.assign(static_cast<size_t>(max), kNoValue);
        noObj.assign(static_cast<size_t>(max), 0);
        distrib.assign(static_cast<size_t>(max), kNoDistrib);
        decValCov.assign(static_cast<size_t>(max), 0.0);
    });
}

TDValInfo::TDValInfo(const TDValInfo& other) : TDValInfo() { *this = other; }

TDValInfo& TDValInfo::operator=(const TDValInfo& other) {
    if (this == &other) return *this;
    Reset();
    noDecVal = other.noDecVal;
    accuracy = other.accuracy;
    coverage = other.coverage;
    for (int i = 0; i < noDecVal; ++i) {
        const size_t k = static_cast<size_t>(i);
        decVal[k] = other.decVal[k];
        noObj[k] = other.noObj[k];
        distrib[k] = other.distrib[k];
        decValCov[k] = other.decValCov[k];
    }
    return *this;
}

void TDValInfo::Reset() {
    noDecVal = 0;
    std::fill(decVal.begin(), decVal.end(), kNoValue);
    std::fill(noObj.begin(), noObj.end(), 0);
    std::fill(distrib.begin(), distrib.end(), kNoDistrib);
    std::fill(decValCov.begin(), decValCov.end(), 0.0);
    accuracy = 0.0;
    coverage = 0.0;
}

size_t TDValInfo::Checked(int i, const char* message) const {
    if (i < 0 || i >= noDecVal) BadIndex(message);
    return static_cast<size_t>(i);
}

int TDValInfo::GetDecVal(int i) const { return decVal[Checked(i, "Bad number of element in TDValInfo::GetDecVal ")]; }

int TDValInfo::GetDCNoObj(int i) const { return noObj[Checked(i, "Bad number of element in TDValInfo::GetDCNoObj ")]; }

double TDValInfo::GetDistrib(int i) const {
    return distrib[Checked(i, "Bad number of element in TDValInfo::GetDistrib ")];
}

void TDValInfo::SetDecInfo(int i, double value) {
    distrib[Checked(i, "Bad number of element in TDValInfo::SetDecInfo ")] = value;
}

double TDValInfo::GetDecValCov(int i) const {
    return decValCov[Checked(i, "Bad number of element in TDValInfo::GetDecValCov")];
}

void TDValInfo::SetDecValCov(int i, double value) {
    decValCov[Checked(i, "Bad number of element in TDValInfo::SetDecValCov ")] = value;
}

int TDValInfo::GetDCForDecVal(int value) const {
    for (int i = 0; i < noDecVal; ++i) {
        if (decVal[static_cast<size_t>(i)] == value) return noObj[static_cast<size_t>(i)];
    }
    BadIndex("Bad decision value in TDValInfo::GetDCForDecVal");
}

void TDValInfo::AddDecVal(int value) {
    for (int i = 0; i < noDecVal; ++i) {
        if (decVal[static_cast<size_t>(i)] == value) {
            ++noObj[static_cast<size_t>(i)];
            return;
        }
    }
    if (noDecVal + 1 > max) {
        LogMessage("WARNING: Too many decision values in consider table!");
        throw CalcError(8);
    }
    decVal[static_cast<size_t>(noDecVal)] = value;
    noObj[static_cast<size_t>(noDecVal)] = 1;
    ++noDecVal;
}

// The decision is read through the checked access, so that a table without columns raises
// an index error instead of reading before its storage.
int TDValInfo::CalcFromTable(const TTable& table) {
    Reset();
    const int last = table.GetNoAttr() - 1;
    for (int o = 0; o < table.GetNoObj(); ++o) AddDecVal(table.GetTable(o, last));
    return table.GetNoObj();
}

void TDValInfo::CountObjFromTable(const TTable& table) {
    const int last = table.GetNoAttr() - 1;
    for (int i = 0; i < noDecVal; ++i) noObj[static_cast<size_t>(i)] = 0;
    for (int o = 0; o < table.GetNoObj(); ++o) {
        const int value = table.GetTable(o, last);
        for (int i = 0; i < noDecVal; ++i) {
            if (decVal[static_cast<size_t>(i)] == value) {
                ++noObj[static_cast<size_t>(i)];
                break;
            }
        }
    }
}

void TDValInfo::Print() const {
    std::string text = "Number of decision values: " + std::to_string(noDecVal) + "\nValues: ";
    for (int i = 0; i < noDecVal; ++i) {
        AppendInt(text, decVal[static_cast<size_t>(i)]);
        text += ' ';
    }
    text += '\n';
    WriteStdout(text);
}

void TDValInfo::PrintDistrib() const {
    std::string text = "Distribution: ";
    for (int i = 0; i < noDecVal; ++i) {
        AppendReal(text, distrib[static_cast<size_t>(i)]);
        text += ' ';
    }
    text += '\n';
    WriteStdout(text);
}

void TDValInfo::Save(const char* name) const {
    std::string text = "DecValInfo:\n";
    OrOutOfMemory([&] {
        AppendInt(text, noDecVal);
        text += '\n';
        auto ints = [&](const std::vector<int>& values) {
            for (int i = 0; i < noDecVal; ++i) {
                AppendInt(text, values[static_cast<size_t>(i)]);
                text += ' ';
            }
            text += '\n';
        };
        auto reals = [&](const std::vector<double>& values) {
            for (int i = 0; i < noDecVal; ++i) {
                AppendReal(text, values[static_cast<size_t>(i)]);
                text += ' ';
            }
            text += '\n';
        };
        ints(decVal);
        ints(noObj);
        AppendReal(text, accuracy);
        text += '\n';
        reals(distrib);
        AppendReal(text, coverage);
        text += '\n';
        reals(decValCov);
    });
    if (!ReplaceWholeFile(name, text)) {
        LogMessage("Error: Can't save file with DecValInfo");
        throw CalcErrorText(7, name);
    }
}

// The lists are read in file order; the first value that fails, or whose reading runs into
// the end of the file, ends the reading there, and the entries not read keep their initial
// values while the count stays as the file gives it.
void TDValInfo::Load(const char* name) {
    std::string text;
    if (!ReadWholeFile(name, text)) {
        LogMessage("Error: Can't open file with DecValInfo");
        throw CalcErrorText(6, name);
    }
    Reset();
    TextScanner in(text.data(), text.data() + text.size());
    if (!in.SkipLine(199)) return;
    // A count that ends the file still counts: its entries keep their initial values.
    int n = 0;
    if (in.ReadInt(n) == TextScanner::Read::Fail) return;
    if (n > max) {
        LogMessage("WARNING: Too many decision values!");
        throw CalcError(8);
    }
    if (n < 0) n = 0;
    noDecVal = n;
    auto ints = [&](std::vector<int>& values) {
        for (int i = 0; i < n; ++i) {
            int v = 0;
            if (in.ReadInt(v) != TextScanner::Read::Ok) return false;
            values[static_cast<size_t>(i)] = v;
        }
        return true;
    };
    auto reals = [&](std::vector<double>& values) {
        for (int i = 0; i < n; ++i) {
            double v = 0.0;
            if (in.ReadDouble(v) != TextScanner::Read::Ok) return false;
            values[static_cast<size_t>(i)] = v;
        }
        return true;
    };
    auto real = [&](double& value) {
        double v = 0.0;
        if (in.ReadDouble(v) != TextScanner::Read::Ok) return false;
        value = v;
        return true;
    };
    if (!ints(decVal) || !ints(noObj) || !real(accuracy) || !reals(distrib) || !real(coverage)) return;
    reals(decValCov);
}

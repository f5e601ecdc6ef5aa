// Reads the JSON reports of Google Benchmark programs and prints one table:
// every figure beside each baseline it is measured against in the same run,
// and their ratio (figure / baseline: above 1 the figure takes longer, or
// keeps a processor busier). See bench/README.md for the naming convention
// that pairs them.
//
//   kxtapi-bench-table [--json] REPORT.json...
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

using nlohmann::json;

/// One benchmark instance of a report.
struct TResult {
    std::string Program;   // the report it came from
    std::string Name;      // as reported, "BM_Fifo_Triggers/8"
    std::string Topic;     // "Fifo"
    std::string Variant;   // "Triggers"
    std::string Args;      // "8" ("" without arguments)
    double Value = 0;      // nanoseconds per iteration, or per cent of a CPU
    bool Cpu = false;      // Value is a CPU load (counter cpu_percent)
    bool Baseline() const { return Variant.rfind("Baseline", 0) == 0; }
};

double ToNanoseconds(double Time, const std::string& Unit)
{
    if (Unit == "us") return Time * 1e3;
    if (Unit == "ms") return Time * 1e6;
    if (Unit == "s") return Time * 1e9;
    return Time;
}

/// Splits "BM_Topic_Variant/arg/arg/real_time" into its parts. Names that do
/// not follow the convention keep their whole base name as the topic.
void SplitName(TResult& R)
{
    std::string Base = R.Name;
    std::string Args;
    if (size_t Slash = Base.find('/'); Slash != std::string::npos) {
        std::string Rest = Base.substr(Slash + 1);
        Base.resize(Slash);
        // Only the arguments: "real_time", "iterations:1", "min_time:..." go.
        size_t Pos = 0;
        while (Pos <= Rest.size()) {
            size_t End = Rest.find('/', Pos);
            if (End == std::string::npos) End = Rest.size();
            std::string Part = Rest.substr(Pos, End - Pos);
            if (!Part.empty() && Part.find_first_not_of("-0123456789") == std::string::npos)
                Args += (Args.empty() ? "" : "/") + Part;
            Pos = End + 1;
        }
    }
    R.Args = Args;
    if (Base.rfind("BM_", 0) == 0) Base.erase(0, 3);
    const size_t Sep = Base.find('_');
    if (Sep == std::string::npos || Sep == 0 || Sep + 1 == Base.size()) {
        R.Topic = Base;
        R.Variant = "";
        return;
    }
    R.Topic = Base.substr(0, Sep);
    R.Variant = Base.substr(Sep + 1);
}

std::vector<TResult> ReadReport(const std::string& Path)
{
    std::ifstream In(Path);
    if (!In) throw std::runtime_error("cannot read " + Path);
    const json Report = json::parse(In);
    std::string Program = Path;
    if (size_t Slash = Program.find_last_of('/'); Slash != std::string::npos) Program.erase(0, Slash + 1);
    if (size_t Dot = Program.rfind(".json"); Dot != std::string::npos) Program.resize(Dot);
    std::vector<TResult> Out;
    for (const json& B : Report.value("benchmarks", json::array())) {
        // Aggregates (mean, median ...) of repetitions stand for themselves
        // only as the mean; single runs are "iteration".
        const std::string Type = B.value("run_type", "iteration");
        if (Type == "aggregate" && B.value("aggregate_name", "") != "mean") continue;
        TResult R;
        R.Program = Program;
        R.Name = B.value("run_name", B.value("name", ""));
        SplitName(R);
        if (B.contains("cpu_percent")) {
            R.Cpu = true;
            R.Value = B["cpu_percent"].get<double>();
        } else {
            R.Value = ToNanoseconds(B.value("real_time", 0.0), B.value("time_unit", "ns"));
        }
        if (B.contains("error_occurred") && B["error_occurred"].get<bool>()) continue;
        Out.push_back(R);
    }
    return Out;
}

std::string FormatValue(const TResult& R)
{
    char Buf[64];
    if (R.Cpu) {
        std::snprintf(Buf, sizeof Buf, "%.2f %% CPU", R.Value);
        return Buf;
    }
    const double ns = R.Value;
    if (ns >= 1e9) std::snprintf(Buf, sizeof Buf, "%.3g s", ns / 1e9);
    else if (ns >= 1e6) std::snprintf(Buf, sizeof Buf, "%.3g ms", ns / 1e6);
    else if (ns >= 1e3) std::snprintf(Buf, sizeof Buf, "%.3g us", ns / 1e3);
    else std::snprintf(Buf, sizeof Buf, "%.3g ns", ns);
    return Buf;
}

std::string Label(const TResult& R)
{
    std::string L = R.Variant.empty() ? R.Topic : R.Variant;
    if (!R.Args.empty()) L += "/" + R.Args;
    return L;
}

/// The baselines a figure is measured against: each baseline variant of its
/// topic, taken with the figure's arguments where that variant has them,
/// else without arguments.
std::vector<const TResult*> BaselinesOf(const TResult& Figure, const std::vector<TResult>& All)
{
    std::map<std::string, const TResult*> ByVariant;
    for (const TResult& B : All) {
        if (!B.Baseline() || B.Topic != Figure.Topic || B.Cpu != Figure.Cpu) continue;
        const TResult*& Slot = ByVariant[B.Variant];
        if (B.Args == Figure.Args) Slot = &B;
        else if (B.Args.empty() && (Slot == nullptr || Slot->Args != Figure.Args)) Slot = &B;
    }
    std::vector<const TResult*> Out;
    for (const auto& [Variant, B] : ByVariant)
        if (B != nullptr) Out.push_back(B);
    return Out;
}

struct TRow {
    const TResult* Figure;
    const TResult* Baseline;   // null: a figure without a baseline
};

} // namespace

int main(int argc, char** argv)
{
    bool Json = false;
    std::vector<std::string> Paths;
    for (int i = 1; i < argc; ++i) {
        const std::string A = argv[i];
        if (A == "--json") Json = true;
        else Paths.push_back(A);
    }
    if (Paths.empty()) {
        std::cerr << "usage: kxtapi-bench-table [--json] REPORT.json...\n";
        return 2;
    }
    std::vector<TResult> All;
    try {
        for (const std::string& P : Paths) {
            std::vector<TResult> R = ReadReport(P);
            All.insert(All.end(), R.begin(), R.end());
        }
    } catch (const std::exception& E) {
        std::cerr << "kxtapi-bench-table: " << E.what() << "\n";
        return 1;
    }

    std::vector<TRow> Rows;
    for (const TResult& F : All) {
        if (F.Baseline()) continue;
        std::vector<const TResult*> Bs = BaselinesOf(F, All);
        if (Bs.empty()) Rows.push_back({&F, nullptr});
        for (const TResult* B : Bs) Rows.push_back({&F, B});
    }
    // Baselines that no figure used are listed too, so nothing measured is hidden.
    for (const TResult& B : All) {
        if (!B.Baseline()) continue;
        bool Used = false;
        for (const TRow& R : Rows) Used = Used || R.Baseline == &B;
        if (!Used) Rows.push_back({&B, nullptr});
    }
    // A topic's rows together, topics in the order they first appear.
    std::map<std::string, size_t> FirstSeen;
    for (const TResult& R : All) FirstSeen.emplace(R.Topic, FirstSeen.size());
    std::stable_sort(Rows.begin(), Rows.end(), [&](const TRow& A, const TRow& B) {
        return FirstSeen[A.Figure->Topic] < FirstSeen[B.Figure->Topic];
    });

    if (Json) {
        json Out = json::array();
        for (const TRow& R : Rows) {
            json Row = {{"program", R.Figure->Program},
                        {"topic", R.Figure->Topic},
                        {"benchmark", R.Figure->Name},
                        {"value", R.Figure->Value},
                        {"unit", R.Figure->Cpu ? "cpu_percent" : "ns"}};
            if (R.Baseline != nullptr) {
                Row["baseline"] = R.Baseline->Name;
                Row["baseline_value"] = R.Baseline->Value;
                Row["ratio"] = R.Baseline->Value > 0 ? json(R.Figure->Value / R.Baseline->Value) : json(nullptr);
            }
            Out.push_back(Row);
        }
        std::cout << Out.dump(2) << "\n";
        return 0;
    }

    std::printf("%-16s %-30s %12s   %-30s %12s %9s\n", "topic", "figure", "value", "baseline", "value", "ratio");
    std::string Last;
    for (const TRow& R : Rows) {
        const TResult& F = *R.Figure;
        const std::string Topic = F.Topic != Last ? F.Topic : "";
        Last = F.Topic;
        if (R.Baseline == nullptr) {
            std::printf("%-16s %-30s %12s   %-30s %12s %9s\n", Topic.c_str(), Label(F).c_str(),
                        FormatValue(F).c_str(), "-", "", "");
            continue;
        }
        const TResult& B = *R.Baseline;
        char Ratio[32] = "-";
        if (B.Value > 0) std::snprintf(Ratio, sizeof Ratio, "%.2fx", F.Value / B.Value);
        std::printf("%-16s %-30s %12s   %-30s %12s %9s\n", Topic.c_str(), Label(F).c_str(), FormatValue(F).c_str(),
                    Label(B).c_str(), FormatValue(B).c_str(), Ratio);
    }
    return 0;
}

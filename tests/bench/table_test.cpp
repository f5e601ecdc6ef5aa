// The benchmark table pairs each figure with the baselines its name points
// to: by topic, by arguments, across programs, by CPU counter, in any time
// unit; and it leaves nothing measured out.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <unistd.h>

namespace {

using nlohmann::json;

struct TRun {
    int Status = -1;
    std::string Out;
};

TRun RunTable(const std::string& Args)
{
    TRun R;
    FILE* P = ::popen((std::string(KXTAPI_BENCH_TABLE) + " " + Args + " 2>&1").c_str(), "r");
    if (P == nullptr) return R;
    char Buf[4096];
    for (size_t n; (n = std::fread(Buf, 1, sizeof Buf, P)) > 0;) R.Out.append(Buf, n);
    const int s = ::pclose(P);
    R.Status = WIFEXITED(s) ? WEXITSTATUS(s) : -1;
    return R;
}

class BenchTable : public ::testing::Test {
protected:
    BenchTable()
    {
        char Templ[] = "/tmp/kxtapi-bench-table-XXXXXX";
        Dir = ::mkdtemp(Templ) ? Templ : "";
    }
    ~BenchTable() override
    {
        if (!Dir.empty()) std::system(("rm -rf '" + Dir + "'").c_str());
    }
    std::string Report(const std::string& Program, const json& Benchmarks)
    {
        const std::string Path = Dir + "/" + Program + ".json";
        std::ofstream(Path) << json{{"context", json::object()}, {"benchmarks", Benchmarks}}.dump();
        return Path;
    }
    static json Time(const std::string& Name, double Value, const std::string& Unit = "ns")
    {
        return {{"name", Name}, {"run_name", Name}, {"run_type", "iteration"}, {"real_time", Value},
                {"cpu_time", Value}, {"time_unit", Unit}};
    }
    std::string Dir;
};

TEST_F(BenchTable, FiguresMeetTheirBaselinesAndNothingIsLeftOut)
{
    json Failed = Time("BM_Fifo_Broken", 1);
    Failed["error_occurred"] = true;
    json Mean = Time("BM_Request_Sync", 3, "us");
    Mean["run_type"] = "aggregate";
    Mean["aggregate_name"] = "mean";
    json Median = Time("BM_Request_Sync", 99, "us");
    Median["run_type"] = "aggregate";
    Median["aggregate_name"] = "median";
    json Idle = Time("BM_IdleCpu_Session", 1);
    Idle["cpu_percent"] = 2.0;
    json IdleBase = Time("BM_IdleCpu_BaselineThread", 5);
    IdleBase["cpu_percent"] = 0.5;
    const std::string A = Report("bench_a", json::array({
        Time("BM_Fifo_Triggers/8", 200), Time("BM_Fifo_Baseline/8", 100), Time("BM_Fifo_Baseline", 50),
        Time("BM_Fifo_Triggers/1/real_time", 80), Failed, Mean, Median, Time("BM_Request_BaselineAsync", 1500),
        Time("BM_Odd", 7), Time("BM_Lonely_BaselineOnly", 9), Idle}));
    const std::string B = Report("bench_b", json::array({IdleBase}));

    TRun R = RunTable("--json " + A + " " + B);
    ASSERT_EQ(R.Status, 0) << R.Out;
    const json Rows = json::parse(R.Out);
    // figure -> baseline -> ratio; a figure without a baseline maps to "".
    std::map<std::string, std::map<std::string, double>> Got;
    for (const json& Row : Rows)
        Got[Row["benchmark"]][Row.value("baseline", "")] = Row.contains("ratio") ? Row["ratio"].get<double>() : 0;

    // A figure takes the baseline with its own arguments, else the one without.
    EXPECT_DOUBLE_EQ(Got["BM_Fifo_Triggers/8"]["BM_Fifo_Baseline/8"], 2.0);
    EXPECT_EQ(Got["BM_Fifo_Triggers/8"].count("BM_Fifo_Baseline"), 0u);
    EXPECT_DOUBLE_EQ(Got["BM_Fifo_Triggers/1/real_time"]["BM_Fifo_Baseline"], 1.6);
    // Units are converted; only the mean of repetitions counts.
    EXPECT_DOUBLE_EQ(Got["BM_Request_Sync"]["BM_Request_BaselineAsync"], 2.0);
    EXPECT_EQ(Got["BM_Request_Sync"].size(), 1u);
    // CPU figures meet CPU baselines, across programs, by their counter.
    EXPECT_DOUBLE_EQ(Got["BM_IdleCpu_Session"]["BM_IdleCpu_BaselineThread"], 4.0);
    // Failed runs go; names off the convention and unused baselines stay, alone.
    EXPECT_EQ(Got.count("BM_Fifo_Broken"), 0u);
    EXPECT_EQ(Got["BM_Odd"].count(""), 1u);
    EXPECT_EQ(Got["BM_Lonely_BaselineOnly"].count(""), 1u);
    EXPECT_EQ(Rows.size(), 6u);

    // The text table shows the same pairs with their ratios.
    R = RunTable(A + " " + B);
    ASSERT_EQ(R.Status, 0) << R.Out;
    EXPECT_NE(R.Out.find("Triggers/8"), std::string::npos) << R.Out;
    EXPECT_NE(R.Out.find("2.00x"), std::string::npos) << R.Out;
    EXPECT_NE(R.Out.find("4.00x"), std::string::npos) << R.Out;
}

TEST_F(BenchTable, UnreadableReportsAndNoArgumentsFail)
{
    TRun R = RunTable(Dir + "/missing.json");
    EXPECT_EQ(R.Status, 1);
    EXPECT_NE(R.Out.find("cannot read"), std::string::npos) << R.Out;
    std::ofstream(Dir + "/bad.json") << "{\"benchmarks\": [";
    R = RunTable(Dir + "/bad.json");
    EXPECT_EQ(R.Status, 1) << R.Out;
    R = RunTable("");
    EXPECT_EQ(R.Status, 2);
    EXPECT_NE(R.Out.find("usage"), std::string::npos);
}

}  // namespace

// The console reporter every benchmark here uses: the usual table, then a summary that
// sets our figures beside the peer's measured in the same run.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

class TRatioReporter : public benchmark::ConsoleReporter {
public:
    // Mean real (or manual) time per iteration by benchmark name, in each benchmark's own
    // unit; the CPU time as "name:cpu", and each counter as "name:counter".
    using TTimes = std::map<std::string, double>;
    using TSummary = std::function<void(const TTimes&)>;

    explicit TRatioReporter(TSummary summary) : FSummary(std::move(summary)) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const auto& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred)
                continue;
            // "BM_X/iterations:20/real_time" and "BM_X" name the same benchmark for the
            // summary.
            std::string name = run.benchmark_name();
            for (const char* suffix : {"/real_time", "/manual_time", "/iterations:"}) {
                const auto at = name.find(suffix);
                if (at != std::string::npos)
                    name.erase(at);
            }
            FTimes[name] = run.GetAdjustedRealTime();
            FTimes[name + ":cpu"] = run.GetAdjustedCPUTime();
            for (const auto& [counter, value] : run.counters)
                FTimes[name + ":" + counter] = value;
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        FSummary(FTimes);
    }

private:
    TSummary FSummary;
    TTimes FTimes;
};

// The time of `name`, or 0 when it did not run.
inline double TimeOf(const TRatioReporter::TTimes& times, const std::string& name) {
    const auto it = times.find(name);
    return it == times.end() ? 0.0 : it->second;
}

// Runs the registered benchmarks with a TRatioReporter and its summary.
inline int RunWithRatios(int argc, char** argv, TRatioReporter::TSummary summary) {
    benchmark::Initialize(&argc, argv);
    TRatioReporter reporter(std::move(summary));
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

// The one table the benchmark program prints: every measured step with its time, its floor and
// its target, from the medians over the run's repetitions.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace VLMB {

struct TRow {
    std::string label;   // what the table calls the step
    std::string name;    // its benchmark
    bool floor = false;  // the benchmark runs a floor beside the step
    double maxRatio = 0; // target: at most this many times the floor; 0: none
    double maxMs = 0;    // target: under this many milliseconds; 0: none
    int64_t pixels = 0;  // > 0: a point of the background size sweep (stored pixels)
    // > 0: the step's memory (counters held_mb and peak_mb, over its floor's) must stay below.
    double maxMb = 0;
};

// Adds a row to the table, in the order the table shows them.
void AddRow(const TRow& row);
const std::vector<TRow>& Rows();

double Median(std::vector<double>& values);

// Keeps the counters of each benchmark: their median over the repetitions when there are any,
// else the single run's. Without a reporter to forward to, prints a line per benchmark on
// stderr so that a long run shows progress.
class TCollector : public benchmark::BenchmarkReporter {
public:
    explicit TCollector(benchmark::BenchmarkReporter* forward) : forward(forward) {}
    bool ReportContext(const Context& context) override;
    void ReportRuns(const std::vector<Run>& runs) override;
    void Finalize() override;

    struct TResult {
        double stepNs = 0, floorNs = 0, ratio = 0;
        double heldMb = 0, peakMb = 0; // memory over the floor's, when measured
        int64_t repetitions = 0;       // 0: one run, no median
        std::string error;             // the benchmark gave up: why
    };
    std::map<std::string, TResult> results;

private:
    benchmark::BenchmarkReporter* forward;
};

// Prints the table; returns the number of targets missed.
int PrintTable(const TCollector& collector);

} // namespace VLMB

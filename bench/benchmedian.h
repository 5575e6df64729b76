// A reporter that passes on the median of each benchmark's repetitions and nothing else: the
// programs that print their own table keep what they need of it.
#pragma once

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

class TMedianReporter : public benchmark::BenchmarkReporter {
public:
    bool ReportContext(const Context&) override { return true; }
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs) {
            if (r.run_type != Run::RT_Aggregate || r.aggregate_name != "median") continue;
            Keep(r.run_name.function_name + (r.run_name.args.empty() ? "" : "/" + r.run_name.args),
                 r);
        }
    }

protected:
    // name: the benchmark's name, "/" and its arguments when it has any.
    virtual void Keep(const std::string& name, const Run& median) = 0;
};

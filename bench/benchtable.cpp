#include "benchtable.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace VLMB {

namespace {

std::vector<TRow>& RowList() {
    static std::vector<TRow> rows;
    return rows;
}

std::string Duration(double ns) {
    char text[32];
    if (ns < 0)
        std::snprintf(text, sizeof text, "-");
    else if (ns < 10e3)
        std::snprintf(text, sizeof text, "%.2f us", ns / 1e3);
    else if (ns < 10e6)
        std::snprintf(text, sizeof text, "%.1f us", ns / 1e3);
    else
        std::snprintf(text, sizeof text, "%.1f ms", ns / 1e6);
    return text;
}

struct TFit {
    double intercept = 0, slope = 0, worst = 0; // worst: largest |residual| / measured
};

TFit FitLine(const std::vector<std::pair<double, double>>& points) {
    TFit fit;
    const double n = static_cast<double>(points.size());
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (const auto& [x, y] : points) {
        sx += x;
        sy += y;
        sxx += x * x;
        sxy += x * y;
    }
    const double d = n * sxx - sx * sx;
    if (points.size() < 2 || d == 0) return fit;
    fit.slope = (n * sxy - sx * sy) / d;
    fit.intercept = (sy - fit.slope * sx) / n;
    for (const auto& [x, y] : points)
        fit.worst = std::max(fit.worst, std::fabs(fit.intercept + fit.slope * x - y) / y);
    return fit;
}

} // namespace

void AddRow(const TRow& row) {
    RowList().push_back(row);
}

const std::vector<TRow>& Rows() {
    return RowList();
}

double Median(std::vector<double>& values) {
    if (values.empty()) return 0;
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    if (values.size() % 2 == 1) return *middle;
    return (*middle + *std::max_element(values.begin(), middle)) / 2;
}

bool TCollector::ReportContext(const Context& context) {
    return forward ? forward->ReportContext(context) : true;
}

void TCollector::ReportRuns(const std::vector<Run>& runs) {
    if (forward) forward->ReportRuns(runs);
    for (const Run& run : runs) {
        const std::string name = run.run_name.function_name;
        if (run.error_occurred) {
            std::fprintf(stderr, "bench: %s failed: %s\n", name.c_str(), run.error_message.c_str());
            results[name].error = run.error_message;
            continue;
        }
        const bool isMedian = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
        if (run.run_type == Run::RT_Aggregate && !isMedian) continue;
        TResult& r = results[name];
        if (r.repetitions > 0 && !isMedian) continue;
        const auto counter = [&](const char* key) {
            const auto it = run.counters.find(key);
            return it == run.counters.end() ? 0.0 : static_cast<double>(it->second);
        };
        r.stepNs = counter("step_ns");
        r.floorNs = counter("floor_ns");
        r.ratio = counter("ratio");
        r.heldMb = counter("held_mb");
        r.peakMb = counter("peak_mb");
        r.repetitions = isMedian ? run.repetitions : 0;
        if (isMedian && !forward) {
            std::fprintf(stderr, "  %-28s %10s", name.c_str(), Duration(r.stepNs).c_str());
            if (r.floorNs > 0) std::fprintf(stderr, "  floor %10s", Duration(r.floorNs).c_str());
            std::fprintf(stderr, "\n");
        }
    }
}

void TCollector::Finalize() {
    if (forward) forward->Finalize();
}

int PrintTable(const TCollector& collector) {
    int missed = 0;
    int64_t repetitions = 0;
    for (const auto& [name, r] : collector.results)
        repetitions = std::max(repetitions, r.repetitions);
    const std::string rule(96, '-');
    std::printf("\n%-46s %10s %10s %7s %9s\n", "step", "time", "floor", "ratio", "target");
    std::printf("%s\n", rule.c_str());
    std::vector<std::pair<double, double>> sweep, sweepFloor;
    for (const TRow& row : Rows()) {
        // A row left out by --benchmark_filter is not shown; one whose benchmark gave up is,
        // as a miss: a step that no longer works has met no target.
        const auto it = collector.results.find(row.name);
        if (it == collector.results.end()) continue;
        const TCollector::TResult& r = it->second;
        if (!r.error.empty() || r.stepNs <= 0) {
            ++missed;
            std::printf("%-46s %10s %10s %7s %9s  FAILED: %s\n", row.label.c_str(), "", "", "", "",
                        r.error.empty() ? "no time measured" : r.error.c_str());
            continue;
        }
        char ratio[32] = "", target[32] = "";
        if (row.floor) std::snprintf(ratio, sizeof ratio, "%.2fx", r.ratio);
        const char* verdict = "";
        if (row.maxRatio > 0) {
            std::snprintf(target, sizeof target, "<= %gx", row.maxRatio);
            const bool holds = r.ratio > 0 && r.ratio <= row.maxRatio;
            verdict = holds ? "holds" : "MISSED";
            missed += holds ? 0 : 1;
        } else if (row.maxMs > 0) {
            std::snprintf(target, sizeof target, "< %g ms", row.maxMs);
            const bool holds = r.stepNs < row.maxMs * 1e6;
            verdict = holds ? "holds" : "MISSED";
            missed += holds ? 0 : 1;
        }
        std::printf("%-46s %10s %10s %7s %9s  %s\n", row.label.c_str(), Duration(r.stepNs).c_str(),
                    row.floor ? Duration(r.floorNs).c_str() : "", ratio, target, verdict);
        if (row.maxMb > 0) {
            const bool holds = r.heldMb < row.maxMb && r.peakMb < row.maxMb;
            missed += holds ? 0 : 1;
            std::printf("%-46s %10s %10s %7s %9s  %s\n", "  memory over the floor's: held, peak",
                        (std::to_string(static_cast<int>(r.heldMb + 0.5)) + " MB").c_str(),
                        (std::to_string(static_cast<int>(r.peakMb + 0.5)) + " MB").c_str(), "",
                        ("< " + std::to_string(static_cast<int>(row.maxMb)) + " MB").c_str(),
                        holds ? "holds" : "MISSED");
        }
        if (row.pixels > 0) {
            sweep.emplace_back(static_cast<double>(row.pixels), r.stepNs);
            sweepFloor.emplace_back(static_cast<double>(row.pixels), r.floorNs);
        }
    }
    std::printf("%s\n", rule.c_str());
    if (sweep.size() >= 2) {
        // Linear in pixels: every size lies within 10% of one straight line.
        const TFit fit = FitLine(sweep), floorFit = FitLine(sweepFloor);
        const bool holds = fit.worst <= 0.10;
        missed += holds ? 0 : 1;
        std::printf("background sizes: %.3f ns per stored pixel + %s; every size within %.1f%% "
                    "of that line (target 10%%)  %s\n",
                    fit.slope, Duration(fit.intercept).c_str(), 100 * fit.worst,
                    holds ? "holds" : "MISSED");
        std::printf("  their floor:     %.3f ns per stored pixel + %s\n", floorFit.slope,
                    Duration(floorFit.intercept).c_str());
    }
    std::printf("times: wall clock per step, median of the steps of a run, then median over "
                "%lld repetition(s);\nratio: the step's median over its floor's, the two run "
                "in turn. %d target(s) missed.\n",
                static_cast<long long>(std::max<int64_t>(repetitions, 1)), missed);
    return missed;
}

} // namespace VLMB

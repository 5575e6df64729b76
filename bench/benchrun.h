// Runs a step once per benchmark iteration and times each call on its own, so the table can
// use medians: a step that the scheduler interrupts is an outlier, not a slower average. A
// paired run alternates the engine's step with its floor, which then share the machine's
// state of the moment (other processes, caches, clock) and make a steady ratio.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

namespace VLMB {

double Median(std::vector<double>& values);

template <class F> double TimeNs(F& step) {
    const auto start = std::chrono::steady_clock::now();
    step();
    return std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start)
        .count();
}

// Counters: "step_ns", the median time of one step. between, untimed, runs before each step.
template <class F, class B> void RunSingle(benchmark::State& state, F&& step, B&& between) {
    std::vector<double> times;
    times.reserve(1 << 16);
    for (auto _ : state) {
        between();
        const double t = TimeNs(step);
        times.push_back(t);
        state.SetIterationTime(t * 1e-9);
    }
    state.counters["step_ns"] = Median(times);
}

template <class F> void RunSingle(benchmark::State& state, F&& step) {
    RunSingle(state, step, [] {});
}

// Counters: "step_ns" and "floor_ns", the medians, and "ratio" between them. A floor too
// short to time alone runs floorRepeat times a call.
template <class E, class F>
void RunPaired(benchmark::State& state, E&& engine, F&& floor, int floorRepeat = 1) {
    std::vector<double> engineTimes, floorTimes;
    engineTimes.reserve(1 << 16);
    floorTimes.reserve(1 << 16);
    auto floors = [&] {
        for (int i = 0; i < floorRepeat; ++i)
            floor();
    };
    bool floorFirst = false;
    for (auto _ : state) {
        // Alternating who goes first shares out the caches the other one leaves warm.
        if (floorFirst) floorTimes.push_back(TimeNs(floors) / floorRepeat);
        const double t = TimeNs(engine);
        if (!floorFirst) floorTimes.push_back(TimeNs(floors) / floorRepeat);
        floorFirst = !floorFirst;
        engineTimes.push_back(t);
        state.SetIterationTime(t * 1e-9);
    }
    const double e = Median(engineTimes), f = Median(floorTimes);
    state.counters["step_ns"] = e;
    state.counters["floor_ns"] = f;
    state.counters["ratio"] = f > 0 ? e / f : 0;
}

} // namespace VLMB

#pragma once
// Times a subject and its floor alternately within one benchmark, so that a
// slow moment of this shared machine weighs on both alike, and reports the
// mean of each and their ratio. Work that neither should pay (preparing an
// input) goes in `prepare`, which runs untimed before each subject run.
#include <chrono>

#include <benchmark/benchmark.h>

namespace bench {

struct SideBySideResult {
    double floorSeconds = 0;
    double subjectSeconds = 0;
};

inline void reportSideBySide(benchmark::State& state, const SideBySideResult& total, double operations) {
    state.counters["floor_us"] = total.floorSeconds / operations * 1e6;
    state.counters["subject_us"] = total.subjectSeconds / operations * 1e6;
    state.counters["ratio"] = total.floorSeconds > 0 ? total.subjectSeconds / total.floorSeconds : 0;
}

template <typename Floor, typename Subject, typename Prepare>
void sideBySide(benchmark::State& state, Floor floor, Subject subject, Prepare prepare) {
    using Clock = std::chrono::steady_clock;
    SideBySideResult total;
    auto timed = [](auto&& run) {
        const auto start = Clock::now();
        run();
        return std::chrono::duration<double>(Clock::now() - start).count();
    };
    bool floorFirst = true;
    for (auto _ : state) {
        // Alternating the order keeps either one from always finding the
        // caches as the other left them.
        prepare();
        if (floorFirst) total.floorSeconds += timed(floor);
        total.subjectSeconds += timed(subject);
        if (!floorFirst) total.floorSeconds += timed(floor);
        floorFirst = !floorFirst;
    }
    reportSideBySide(state, total, static_cast<double>(state.iterations()));
}

template <typename Floor, typename Subject>
void sideBySide(benchmark::State& state, Floor floor, Subject subject) {
    sideBySide(state, floor, subject, [] {});
}

}  // namespace bench

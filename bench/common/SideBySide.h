#pragma once
// Times a subject and its floor alternately within one benchmark, so that a
// slow moment of this shared machine weighs on both alike, and reports the
// mean of each and their ratio. Work that neither should pay (preparing an
// input) goes in `prepare`, which runs untimed before each subject run.
#include <chrono>

#include <benchmark/benchmark.h>

namespace bench {

template <typename Floor, typename Subject, typename Prepare>
void sideBySide(benchmark::State& state, Floor floor, Subject subject, Prepare prepare) {
    using Clock = std::chrono::steady_clock;
    double floorSeconds = 0;
    double subjectSeconds = 0;
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
        if (floorFirst) floorSeconds += timed(floor);
        subjectSeconds += timed(subject);
        if (!floorFirst) floorSeconds += timed(floor);
        floorFirst = !floorFirst;
    }
    const auto iterations = static_cast<double>(state.iterations());
    state.counters["floor_us"] = floorSeconds / iterations * 1e6;
    state.counters["subject_us"] = subjectSeconds / iterations * 1e6;
    state.counters["ratio"] = floorSeconds > 0 ? subjectSeconds / floorSeconds : 0;
}

template <typename Floor, typename Subject>
void sideBySide(benchmark::State& state, Floor floor, Subject subject) {
    sideBySide(state, floor, subject, [] {});
}

}  // namespace bench

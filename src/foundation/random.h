#pragma once

// Random choices, one engine per thread (no locks, no shared state). The index and shuffle
// follow the option RANDOM; with it off they always choose the first candidate and keep the
// order. Any thread.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <random>
#include <vector>

namespace orv {

// Where the option RANDOM is read: the settings sit above this layer, so the start-up links
// them here, for example gf_setRandomOption([] { return cfg::RANDOM.value(); }). Until then, or
// after an empty function, the option counts as on, its default. Set before the threads that
// draw start.
void gf_setRandomOption(std::function<bool()> isOn);
[[nodiscard]] bool gf_randomOptionOn();

// The calling thread's engine, seeded on first use from a random device, the steady clock and
// the thread's id.
[[nodiscard]] std::mt19937& gf_randomEngine();

// A uniform index in [0, n); 0 when RANDOM is off or n < 2.
[[nodiscard]] std::size_t gf_randomIndex(std::size_t n);

// A uniform shuffle when RANDOM is on and there are at least two ids.
void gf_shuffleIfRandom(std::vector<std::uint16_t>& ids);

// v plus or minus p percent of v, the sign drawn at random whatever RANDOM says; v itself when
// p is 0 or less.
[[nodiscard]] double gf_randomVariation(double value, double percentage);

}  // namespace orv

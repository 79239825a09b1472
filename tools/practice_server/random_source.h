#pragma once

#include <cstdint>
#include <random>

namespace zamo::practice {

// The server's one source of chance, so that a seed repeats a match exactly.
class RandomSource {
  public:
    explicit RandomSource(std::uint64_t seed) : engine_(seed) {}

    // Uniform in [0, 1), computed from the engine's bits so it is the same on every library.
    double uniform() { return static_cast<double>(engine_() >> 11) * 0x1.0p-53; }

  private:
    std::mt19937_64 engine_;
};

}  // namespace zamo::practice

// The field's fixed flags and their places.
#include "agent/perception/landmarks.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "agent/config/missing_values.h"

namespace zamo {
namespace {

constexpr double kNo = kNoTime;

constexpr std::array<Landmark, kLandmarkCount + 1> kTable{{
    {"c", 0, 0.0, 0.0},           {"c t", 1, 0.0, -34.0},       {"c b", 2, 0.0, 34.0},
    {"l t", 3, -52.5, -34.0},     {"l b", 4, -52.5, 34.0},      {"r t", 5, 52.5, -34.0},
    {"r b", 6, 52.5, 34.0},       {"p l t", 7, -36.0, -20.16},  {"p l c", 8, -36.0, 0.0},
    {"p l b", 9, -36.0, 20.16},   {"p r t", 10, 36.0, -20.16},  {"p r c", 11, 36.0, 0.0},
    {"p r b", 12, 36.0, 20.16},   {"g l t", 13, -52.5, -7.01},  {"g l b", 14, -52.5, 7.01},
    {"g r t", 15, 52.5, -7.01},   {"g r b", 16, 52.5, 7.01},    {"t l 50", 17, -50.0, -39.0},
    {"t l 40", 18, -40.0, -39.0}, {"t l 30", 19, -30.0, -39.0}, {"t l 20", 20, -20.0, -39.0},
    {"t l 10", 21, -10.0, -39.0}, {"t 0", 22, 0.0, -39.0},      {"t r 10", 23, 10.0, -39.0},
    {"t r 20", 24, 20.0, -39.0},  {"t r 30", 25, 30.0, -39.0},  {"t r 40", 26, 40.0, -39.0},
    {"t r 50", 27, 50.0, -39.0},  {"b l 50", 28, -50.0, 39.0},  {"b l 40", 29, -40.0, 39.0},
    {"b l 30", 30, -30.0, 39.0},  {"b l 20", 31, -20.0, 39.0},  {"b l 10", 32, -10.0, 39.0},
    {"b 0", 33, 0.0, 39.0},       {"b r 10", 34, 10.0, 39.0},   {"b r 20", 35, 20.0, 39.0},
    {"b r 30", 36, 30.0, 39.0},   {"b r 40", 37, 40.0, 39.0},   {"b r 50", 38, 50.0, 39.0},
    {"l t 30", 39, -57.5, -30.0}, {"l t 20", 40, -57.5, -20.0}, {"l t 10", 41, -57.5, -10.0},
    {"l 0", 42, -57.5, 0.0},      {"l b 10", 43, -57.5, 10.0},  {"l b 20", 44, -57.5, 20.0},
    {"l b 30", 45, -57.5, 30.0},  {"r t 30", 46, 57.5, -30.0},  {"r t 20", 47, 57.5, -20.0},
    {"r t 10", 48, 57.5, -10.0},  {"r 0", 49, 57.5, 0.0},       {"r b 10", 50, 57.5, 10.0},
    {"r b 20", 51, 57.5, 20.0},   {"r b 30", 52, 57.5, 30.0},   {"Unknown", 53, kNo, kNo},
}};

// Flag names are at most 8 bytes without NULs, so each packs into one integer; the parser looks
// up dozens of flags per see message and compares integers instead of strings.
constexpr std::size_t kMaxPackedName = 8;

constexpr std::uint64_t packName(std::string_view name) {
    std::uint64_t key = 0;
    for (std::size_t i = 0; i < name.size(); ++i) {
        key |= std::uint64_t{static_cast<unsigned char>(name[i])} << (8 * i);
    }
    return key;
}

constexpr std::array<std::pair<std::uint64_t, int>, kLandmarkCount> kSortedKeys = [] {
    std::array<std::pair<std::uint64_t, int>, kLandmarkCount> keys{};
    for (int i = 0; i < kLandmarkCount; ++i) {
        keys[i] = {packName(kTable[i].name), i};
    }
    std::sort(keys.begin(), keys.end());
    return keys;
}();

}  // namespace

const std::array<Landmark, kLandmarkCount + 1>& landmarkTable() {
    return kTable;
}

int findLandmark(std::string_view name) {
    if (name.empty() || name.size() > kMaxPackedName || name.find('\0') != std::string_view::npos) {
        return kUnknownLandmark;
    }
    const std::uint64_t key = packName(name);
    const auto it = std::lower_bound(kSortedKeys.begin(), kSortedKeys.end(), key,
                                     [](const std::pair<std::uint64_t, int>& entry,
                                        std::uint64_t k) { return entry.first < k; });
    return it != kSortedKeys.end() && it->first == key ? it->second : kUnknownLandmark;
}

}  // namespace zamo

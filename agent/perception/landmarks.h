// The field's fixed flags and their places.
#pragma once

#include <array>
#include <string_view>

namespace zamo {

// A fixed flag of the field as the server names it after "f ", with its position in the
// simulator's absolute frame (x towards the right goal, y towards the bottom line).
struct Landmark {
    std::string_view name;
    int index = 0;
    double x = 0.0;
    double y = 0.0;
};

inline constexpr int kLandmarkCount = 53;
// The index of a flag whose name was not given or is not in the table.
inline constexpr int kUnknownLandmark = 53;

// The 53 flags in index order, followed by the "Unknown" row.
const std::array<Landmark, kLandmarkCount + 1>& landmarkTable();

// The index of the flag named exactly name (for example "r b 30"), kUnknownLandmark when none.
int findLandmark(std::string_view name);

}  // namespace zamo

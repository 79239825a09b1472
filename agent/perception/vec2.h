// A point or displacement on the field.
#pragma once

namespace zamo {

// A point or displacement on the field in metres, in the agent's own frame.
struct Vec2 {
    double x = 0.0;
    double y = 0.0;

    constexpr Vec2 operator+(Vec2 o) const { return {x + o.x, y + o.y}; }
    constexpr Vec2 operator-(Vec2 o) const { return {x - o.x, y - o.y}; }
    constexpr Vec2 operator*(double k) const { return {x * k, y * k}; }
    constexpr Vec2 operator/(double k) const { return {x / k, y / k}; }
    constexpr Vec2& operator+=(Vec2 o) {
        x += o.x;
        y += o.y;
        return *this;
    }
    constexpr Vec2& operator-=(Vec2 o) {
        x -= o.x;
        y -= o.y;
        return *this;
    }
    constexpr bool operator==(const Vec2&) const = default;
};

}  // namespace zamo

#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace zamo::stats {

struct Colour {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
};

// An RGB picture with the few drawing operations the summary needs; drawing outside the picture
// is clipped.
class Image {
  public:
    Image(int width, int height, Colour background);

    int width() const { return width_; }
    int height() const { return height_; }
    Colour pixel(int x, int y) const;

    void set(int x, int y, Colour colour);
    void fillRect(int x, int y, int width, int height, Colour colour);
    void line(int x0, int y0, int x1, int y1, Colour colour);
    void circle(int cx, int cy, int radius, Colour colour);
    // Text in a 5 x 7 pixel font, upper case, each pixel drawn scale x scale; returns the width.
    int text(int x, int y, std::string_view text, Colour colour, int scale = 1);
    static int textWidth(std::string_view text, int scale = 1);

    // The picture as a PNG file's bytes (8-bit RGB, not interlaced).
    std::string png() const;
    bool writePng(const std::filesystem::path& path, std::string& error) const;

  private:
    int width_;
    int height_;
    std::vector<std::uint8_t> rgb_;
};

}  // namespace zamo::stats

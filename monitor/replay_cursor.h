#pragma once

#include <array>

namespace zamo::monitor {

// Where a replay stands in its frames and how it moves on: play and pause, steps, jumps and
// the speed. One frame lasts one cycle of 100 ms at 1x. It knows no clock: the caller tells
// how much time has passed.
class ReplayCursor {
  public:
    static constexpr double kCycleMs = 100.0;
    static constexpr std::array<int, 4> kSpeeds{1, 2, 4, 8};

    explicit ReplayCursor(int frameCount);

    int frameCount() const { return frameCount_; }
    int index() const { return index_; }
    bool playing() const { return playing_; }
    int speed() const { return kSpeeds[speedStep_]; }
    bool atEnd() const { return index_ + 1 >= frameCount_; }

    // Play from the start again when at the end.
    void play();
    void pause();
    void togglePlay();
    // Moves by frames (negative: back), within the log; a step pauses, as in a video player.
    void step(int frames);
    // Jumps without changing play or pause.
    void seek(int index);
    void faster();
    void slower();
    // The nearest speed not above the one given.
    void setSpeed(int timesReal);
    // While playing, moves on by the frames that elapsedMs are worth at the current speed (the
    // rest carries over); stops at the last frame. True when the frame changed.
    bool advance(double elapsedMs);

  private:
    int frameCount_;
    int index_ = 0;
    bool playing_ = false;
    int speedStep_ = 0;
    double carryMs_ = 0.0;
};

}  // namespace zamo::monitor

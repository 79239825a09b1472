#include "monitor/replay_cursor.h"

#include <algorithm>
#include <cmath>

namespace zamo::monitor {

ReplayCursor::ReplayCursor(int frameCount) : frameCount_(std::max(frameCount, 0)) {}

void ReplayCursor::play() {
    if (frameCount_ == 0) {
        return;
    }
    if (atEnd()) {
        index_ = 0;
    }
    playing_ = true;
    carryMs_ = 0.0;
}

void ReplayCursor::pause() {
    playing_ = false;
    carryMs_ = 0.0;
}

void ReplayCursor::togglePlay() {
    if (playing_) {
        pause();
    } else {
        play();
    }
}

void ReplayCursor::step(int frames) {
    pause();
    seek(index_ + frames);
}

void ReplayCursor::seek(int index) {
    index_ = frameCount_ == 0 ? 0 : std::clamp(index, 0, frameCount_ - 1);
    carryMs_ = 0.0;
}

void ReplayCursor::faster() {
    speedStep_ = std::min(speedStep_ + 1, static_cast<int>(kSpeeds.size()) - 1);
}

void ReplayCursor::slower() {
    speedStep_ = std::max(speedStep_ - 1, 0);
}

void ReplayCursor::setSpeed(int timesReal) {
    speedStep_ = 0;
    for (std::size_t i = 0; i < kSpeeds.size(); ++i) {
        if (kSpeeds[i] <= timesReal) {
            speedStep_ = static_cast<int>(i);
        }
    }
}

bool ReplayCursor::advance(double elapsedMs) {
    if (!playing_ || !(elapsedMs > 0.0)) {
        return false;
    }
    carryMs_ += elapsedMs * speed();
    const double frames = std::floor(carryMs_ / kCycleMs);
    if (frames < 1.0) {
        return false;
    }
    carryMs_ -= frames * kCycleMs;
    const int before = index_;
    // Clamped before the conversion: a long stall must not overflow the index.
    index_ =
        static_cast<int>(std::min<double>(static_cast<double>(index_) + frames, frameCount_ - 1.0));
    if (atEnd()) {
        playing_ = false;
        carryMs_ = 0.0;
    }
    return index_ != before;
}

}  // namespace zamo::monitor

// Feeds arbitrary lines to the decoder of game-log lines and monitor datagrams, one input line
// after another as in a log, and checks that every frame it accepts is sane.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "gamelog/frame.h"
#include "gamelog/line_decoder.h"

namespace {

void require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

void requireFinite(zamo::gamelog::Point p) {
    require(std::isfinite(p.x) && std::isfinite(p.y));
}

void checkFrame(const zamo::gamelog::Frame& frame) {
    require(frame.cycle >= 0 && frame.stoppage >= 0);
    require(frame.playMode >= 0 && frame.playMode < zamo::gamelog::kPlayModeCount);
    require(!frame.players.empty() &&
            frame.players.size() <= static_cast<std::size_t>(zamo::gamelog::kMaxPlayers));
    requireFinite(frame.ball.pos);
    requireFinite(frame.ball.vel);
    for (const zamo::gamelog::Player& p : frame.players) {
        require(p.number >= 1 && p.number <= zamo::gamelog::kTeamSize);
        require(frame.find(p.side, p.number) == &p);
        requireFinite(p.pos);
        requireFinite(p.vel);
        require(std::isfinite(p.body) && std::isfinite(p.neck) && std::isfinite(p.viewWidth) &&
                std::isfinite(p.stamina) && std::isfinite(p.effort) && std::isfinite(p.recovery));
        if (p.pointTo) {
            requireFinite(*p.pointTo);
        }
        if (p.focus) {
            require(std::isfinite(p.focus->distance) && std::isfinite(p.focus->direction));
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    zamo::gamelog::LineDecoder decoder;
    std::string_view text(reinterpret_cast<const char*>(data), size);
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (decoder.decode(line) == zamo::gamelog::LineKind::kShow) {
            checkFrame(decoder.frame());
        }
        require(decoder.playMode() >= 0 && decoder.playMode() < zamo::gamelog::kPlayModeCount);
    }
    return 0;
}

// Feeds arbitrary datagrams to the sensor parser and checks that what it accepts is sane.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>

#include "agent/config/agent_config.h"
#include "agent/perception/landmarks.h"
#include "agent/perception/self_state.h"
#include "agent/perception/sensor_parser.h"

namespace {

void require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

bool finite(double value) {
    return std::isfinite(value);
}

void checkSee(const zamo::SeeInfo& see) {
    require(see.count >= 0 && see.count <= static_cast<int>(zamo::kMaxSeenObjects));
    for (int i = 0; i < see.count; ++i) {
        const zamo::SeenObject& seen = see.objects[i];
        require(seen.kind >= zamo::kBall && seen.kind <= zamo::kLine);
        require(seen.kind != zamo::kFlag || (seen.id >= 0 && seen.id <= zamo::kUnknownLandmark));
        require(finite(seen.distance) && finite(seen.direction) && finite(seen.distChange) &&
                finite(seen.dirChange) && finite(seen.bodyFacing) && finite(seen.headFacing) &&
                finite(seen.pointDir));
    }
}

void checkHear(const zamo::HearInfo& hear) {
    require(std::memchr(hear.text.data(), '\0', hear.text.size()) != nullptr);
    require(finite(hear.direction));
}

void checkSenseBody(const zamo::SenseBodyInfo& body) {
    require(finite(body.stamina) && finite(body.effort) && finite(body.speedAmount) &&
            finite(body.speedDirection) && finite(body.headAngle) &&
            finite(body.armTargetDistance) && finite(body.armTargetDirection));
    require(body.focusSide == 0 || body.focusSide == 'l' || body.focusSide == 'r');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static zamo::AgentConfig config;
    static zamo::SelfState self;
    static zamo::SensorParser parser(config, self);
    static const auto message = std::make_unique<zamo::SensorMessage>();

    config.quotedTeamName = "\"TestTeam\"";
    config.opponentTeamName = "Zamo_Opponent";
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (parser.parseMessage(text, *message)) {
        switch (message->kind) {
            case zamo::kSeeMessage:
                checkSee(message->see);
                break;
            case zamo::kHearMessage:
                checkHear(message->hear);
                break;
            case zamo::kSenseBodyMessage:
                checkSenseBody(message->senseBody);
                break;
            case zamo::kThinkMessage:
                require(text.starts_with("(think)"));
                break;
        }
    }
    require(config.opponentTeamName.size() <= zamo::kTeamNameWidth);
    return 0;
}

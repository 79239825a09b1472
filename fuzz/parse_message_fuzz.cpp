// Feeds arbitrary datagrams to the sensor parser and checks that what it accepts is sane.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>

#include "agent/config/agent_config.h"
#include "agent/config/server_params.h"
#include "agent/perception/landmarks.h"
#include "agent/perception/sensor_parser.h"

namespace {

void require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// A sensor number is either not given or a finite value.
bool finite(double value) {
    return !zamo::given(value) || std::isfinite(value);
}

// Whatever parameter messages came, the values the physics divides by or decays with stay sound.
void checkParams(const zamo::ServerParams& p) {
    require(p.ballDecay >= 0.0 && p.ballDecay < 1.0 && p.ballSize > 0.0 && p.ballSpeedMax > 0.0);
    require(p.playerTypeCount >= 1 && p.playerTypeCount <= zamo::kMaxPlayerTypes);
    require(p.tackleDist > 0.0 && p.tackleBackDist >= 0.0 && p.tackleWidth > 0.0);
    require(p.staminaMax > 0.0 && p.cycleLength > 0 && p.maxPower > 0.0);
    for (const zamo::PlayerType& t : p.playerTypes) {
        require(t.playerDecay >= 0.0 && t.playerDecay < 1.0 && t.playerSize > 0.0);
        require(t.kickableMargin > 0.0 && t.dashPowerRate > 0.0 && t.kickPowerRate > 0.0);
        require(t.effortMax > 0.0 && t.effortMin > 0.0 && std::isfinite(t.inertiaMoment));
    }
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
    static zamo::ServerParams params;
    static zamo::SensorParser parser(config, params);
    static const auto message = std::make_unique<zamo::SensorMessage>();

    config.quotedTeamName = "\"TestTeam\"";
    config.opponentTeamName = "Zamo_Opponent";
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (parser.parseMessage(text, *message)) {
        switch (message->kind) {
            case zamo::kSeeMessage:
                checkSee(message->see);
                zamo::nameOpponent(config, message->see);
                break;
            case zamo::kHearMessage:
                checkHear(message->hear);
                break;
            case zamo::kSenseBodyMessage:
                checkSenseBody(message->senseBody);
                break;
            case zamo::kParameterMessage:
                break;
            case zamo::kPlayerTypeMessage:
                require(message->typeChange.number >= 1 && message->typeChange.number <= 11);
                require(message->typeChange.type >= zamo::kUnknownPlayerType &&
                        message->typeChange.type < params.playerTypeCount);
                break;
            case zamo::kThinkMessage:
                require(text.starts_with("(think)"));
                break;
            case zamo::kScoreMessage:
                require(text.starts_with("(score "));
                break;
        }
    }
    checkParams(params);
    require(config.opponentTeamName.size() <= zamo::kTeamNameWidth);
    return 0;
}

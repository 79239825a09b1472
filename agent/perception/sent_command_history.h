// The agent's last sent commands, written by the sender and replayed by the world model.
#pragma once

#include <array>
#include <cstddef>
#include <optional>

#include "agent/config/missing_values.h"
#include "agent/perception/server_command.h"

namespace zamo {

// One sent command with its arguments as they went out, after clamping and conversion.
struct SentCommandRecord {
    int kind = kNoCommand;
    int cycle = kNoTime;  // kNoTime: an empty entry
    double firstValue = 0.0;
    double secondValue = 0.0;
};

inline constexpr std::size_t kSentHistorySize = 10;

// The agent's last commands as they went out, so that the world model can replay those the server
// carried out. The command sender writes it; the world model reads it.
struct SentCommandHistory {
    std::array<SentCommandRecord, kSentHistorySize> entries{};
    int next = 0;  // where the next record goes

    void add(const SentCommandRecord& record) {
        entries[static_cast<std::size_t>(next)] = record;
        next = (next + 1) % static_cast<int>(kSentHistorySize);
    }

    // Empties every entry; done at each new connection, before its first command.
    void clear() {
        for (SentCommandRecord& entry : entries) {
            entry.cycle = kNoTime;
        }
    }

    // The newest record of that cycle and kind.
    std::optional<SentCommandRecord> find(int cycle, int kind) const {
        if (cycle == kNoTime) {
            return std::nullopt;
        }
        for (std::size_t back = 1; back <= kSentHistorySize; ++back) {
            const std::size_t index =
                (static_cast<std::size_t>(next) + kSentHistorySize - back) % kSentHistorySize;
            const SentCommandRecord& entry = entries[index];
            if (entry.cycle == cycle && entry.kind == kind) {
                return entry;
            }
        }
        return std::nullopt;
    }
};

}  // namespace zamo

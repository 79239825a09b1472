#pragma once

#include <QPixmap>

namespace zamo {

// The pictures of the dialog's buttons, by the numbers the dialog knows them by.
enum class ButtonImage {
    kStartAll = 129,
    kStartMonitor = 131,
    kAllPlayersCleared = 132,
    kAllPlayersSet = 133,
    kStartServer = 134,
};

inline constexpr int kButtonImageSize = 32;

// Draws the picture; the same image always gives the same pixels.
QPixmap buttonImage(ButtonImage image);

}  // namespace zamo

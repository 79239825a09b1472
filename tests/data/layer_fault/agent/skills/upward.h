#pragma once

#include "agent/strategy/positioning.h"

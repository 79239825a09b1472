#pragma once

namespace zamo {

// The simulator's parameters as the agent knows them: fixed built-in defaults equal to the
// simulator's own. The agent never reads them from a file or from the server.
struct ServerParams {
    int cycleLength = 100;          // ms
    int bodySenseInterval = 100;    // ms
    int visualIntervalNormal = 150; // ms, at normal view width
    int serverReceiveStep = 10;     // ms

    double ballDecay = 0.94;
    double ballSize = 0.085;
    double ballSpeedMax = 2.7;
    double landmarkQuantizeStep = 0.01;
    double catchableAreaL = 2.0;
    double catchableAreaW = 1.0;
    double dashPowerRate = 0.006;
    double kickPowerRate = 0.027;
    double kickableMargin = 0.7;
    double inertiaMoment = 5.0;
    double playerSize = 0.3;
    double playerDecay = 0.4;
    double playerSpeedMax = 1.2;
    double playerAccelMax = 1.0;
    double maxMoment = 180.0;
    double minMoment = -180.0;
    double maxNeckAngle = 90.0;
    double minNeckAngle = -90.0;
    double maxPower = 100.0;
    double minPower = -100.0;
    double goalWidth = 14.02;
    double staminaMax = 4000.0;
    double staminaIncMax = 45.0;
    double effortDecThr = 0.3;
    double effortDec = 0.005;
    double effortIncThr = 0.6;
    double effortInc = 0.01;
    double effortInit = 1.0;
    double effortMin = 0.6;
    double recoverDecThr = 0.3;
    double recoverDec = 0.002;
    double recoverInit = 1.0;
    double recoverMin = 0.5;
    double tackleDist = 2.0;
    double tackleBackDist = 0.5;
    double tackleWidth = 1.0;
    double tackleExponent = 6.0;
    double tacklePowerRate = 0.027;
    double visibleAngle = 90.0;
    int catchBanCycles = 5;
    int tackleCycles = 10;

};

}  // namespace zamo

#pragma once
// The batch mode run as a user runs it: tavrel13 --batch against brindlev1
// on the simulated analyser in virtual time, in a fresh working directory
// with the shipped configuration and calibration, and no display.

#include "tests/batch_rig.h"

namespace graphtest {

struct PlotRun : BatchRig {
    PlotRun() {
        Ship();
        fixedArgs = {"--virtual-time"};
    }
};

} // namespace graphtest

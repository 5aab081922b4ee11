#pragma once
// The oscilloscope as the tests drive it: the instrument model attached in-process, on
// virtual time, with scripted answers to every question. Header only: include it from tests
// that link the scope and the simulator.

#include "base/Clock.h"
#include "device/sim/SimulatedTransport.h"
#include "scope/ScopeController.h"
#include "support/ScriptedPrompts.h"

#include <vector>

namespace tarvik::test {

struct ScopeRig {
    ScopeRig()
        : transport(new sim::SimulatedTransport(model, [this] { return clock.nowMs(); })),
          link(std::unique_ptr<Transport>(transport)), commands(link), scope(clock, prompts, commands) {
        model.captureTimeMs = 0; // captures complete at once
        model.noise = false;
    }
    // The command codes the instrument has received, oldest first.
    std::vector<int> codes() const {
        std::vector<int> c;
        for (const Payload& p : model.received()) c.push_back(p[0]);
        return c;
    }

    VirtualClock clock;
    ScriptedPrompts prompts;
    sim::InstrumentModel model;
    sim::SimulatedTransport* transport; // owned by the link
    DeviceLink link;
    CommandSet commands;
    ScopeController scope;
};

} // namespace tarvik::test

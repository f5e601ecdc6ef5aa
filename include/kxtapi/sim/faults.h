// Faults the simulated switch can be told to show, so that tests see how
// their code copes with a telephony service that is slow, refuses, never
// answers or lies.
#pragma once

#include "kxtapi/tapi.h"

#include <cstdint>
#include <string>

namespace kxtapi::sim {

enum TSimFaultKind {
    /// The reply of an asynchronous function comes Delay milliseconds late;
    /// what the operation does to calls happens at that time, after the reply.
    sfDelayReply,
    /// The reply carries Error and the operation does nothing.
    sfFailReply,
    /// No reply ever comes and the operation does nothing.
    sfNeverReply,
    /// The function itself fails with Error, before anything happens. Works
    /// for synchronous functions too ("lineGetDevCapsA", "lineGetCallInfoA").
    sfFailCall,
    /// The block the function answers with is spoiled as Hostile says.
    sfHostileBlock,
};

/// How a block answer is spoiled.
enum TSimHostileBlock {
    shPairsPastEnd,      // every size/offset pair reaches across the block's end
    shPairsWrap,         // offsets near 2^32, so offset + size wraps around
    shNeededHuge,        // success, with dwNeededSize of almost 4 GiB
    shUsedBeyondTotal,   // dwUsedSize beyond dwTotalSize
    shCountsHuge,        // list counts far beyond the block
};

struct TSimFault {
    TSimFaultKind Kind = sfFailReply;
    /// The TAPI function it applies to, by its exported name ("lineMakeCallA",
    /// "lineAnswer", "phoneSetLamp", "lineGetDevCapsA" ...). Empty: every
    /// function the kind can apply to.
    std::string Function = {};
    /// The line (or phone, for phone functions) index it applies to; -1: any.
    int Device = -1;
    uint32_t Delay = 0;
    uint32_t Error = LINEERR_OPERATIONFAILED;
    TSimHostileBlock Hostile = shPairsPastEnd;
    /// How many times it applies before it is used up; 0: until cleared.
    uint32_t Count = 1;
};

}  // namespace kxtapi::sim

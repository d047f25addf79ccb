// The library's own way into an Appl, for its tools and tests: an object on a platform of their
// choosing with scaled time-outs, and the link object behind it. Hosts use Appl() alone.
#pragma once

#include <memory>

#include "channel/timing.h"
#include "link/appl_core.h"
#include "orvabridge/appl.h"
#include "platform/platform.h"

namespace orvabridge {

struct ApplAccess {
  // `timing` shortens the documented time-outs (tests).
  static std::unique_ptr<Appl> Make(std::shared_ptr<platform::Platform> platform,
                                    const channel::Timing& timing = {});
  static link::ApplCore& Core(Appl& appl);
};

inline link::ApplCore& CoreOf(Appl& appl) { return ApplAccess::Core(appl); }

}  // namespace orvabridge

#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "tracking/tracking_driver.h"

namespace trackkit::testing {

// The file system's answers to cluster lookups on every volume that the
// windows under test open. The volumes themselves are the simulation's
// (ScriptedProgramDriver()).
struct LookupScript {
    // Unset: the simulation answers.
    std::function<DriverReply(std::span<const std::uint8_t> request, std::span<std::uint8_t> reply)> answer;
    std::vector<std::vector<std::uint8_t>> requests;  // each request as sent
    std::vector<std::size_t> replyLengths;            // the reply buffer's size each time
};

LookupScript& ScriptedLookup();

} // namespace trackkit::testing

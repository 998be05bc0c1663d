// The stages' shared rules: a failure carries its reason out of whichever reader met it,
// and every stage asks the budget at its natural steps whether time is left and whether
// the thumbnail is still wanted.
#pragma once

#include "thumbs/Thumbnail.h"

#include <chrono>
#include <stdexcept>
#include <string>

namespace thumbs {

// A failure with its reason; the entry point turns it into the result.
class EThumbnailFailure : public std::runtime_error {
public:
    EThumbnailFailure(TThumbnailFailure failure, const std::string& detail)
        : std::runtime_error(detail), FFailure(failure) {}
    TThumbnailFailure Failure() const { return FFailure; }

private:
    TThumbnailFailure FFailure;
};

class TThumbnailBudget {
public:
    // The clock starts here.
    explicit TThumbnailBudget(const TThumbnailRequest& request);

    const TThumbnailBudgets& Limits() const { return FLimits; }
    // Raises tfCancelled once a stop was requested, tfTimedOut once the time is spent.
    void Check() const;
    // Raises tfTooBig when `value` exceeds `limit`; `what` names the value in the detail.
    static void CheckSize(std::uint64_t value, std::uint64_t limit, const char* what);

private:
    TThumbnailBudgets FLimits;
    std::stop_token FStop;
    std::chrono::steady_clock::time_point FDeadline;
};

} // namespace thumbs

#include "thumbs/ThumbnailBudget.h"

namespace thumbs {

TThumbnailBudget::TThumbnailBudget(const TThumbnailRequest& request)
    : FLimits(request.Budgets), FStop(request.Stop),
      FDeadline(std::chrono::steady_clock::now() + request.Budgets.MaxTime) {
}

void TThumbnailBudget::Check() const {
    if (FStop.stop_requested())
        throw EThumbnailFailure(TThumbnailFailure::tfCancelled,
                                "the thumbnail is no longer wanted");
    if (std::chrono::steady_clock::now() > FDeadline)
        throw EThumbnailFailure(TThumbnailFailure::tfTimedOut,
                                "not done within " + std::to_string(FLimits.MaxTime.count()) +
                                    " ms");
}

void TThumbnailBudget::CheckSize(std::uint64_t value, std::uint64_t limit, const char* what) {
    if (value > limit)
        throw EThumbnailFailure(TThumbnailFailure::tfTooBig,
                                std::string(what) + " of " + std::to_string(value) +
                                    " is more than the " + std::to_string(limit) + " allowed");
}

} // namespace thumbs

#include "trial/core/TrialPreview.h"

#include "platform/core/Thread.h"

#include <optional>
#include <utility>

namespace tv {

TrialPreview::TrialPreview(Reader read, Presenter show, Step step)
    : read_(std::move(read)), show_(std::move(show)),
      step_(step ? std::move(step) : Step(yieldToOthers))
{
}

void TrialPreview::run()
{
    if (showing_)
        return;
    if (running_) {
        stale_ = true;
        return;
    }
    running_ = true;
    // What a stale run set stands until a later run sets it anew: an empty
    // or invalid search text after it keeps its caption and result.
    std::optional<TrialOutcome> earlier;
    try {
        for (;;) {
            stale_ = false;
            TrialOutcome outcome = trialSearch(read_(), step_);
            ++runs_;
            if (earlier)
                outcome.keepFrom(*earlier);
            if (stale_) {
                earlier = std::move(outcome);
                continue;
            }
            showing_ = true;
            show_(outcome);
            showing_ = false;
            break;
        }
    } catch (...) {
        running_ = showing_ = stale_ = false;
        throw;
    }
    running_ = false;
}

} // namespace tv

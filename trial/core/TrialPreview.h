#pragma once
// Runs the palette's preview so that runs never overlap. A run lets others go
// on once per turn of its loops; a change of the fields that arrives then does
// not start a second run inside the first (which would go on over positions
// of a text that has changed): it marks the run stale, and when the run ends
// one fresh run follows, reading the fields again. Only a fresh outcome is
// shown. Showing an outcome changes no field that a run reads, so a request
// raised while it is shown (a text field reporting its new marks as a change)
// starts nothing.

#include "trial/core/TrialSearch.h"

#include <functional>

namespace tv {

class TrialPreview {
public:
    // Reads the palette's fields afresh.
    using Reader = std::function<TrialRequest()>;
    // Puts an outcome into the palette.
    using Presenter = std::function<void(const TrialOutcome&)>;
    // Lets others go on during a run; yieldToOthers unless told otherwise.
    using Step = std::function<void()>;

    TrialPreview(Reader read, Presenter show, Step step = {});

    // Runs the preview now, or, while a run is in progress, marks it stale.
    void run();

    bool isRunning() const { return running_; }
    // Runs made so far, stale ones included.
    int runCount() const { return runs_; }

private:
    Reader read_;
    Presenter show_;
    Step step_;
    bool running_ = false;
    bool showing_ = false;
    bool stale_ = false;
    int runs_ = 0;
};

} // namespace tv

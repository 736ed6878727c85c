#pragma once
// SIGTERM and SIGINT, turned into a call on the event loop.

#include <functional>

namespace tv {

void onTerminationRequest(std::function<void()> handler);

} // namespace tv

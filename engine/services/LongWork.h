#pragma once

// The one shape of long work (an install, a batch of fixes): a blocking call
// on a worker thread that takes a stop token and an event sink, reports as it
// goes, and ends with exactly one terminal event (completed with a code, or
// canceled; some operations also end with an error message). See
// docs/ARCHITECTURE.md, "Long work".
//
//   void install(std::stop_token stop, const EventSink<StreamEvent>& sink) const;

#include <functional>

namespace varnel {

template <typename Event>
using EventSink = std::function<void(const Event&)>;

}  // namespace varnel

// The test seam in front of every start: a test sees what the system would
// have been asked, and answers in its place.
#include <utility>

#include "platform/os.h"
#include "platform/os_detail.h"

namespace platform {

namespace {

StartHandler startHandler;

}  // namespace

void SetStartHandler(StartHandler handler) { startHandler = std::move(handler); }

namespace detail {

std::optional<SystemError> AnswerStartForTest(const StartRequest& request) {
    if (!startHandler) return std::nullopt;
    return startHandler(request);
}

StartHandler TestStartHandler() { return startHandler; }

}  // namespace detail

}  // namespace platform

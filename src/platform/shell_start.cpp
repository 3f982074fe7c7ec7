// Starts through the shell, each on a short-lived thread of its own, so that
// neither a prompt nor a slow document handler holds up the caller.
#include <mutex>
#include <utility>

#include "platform/os.h"
#include "platform/os_detail.h"

namespace platform {

// The lock keeps a report and the end of the ShellStart apart.
struct ShellStart::State {
    std::mutex lock;
    bool stopped = false;
    ShellAnswerHandler onAnswer;
};

ShellStart::ShellStart(std::shared_ptr<State> state) : state(std::move(state)) {}

ShellStart::~ShellStart() {
    const std::lock_guard<std::mutex> guard(state->lock);
    state->stopped = true;
}

StartedShell StartWithShell(const ShellRequest& request, ShellAnswerHandler onAnswer) {
    auto state = std::make_shared<ShellStart::State>();
    state->onAnswer = std::move(onAnswer);
    // Taken now: the test may answer the next starts differently meanwhile.
    StartHandler answerForTest = detail::TestStartHandler();
    const SystemError error = detail::RunOnThreadOfItsOwn([state, request, answerForTest] {
        const SystemError answer = answerForTest
                                       ? answerForTest({"ShellExecuteEx", request.verb, request.file,
                                                        request.parameters, request.folder})
                                       : detail::OpenWithShell(request);
        const std::lock_guard<std::mutex> guard(state->lock);
        if (!state->stopped) state->onAnswer(answer);
    });
    if (error != 0) return {error, nullptr};
    return {0, std::make_unique<ShellStart>(std::move(state))};
}

}  // namespace platform

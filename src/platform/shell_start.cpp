// Starts through the shell, each on a short-lived thread of its own, so that
// neither a prompt nor a slow document handler holds up the caller.
#include <condition_variable>
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

namespace {

// The starts whose thread is still at work.
struct RunningStarts {
    std::mutex lock;
    std::condition_variable none;
    int count = 0;
};

// Never destroyed: a start's thread may be at work while the program ends.
RunningStarts& Running() {
    static auto* const running = new RunningStarts;
    return *running;
}

void StartBegins() {
    const std::lock_guard<std::mutex> guard(Running().lock);
    ++Running().count;
}

void StartEnds() {
    const std::lock_guard<std::mutex> guard(Running().lock);
    if (--Running().count == 0) Running().none.notify_all();
}

}  // namespace

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
    StartBegins();
    const SystemError error = detail::RunOnThreadOfItsOwn([state, request, answerForTest] {
        const SystemError answer = detail::InShellApartment([&] {
            return answerForTest ? answerForTest({"ShellExecuteEx", request.verb, request.file,
                                                  request.parameters, request.folder})
                                 : detail::OpenWithShell(request);
        });
        {
            const std::lock_guard<std::mutex> guard(state->lock);
            if (!state->stopped) state->onAnswer(answer);
        }
        StartEnds();
    });
    if (error != 0) {
        StartEnds();
        return {error, nullptr};
    }
    return {0, std::make_unique<ShellStart>(std::move(state))};
}

void WaitForShellStarts() {
    std::unique_lock<std::mutex> guard(Running().lock);
    Running().none.wait(guard, [] { return Running().count == 0; });
}

}  // namespace platform

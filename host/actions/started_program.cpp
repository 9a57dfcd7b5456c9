#include "actions/started_program.h"

#include <atomic>
#include <new>

#include "win32/unique_handle.h"

namespace {

// A follower's thread needs only a few pages of stack.
constexpr SIZE_T kFollowerStack = 64 * 1024;

std::atomic<long> followers{0};

struct Follower {
    HANDLE process;
    DWORD processId;
    AfterIdle afterIdle;
};

DWORD WINAPI FollowThread(LPVOID parameter)
{
    const Follower follower = *static_cast<Follower *>(parameter);
    delete static_cast<Follower *>(parameter);
    {
        const UniqueHandle process(follower.process);
        if (WaitForInputIdle(process.get(), kInputIdleBoundMs) != WAIT_TIMEOUT)
            follower.afterIdle(follower.processId);
    }
    followers.fetch_sub(1);
    return 0;
}

} // namespace

void FollowStartedProgram(HANDLE process, DWORD processId, AfterIdle afterIdle) noexcept
{
    UniqueHandle owned(process);
    if (followers.fetch_add(1) >= kMostFollowedPrograms) {
        followers.fetch_sub(1);
        return;
    }
    auto *follower = new (std::nothrow) Follower{process, processId, afterIdle};
    const HANDLE thread = follower != nullptr ? CreateThread(nullptr, kFollowerStack, FollowThread, follower,
                                                             STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr)
                                              : nullptr;
    if (thread == nullptr) {
        delete follower;
        followers.fetch_sub(1);
        return;
    }
    owned.release();
    CloseHandle(thread);
}

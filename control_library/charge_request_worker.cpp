#include "charge_request_worker.h"

#include <atomic>
#include <new>

#include "driver_channel.h"
#include "library_module.h"
#include "win32/unique_handle.h"

namespace kvf {

namespace {

// The worker runs a few calls deep: no need for the default megabyte.
constexpr SIZE_T kWorkerStackBytes = 64 * 1024;

// The error of a call that failed; never 0, which callers take for success.
DWORD FailureCode()
{
    const DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? error : ERROR_GEN_FAILURE;
}

class ChargeRequestWorker {
public:
    // Null, with the last error set, when a handle could not be had.
    static ChargeRequestWorker *Create(HANDLE device, const KVF_CHARGE_REQUEST &record);

    // The worker's thread, or null (last error set): then the caller's
    // reference is the only one left.
    HANDLE Start();

    // The caller stops waiting. True when the request had not been sent:
    // it never will be. False when it is out already.
    bool Abandon();

    DWORD error() const { return error_; }
    const KVF_CHARGE_REQUEST &record() const { return record_; }

    void Release();

private:
    enum State { kWaiting, kSent, kAbandoned };

    explicit ChargeRequestWorker(const KVF_CHARGE_REQUEST &record) : record_(record) {}
    static DWORD WINAPI ThreadProc(LPVOID parameter);
    void Run();
    DWORD Send();

    KVF_CHARGE_REQUEST record_;
    OVERLAPPED overlapped_{};
    UniqueHandle device_;
    UniqueHandle lock_;
    UniqueHandle completion_; // the OVERLAPPED record's event
    UniqueHandle abandoned_;  // set by a caller that gave up before sending
    std::atomic<int> state_{kWaiting};
    DWORD error_ = ERROR_SUCCESS;
    HMODULE module_ = nullptr;
    std::atomic<int> references_{1};
};

ChargeRequestWorker *ChargeRequestWorker::Create(HANDLE device, const KVF_CHARGE_REQUEST &record)
{
    auto *worker = new (std::nothrow) ChargeRequestWorker(record);
    if (worker == nullptr) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    const HANDLE self = GetCurrentProcess();
    HANDLE duplicate = nullptr;
    if (DuplicateHandle(self, device, self, &duplicate, 0, FALSE, DUPLICATE_SAME_ACCESS))
        worker->device_.reset(duplicate);
    worker->lock_.reset(OpenDriverLock());
    worker->completion_.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    worker->abandoned_.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!worker->device_ || !worker->lock_ || !worker->completion_ || !worker->abandoned_) {
        const DWORD error = FailureCode();
        delete worker;
        SetLastError(error);
        return nullptr;
    }
    worker->overlapped_.hEvent = worker->completion_.get();
    return worker;
}

HANDLE ChargeRequestWorker::Start()
{
    references_.fetch_add(1);
    // The thread keeps the library loaded until its very end (no module in
    // the tests that link the code directly).
    HMODULE module = nullptr;
    if (LibraryModule() != nullptr)
        GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                           reinterpret_cast<LPCWSTR>(&ThreadProc), &module);
    module_ = module;
    HANDLE thread = CreateThread(nullptr, kWorkerStackBytes, ThreadProc, this,
                                 STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    if (thread == nullptr) {
        const DWORD error = FailureCode();
        references_.fetch_sub(1);
        if (module != nullptr)
            FreeLibrary(module);
        SetLastError(error);
    }
    return thread;
}

bool ChargeRequestWorker::Abandon()
{
    int expected = kWaiting;
    if (!state_.compare_exchange_strong(expected, kAbandoned))
        return false;
    SetEvent(abandoned_.get());
    return true;
}

void ChargeRequestWorker::Release()
{
    if (references_.fetch_sub(1) == 1)
        delete this;
}

DWORD WINAPI ChargeRequestWorker::ThreadProc(LPVOID parameter)
{
    auto *worker = static_cast<ChargeRequestWorker *>(parameter);
    worker->Run();
    const HMODULE module = worker->module_;
    worker->Release(); // may free the worker: nothing of it after this
    if (module != nullptr)
        FreeLibraryAndExitThread(module, 0);
    return 0;
}

void ChargeRequestWorker::Run()
{
    const HANDLE waits[] = {lock_.get(), abandoned_.get()};
    const DWORD wait = WaitForMultipleObjects(2, waits, FALSE, INFINITE);
    if (wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED_0) {
        int expected = kWaiting;
        // The lock and the caller's giving up may come at the same moment.
        if (state_.compare_exchange_strong(expected, kSent))
            error_ = Send();
        ReleaseMutex(lock_.get());
    } else if (wait != WAIT_OBJECT_0 + 1) {
        error_ = FailureCode();
    }
    // The caller waits for the thread's end, not for an event: what the
    // request held is closed by then, and counts no more as the process's.
    device_.reset();
    lock_.reset();
    completion_.reset();
}

DWORD ChargeRequestWorker::Send()
{
    DWORD returned = 0;
    if (DeviceIoControl(device_.get(), IOCTL_KVF_CHARGE_REQUEST, &record_, sizeof(record_),
                        &record_, sizeof(record_), &returned, &overlapped_))
        return ERROR_SUCCESS;
    if (GetLastError() != ERROR_IO_PENDING)
        return FailureCode();
    if (!GetOverlappedResult(device_.get(), &overlapped_, &returned, TRUE))
        return FailureCode();
    return ERROR_SUCCESS;
}

} // namespace

DWORD RunChargeRequest(HANDLE device, KVF_CHARGE_REQUEST &record, DWORD waitMs)
{
    if (waitMs == 0)
        return ERROR_TIMEOUT; // the caller's time is spent: nothing more goes out
    ChargeRequestWorker *worker = ChargeRequestWorker::Create(device, record);
    if (worker == nullptr)
        return FailureCode();
    const UniqueHandle thread(worker->Start());
    if (!thread) {
        const DWORD error = FailureCode();
        worker->Release();
        return error;
    }
    DWORD wait = WaitForSingleObject(thread.get(), waitMs);
    // Sent meanwhile: it may just have completed.
    if (wait != WAIT_OBJECT_0 && !worker->Abandon())
        wait = WaitForSingleObject(thread.get(), 0);
    DWORD result = ERROR_TIMEOUT;
    if (wait == WAIT_OBJECT_0) {
        result = worker->error();
        if (result == ERROR_SUCCESS)
            record = worker->record();
    }
    worker->Release();
    return result;
}

} // namespace kvf

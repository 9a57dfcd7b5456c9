// Watching a stand-in's log for its next line without spinning.
//
// A watcher that reads the log in a loop takes a core and a share of the
// Wine server from whatever starts a program meanwhile: on two cores a start
// of the recorder watched that way from its first moment took about 12 ms
// longer than the same start watched only once CreateProcessW had returned.
// Here the watcher sleeps until the log's folder changes, so that the starts
// it compares run alike.
#pragma once

#include <windows.h>

#include <string>

#include "bench_table.h"
#include "file_bytes.h"

namespace bench {

class LogWatch {
public:
    // folder: the folder that holds log.
    LogWatch(std::wstring log, const std::wstring &folder)
        : log_(std::move(log)),
          change_(FindFirstChangeNotificationW(folder.c_str(), FALSE,
                                               FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE))
    {
    }
    ~LogWatch()
    {
        if (valid())
            FindCloseChangeNotification(change_);
    }
    LogWatch(const LogWatch &) = delete;
    LogWatch &operator=(const LogWatch &) = delete;

    bool valid() const { return change_ != INVALID_HANDLE_VALUE; }

    size_t Lines() const
    {
        const std::string bytes = hosttest::ReadFileBytes(log_).value_or("");
        size_t lines = 0;
        for (const char c : bytes)
            lines += c == '\n';
        return lines;
    }

    // Waits until the log has more than lines lines; false after 30 s.
    bool WaitBeyond(size_t lines)
    {
        for (const LONGLONG start = Now(); Milliseconds(Now() - start) < 30000;) {
            if (Lines() > lines)
                return true;
            // Armed again before the next look, so a change between the two
            // shows there; the time-out covers a notification lost anyway.
            WaitForSingleObject(change_, kRecheckMs);
            FindNextChangeNotification(change_);
        }
        return false;
    }

private:
    static constexpr DWORD kRecheckMs = 10;
    std::wstring log_;
    HANDLE change_;
};

} // namespace bench

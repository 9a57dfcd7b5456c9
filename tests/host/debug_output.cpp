#include "debug_output.h"

#include <cstring>
#include <utility>

namespace hosttest {

namespace {

DebugOutputCapture *gCapture = nullptr;

} // namespace

DebugOutputCapture::DebugOutputCapture() : thread_(GetCurrentThreadId())
{
    gCapture = this;
    handler_ = AddVectoredExceptionHandler(1, Handler);
}

DebugOutputCapture::~DebugOutputCapture()
{
    if (handler_ != nullptr)
        RemoveVectoredExceptionHandler(handler_);
    gCapture = nullptr;
}

LONG CALLBACK DebugOutputCapture::Handler(EXCEPTION_POINTERS *pointers)
{
    const EXCEPTION_RECORD *record = pointers->ExceptionRecord;
    DebugOutputCapture *capture = gCapture;
    if (capture == nullptr || GetCurrentThreadId() != capture->thread_ ||
        record->NumberParameters < 2)
        return EXCEPTION_CONTINUE_SEARCH;
    // Parameters: length with the terminator, then the text.
    const std::size_t length = static_cast<std::size_t>(record->ExceptionInformation[0]);
    const auto *text = reinterpret_cast<const void *>(record->ExceptionInformation[1]);
    if (record->ExceptionCode == DBG_PRINTEXCEPTION_WIDE_C) {
        // Windows raises the wide text and, unhandled, the same as ANSI text.
        const auto *wide = static_cast<const wchar_t *>(text);
        capture->lines_.emplace_back(wide, wcsnlen(wide, length));
        capture->lastWasWide_ = true;
    } else if (record->ExceptionCode == DBG_PRINTEXCEPTION_C) {
        if (std::exchange(capture->lastWasWide_, false))
            return EXCEPTION_CONTINUE_SEARCH;
        // Wine raises only the ANSI text.
        const auto *narrow = static_cast<const char *>(text);
        const int bytes = static_cast<int>(strnlen(narrow, length));
        std::wstring line(static_cast<std::size_t>(bytes), L'\0');
        line.resize(static_cast<std::size_t>(
            MultiByteToWideChar(CP_ACP, 0, narrow, bytes, line.data(), bytes)));
        capture->lines_.push_back(std::move(line));
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

} // namespace hosttest

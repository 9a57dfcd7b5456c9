// Heap checking of one program image for as long as the object lives.
//
// Windows (and Wine) read the image's GlobalFlag under Image File Execution
// Options when a process of that image starts: tail check, free check and
// validation of the whole heap at every heap call. A write into freed heap
// memory is then reported at the process's next heap call; under Wine as
// "err:heap:..." on its standard error, which the test run looks for.
#pragma once

#include <windows.h>

#include <string>

namespace kivotest {

// FLG_HEAP_ENABLE_TAIL_CHECK | FLG_HEAP_ENABLE_FREE_CHECK |
// FLG_HEAP_VALIDATE_ALL.
constexpr DWORD kHeapCheckGlobalFlag = 0x10 | 0x20 | 0x80;

class HeapCheckedImage {
public:
    // imageName: the file name of the program ("KivoFunctionButtonApl.exe").
    explicit HeapCheckedImage(const std::wstring &imageName);
    ~HeapCheckedImage();
    HeapCheckedImage(const HeapCheckedImage &) = delete;
    HeapCheckedImage &operator=(const HeapCheckedImage &) = delete;

    // Whether the flag was written.
    bool active() const { return active_; }

private:
    std::wstring key_;
    bool active_ = false;
};

// Set by the test run for the tests that run under heap checking.
bool HeapCheckRequested();

} // namespace kivotest

// Shows that the test bed's heap checking catches a write into freed
// memory, and stays silent for a program that has none.
//
//   heap_probe.exe fault|clean          the probe itself
//   heap_probe.exe launch fault|clean   runs the probe with heap checking
//                                       of its image, returns its exit code
#include <windows.h>

#include <cwchar>
#include <string>

#include "heap_check.h"
#include "process.h"

namespace {

struct Record {
    int values[16];
};

// Volatile, so that the compiler keeps every allocation and the write.
Record *volatile record;

int Probe(bool fault)
{
    record = new Record{};
    int *volatile slot = &record->values[3];
    delete record;
    if (fault)
        *slot = 42; // the fault the checking must report
    // The next heap calls are where a checking heap looks.
    for (int n = 0; n < 8; ++n) {
        record = new Record{};
        delete record;
    }
    return 0;
}

} // namespace

int wmain(int argc, wchar_t **argv)
{
    if (argc == 2)
        return Probe(std::wcscmp(argv[1], L"fault") == 0);
    if (argc != 3 || std::wcscmp(argv[1], L"launch") != 0)
        return 2;
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const kivotest::HeapCheckedImage checked(L"heap_probe.exe");
    if (!checked.active())
        return 3;
    const auto code = kivotest::RunProcess(kivotest::Quote(self) + L" " + argv[2]);
    return code ? static_cast<int>(*code) : 4;
}

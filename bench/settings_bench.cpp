// Benchmark of loading the host's settings: a file of 99 items read and
// checked through the parameter object, beside the same keys read with bare
// profile calls. The user's own settings file is put back afterwards.
#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "bench_table.h"
#include "errors/error_manager.h"
#include "parameter/function_button_parameter.h"

namespace {

constexpr int kItems = 99;
constexpr int kRuns = 30;

bool NoRows(IWbemServices *, const wchar_t *, const wchar_t *, std::size_t, std::vector<UniqueVariant> &)
{
    return true;
}

using bench::Milliseconds;
using bench::Now;
using bench::Summarize;
using bench::Summary;

std::wstring UserFile()
{
    PWSTR roaming = nullptr;
    std::wstring path;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &roaming)))
        path = std::wstring(roaming) + L"\\zerin\\ZrFunctionButton\\KivoFunctionButton.ini";
    CoTaskMemFree(roaming);
    return path;
}

std::optional<std::string> Read(const std::wstring &path)
{
    std::ifstream in(path.c_str(), std::ios::binary);
    if (!in)
        return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void Write(const std::wstring &path, const std::string &bytes)
{
    std::ofstream(path.c_str(), std::ios::binary | std::ios::trunc) << bytes;
}

std::string NinetyNineItems()
{
    std::string text = "[Setting]\r\nItemNum=99\r\nButtonADefaultId=1\r\nButtonASettingId=2\r\n"
                       "ButtonBDefaultId=3\r\nButtonBSettingId=4\r\nButtonAction=1\r\n"
                       "InkrunKicker=InkrunKicker.exe\r\n";
    for (int n = 1; n <= kItems; ++n) {
        char section[256];
        snprintf(section, sizeof(section),
                 "[Item%02d]\r\nItemId=%d\r\nItemPreEvent=0\r\nItemPathInfo=1\r\nItemName=Program %d\r\n"
                 "ItemPath=C:\\Programs\\program%d.exe\r\nItemOption=/option %d\r\n",
                 n, n, n, n, n);
        text += section;
    }
    return text;
}

// The same keys, read one by one with nothing checked.
void BareReads(const std::wstring &file)
{
    wchar_t value[260];
    for (const wchar_t *key : {L"ItemNum", L"ButtonADefaultId", L"ButtonASettingId", L"ButtonBDefaultId",
                               L"ButtonBSettingId", L"ButtonAction", L"InkrunKicker"})
        GetPrivateProfileStringW(L"Setting", key, L"", value, 260, file.c_str());
    for (int n = 1; n <= kItems; ++n) {
        wchar_t section[16];
        swprintf(section, 16, L"Item%02d", n);
        for (const wchar_t *key : {L"ItemId", L"ItemPreEvent", L"ItemPathInfo", L"ItemName", L"ItemPath",
                                   L"ItemOption"})
            GetPrivateProfileStringW(section, key, L"", value, 260, file.c_str());
    }
}

} // namespace

int wmain()
{
    const std::wstring file = UserFile();
    if (file.empty())
        return 1;
    const std::optional<std::string> saved = Read(file);
    SHCreateDirectoryExW(nullptr, file.substr(0, file.rfind(L'\\')).c_str(), nullptr);
    Write(file, NinetyNineItems());

    std::vector<double> loads, bare;
    bool allLoaded = true;
    for (int run = 0; run < kRuns; ++run) {
        LONGLONG start = Now();
        BareReads(file);
        bare.push_back(Milliseconds(Now() - start));
        SetError(KVF_ERROR_NONE);
        CFunctionButtonParameter parameter(NoRows);
        start = Now();
        allLoaded = parameter.Load(nullptr) && parameter.getItems().size() == kItems && allLoaded;
        loads.push_back(Milliseconds(Now() - start));
    }
    if (saved)
        Write(file, *saved);
    else
        DeleteFileW(file.c_str());

    const Summary b = Summarize(bare);
    const Summary l = Summarize(loads);
    bench::Row("bare profile reads of the same 601 keys", bare.size(), b, "ms", "baseline: bare reads");
    bench::Row("settings and 99 items loaded and checked", loads.size(), l, "ms", b, "bare reads");
    return allLoaded ? 0 : 1;
}

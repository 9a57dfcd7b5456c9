// Discovery: the COM set-up, the WMI connection and the two queries.
#include "discovery/search_aplication.h"

#include <cstdint>
#include <vector>

#include "platform/com_apartment.h"
#include "win32/com_ptr.h"
#include "win32/unique_bstr.h"

bool CSearchAplication::makeAplicationList()
{
    // The thread may already be in an apartment (the user-interface thread
    // often is); discovery then works in it and leaves it alone.
    const ComApartment apartment(COINIT_MULTITHREADED);
    if (!apartment.usable()) {
        OutputDebugStringW(L"Failed to initialize COM library. Error");
        return false;
    }
    // Process-wide and once only: when someone set it before, RPC_E_TOO_LATE
    // says so, and that setting serves as well.
    const HRESULT security =
        CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT,
                             RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr);
    if (FAILED(security) && security != RPC_E_TOO_LATE) {
        OutputDebugStringW(L"CoInitializeSecurity:Failed to initialize security. Error");
        return false;
    }
    return accessWMI();
}

bool CSearchAplication::accessWMI()
{
    ComPtr<IWbemLocator> locator;
    if (FAILED(CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                                locator.put_void()))) {
        OutputDebugStringW(L"IWbemLocatorFailed to create IWbemLocator object. Error");
        return false;
    }
    const UniqueBstr nameSpace(L"ROOT\\CIMV2");
    ComPtr<IWbemServices> services;
    if (FAILED(locator->ConnectServer(nameSpace.get(), nullptr, nullptr, nullptr, 0, nullptr,
                                      nullptr, services.put()))) {
        OutputDebugStringW(L"Could not connect. Error");
        return false;
    }
    if (FAILED(CoSetProxyBlanket(services.get(), RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr,
                                 RPC_C_AUTHN_LEVEL_CALL, RPC_C_IMP_LEVEL_IMPERSONATE, nullptr,
                                 EOAC_NONE))) {
        OutputDebugStringW(L"Could not set proxy blanket. Error");
        return false;
    }
    std::wstring user;
    if (!getLogInUser(services.get(), user))
        return false;
    return getKeyWordAndLinkFile(services.get(), user);
}

bool CSearchAplication::getLogInUser(IWbemServices *services, std::wstring &user)
{
    std::vector<UniqueVariant> values;
    if (!m_query(services, L"SELECT * FROM Win32_ComputerSystem ", L"UserName", 1, values) ||
        values.empty())
        return false;
    convertBSTRoString(values.front().bstr(), user);
    OutputDebugStringW((user + L"\n").c_str());
    return true;
}

bool CSearchAplication::getKeyWordAndLinkFile(IWbemServices *services, const std::wstring &user)
{
    std::vector<UniqueVariant> values;
    if (!m_query(services, L"SELECT * FROM Win32_LogicalProgramGroupItem", L"Name", SIZE_MAX,
                 values))
        return false;
    CApplicationRecord record;
    for (const UniqueVariant &value : values) {
        std::wstring name;
        convertBSTRoString(value.bstr(), name);
        if (record.setData(user, name))
            m_listApplication.push_back(record);
        OutputDebugStringW((name + L"\n").c_str());
    }
    return true;
}

void CSearchAplication::convertBSTRoString(BSTR bstr, std::wstring &text)
{
    // Up to the first terminator, as a "%s" format would copy it; a missing
    // value reads as empty.
    text = bstr != nullptr ? bstr : L"";
}

#include "wmi_query.h"

#include <wbemidl.h>

#include <cstdlib>

#include "win32/com_ptr.h"
#include "win32/unique_bstr.h"
#include "win32/unique_variant.h"

namespace zrinstallprep {

void StoreNarrowValue(const VARIANT &value, char *buffer, int bufferSize)
{
    if (buffer == nullptr || bufferSize <= 0)
        return;
    buffer[0] = '\0';
    if (value.vt != VT_BSTR || value.bstrVal == nullptr)
        return;
    // Measure first: a cut prefix could equal a keyword by accident.
    const size_t needed = wcstombs(nullptr, value.bstrVal, 0);
    if (needed == static_cast<size_t>(-1) || needed >= static_cast<size_t>(bufferSize))
        return;
    // The conversion may still stop half-way on a character the measuring
    // let through: what it wrote is then no value either.
    const size_t written = wcstombs(buffer, value.bstrVal, static_cast<size_t>(bufferSize));
    if (written == static_cast<size_t>(-1) || written >= static_cast<size_t>(bufferSize))
        buffer[0] = '\0';
}

int QueryWmiProperty(char *buffer, int bufferSize, BSTR nameSpace, BSTR query,
                     const wchar_t *propertyName)
{
    const HRESULT initialised = CoInitialize(nullptr);
    if (FAILED(initialised))
        return 0; // for instance a thread of the multithreaded apartment
    // S_FALSE: the caller's own initialisation, which is not ours to end.
    const bool uninitialise = initialised != S_FALSE;

    const HRESULT security =
        CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT,
                             RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr);
    if (security != S_OK && security != RPC_E_TOO_LATE) {
        CoUninitialize();
        return 0;
    }

    ComPtr<IWbemLocator> locator;
    if (FAILED(CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                                locator.put_void()))) {
        if (uninitialise)
            CoUninitialize();
        return 0;
    }

    ComPtr<IWbemServices> services;
    if (FAILED(locator->ConnectServer(nameSpace, nullptr, nullptr, nullptr, 0, nullptr, nullptr,
                                      services.put()))) {
        locator.reset();
        if (uninitialise)
            CoUninitialize();
        return 0;
    }

    ComPtr<IEnumWbemClassObject> enumerator;
    const UniqueBstr language(L"WQL");
    if (FAILED(CoSetProxyBlanket(services.get(), RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr,
                                 RPC_C_AUTHN_LEVEL_CALL, RPC_C_IMP_LEVEL_IMPERSONATE, nullptr,
                                 EOAC_NONE)) ||
        language.get() == nullptr ||
        FAILED(services->ExecQuery(language.get(), query,
                                   WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY, nullptr,
                                   enumerator.put()))) {
        services.reset();
        locator.reset();
        if (uninitialise)
            CoUninitialize();
        return 0;
    }

    // Every instance overwrites the buffer: the last one decides.
    for (;;) {
        ComPtr<IWbemClassObject> object;
        ULONG returned = 0;
        enumerator->Next(WBEM_INFINITE, 1, object.put(), &returned);
        if (returned == 0)
            break;
        UniqueVariant value;
        object->Get(propertyName, 0, value.put(), nullptr, nullptr);
        StoreNarrowValue(value.get(), buffer, bufferSize);
        // The value is cleared before its object goes.
    }

    services.reset();
    locator.reset();
    enumerator.reset();
    if (uninitialise)
        CoUninitialize();
    return 1;
}

} // namespace zrinstallprep

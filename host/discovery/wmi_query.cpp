#include "discovery/wmi_query.h"

#include "win32/com_ptr.h"
#include "win32/unique_bstr.h"

bool ExecuteWmiQuery(IWbemServices *services, const wchar_t *query, const wchar_t *property,
                     std::size_t maxRows, std::vector<UniqueVariant> &values)
{
    const UniqueBstr language(L"WQL");
    const UniqueBstr text(query);
    ComPtr<IEnumWbemClassObject> rows;
    if (FAILED(services->ExecQuery(language.get(), text.get(),
                                   WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY, nullptr,
                                   rows.put())) ||
        !rows)
        return false;
    while (values.size() < maxRows) {
        ComPtr<IWbemClassObject> row;
        ULONG returned = 0;
        rows->Next(WBEM_INFINITE, 1, row.put(), &returned);
        if (returned == 0 || !row)
            break;
        UniqueVariant value;
        row->Get(property, 0, value.put(), nullptr, nullptr);
        values.push_back(std::move(value));
    }
    return true;
}

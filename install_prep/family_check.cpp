#include "family_check.h"

#include <cstring>

#include "win32/unique_bstr.h"
#include "install_mark.h"

namespace zrinstallprep {

namespace {

struct FamilyQuery {
    int selector;
    const wchar_t *nameSpace;
    const wchar_t *query;
    const wchar_t *property;
    // The values ZRPCheckFamily accepts, compared byte-wise in full.
    const char *keywords[2];
};

// clang-format off
constexpr FamilyQuery kFamilyQueries[] = {
    {100, L"root\\WMI", L"SELECT * FROM MS_SystemInformation", L"SystemFamily",
     {"quillbook", "QUENOR"}},
    {200, L"root\\CIMV2", L"SELECT * FROM Win32_ComputerSystemProduct", L"Name",
     {"MX-Q42/V42", nullptr}},
};
// clang-format on

constexpr int kFamilyBufferBytes = 2048;

const FamilyQuery *FindQuery(int selector)
{
    for (const FamilyQuery &candidate : kFamilyQueries) {
        if (candidate.selector == selector)
            return &candidate;
    }
    return nullptr;
}

// Runs the selector's query with the namespace and the query text as BSTRs
// that live for the call. Strings that cannot be allocated make it a failed
// query (0), as any other COM failure does.
int RunQuery(const FamilyQuery &family, char *buffer, int bufferSize,
             WmiQueryFunction queryProperty)
{
    const UniqueBstr nameSpace(family.nameSpace);
    const UniqueBstr query(family.query);
    if (nameSpace.get() == nullptr || query.get() == nullptr)
        return 0;
    return queryProperty(buffer, bufferSize, nameSpace.get(), query.get(), family.property);
}

} // namespace

int CheckFamily(int selector, WmiQueryFunction queryProperty)
{
    if (CheckRegMark() == 1)
        return 1;
    const FamilyQuery *family = FindQuery(selector);
    if (family == nullptr)
        return 0;

    // The query's result is not looked at: a failed query leaves the buffer
    // empty, which matches nothing.
    char value[kFamilyBufferBytes] = {};
    RunQuery(*family, value, kFamilyBufferBytes, queryProperty);
    for (const char *keyword : family->keywords) {
        if (keyword != nullptr && std::strcmp(value, keyword) == 0)
            return 1;
    }
    return 0;
}

int GetModelKeyword(int selector, char *buffer, int bufferSize, WmiQueryFunction queryProperty)
{
    const FamilyQuery *family = FindQuery(selector);
    if (family == nullptr)
        return 0;
    return RunQuery(*family, buffer, bufferSize, queryProperty);
}

} // namespace zrinstallprep

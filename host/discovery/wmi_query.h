// The one place where discovery asks WMI for rows.
#pragma once

#include <wbemidl.h>

#include <cstddef>
#include <vector>

#include "win32/unique_variant.h"

// Runs a WQL query and gives, for each row in the provider's order and for
// at most maxRows rows, the value of one property. False when the query
// itself fails.
using WmiQueryFunction = bool (*)(IWbemServices *services, const wchar_t *query,
                                  const wchar_t *property, std::size_t maxRows,
                                  std::vector<UniqueVariant> &values);

// The query against the connected provider: forward-only, return-immediately,
// one object per Next with an infinite time-out.
bool ExecuteWmiQuery(IWbemServices *services, const wchar_t *query, const wchar_t *property,
                     std::size_t maxRows, std::vector<UniqueVariant> &values);

// The driver packages of the device nodes: which published INF a node's
// driver was installed from, and taking such a package out of the driver
// store once no node of ours uses it any more.
#pragma once

#include <windows.h>

#include <setupapi.h>

#include <string>
#include <vector>

namespace kivodevinst {

enum class PackageLookup {
    Found,      // the node's driver came from the published INF named
    None,       // the node has no driver, or its driver no INF: nothing to remove
    Unreadable, // the node has a driver whose INF could not be read
};

// The published INF name (on Windows "oemNN.inf", without a path) of the
// node's driver: the value "InfPath" of its driver key. Read it before the
// node goes: its driver key goes with it.
PackageLookup FindPublishedInf(HDEVINFO set, SP_DEVINFO_DATA *device, std::wstring &infName);

// The published INF names that removed nodes used, each once
// (file names compare without case).
class PackageList {
public:
    void add(const std::wstring &infName);
    const std::vector<std::wstring> &names() const { return names_; }

private:
    std::vector<std::wstring> names_;
};

// Takes each package out of the driver store. True when none of them is
// left there; a package that is already gone counts as removed.
bool RemoveFromDriverStore(const PackageList &packages);

} // namespace kivodevinst

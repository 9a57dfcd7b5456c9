// Settings files for tests, built section by section and key by key, in the
// form the platform's profile writer keeps byte for byte (CRLF, no blank
// lines, no blanks around "=").
#pragma once

#include <string>
#include <vector>

namespace hosttest {

class IniText {
public:
    // [Setting] with ItemNum n, default ids 1 / min(3, n), selected ids
    // min(2, n) / n, ButtonAction 1, InkrunKicker, and Item01 to ItemNN of
    // kind 1 named "Item k".
    static IniText Valid(int itemNum);

    // Replaces the key's value, or adds the key (and the section) when absent.
    IniText &Set(const std::wstring &section, const std::wstring &key, const std::wstring &value);
    IniText &Remove(const std::wstring &section, const std::wstring &key);
    IniText &RemoveSection(const std::wstring &section);
    // A comment line at the top of the file.
    IniText &Comment(const std::wstring &text);

    std::wstring Text() const;

    // "Item%02d".
    static std::wstring ItemSection(int n);

private:
    struct Key {
        std::wstring name;
        std::wstring value;
    };
    struct Section {
        std::wstring name;
        std::vector<Key> keys;
    };
    Section *Find(const std::wstring &name);

    std::vector<std::wstring> comments_;
    std::vector<Section> sections_;
};

} // namespace hosttest

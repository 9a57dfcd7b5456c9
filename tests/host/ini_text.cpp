#include "ini_text.h"

#include <algorithm>
#include <cwchar>

namespace hosttest {

IniText IniText::Valid(int itemNum)
{
    IniText ini;
    const auto number = [](int n) { return std::to_wstring(n); };
    ini.Set(L"Setting", L"ItemNum", number(itemNum))
        .Set(L"Setting", L"ButtonADefaultId", L"1")
        .Set(L"Setting", L"ButtonASettingId", number(std::min(2, itemNum)))
        .Set(L"Setting", L"ButtonBDefaultId", number(std::min(3, itemNum)))
        .Set(L"Setting", L"ButtonBSettingId", number(itemNum))
        .Set(L"Setting", L"ButtonAction", L"1")
        .Set(L"Setting", L"InkrunKicker", L"InkrunKicker.exe");
    for (int k = 1; k <= itemNum; ++k) {
        const std::wstring section = ItemSection(k);
        ini.Set(section, L"ItemId", number(k))
            .Set(section, L"ItemPreEvent", L"0")
            .Set(section, L"ItemPathInfo", L"1")
            .Set(section, L"ItemName", L"Item " + number(k))
            .Set(section, L"ItemPath", L"C:\\Windows\\System32\\notepad.exe")
            .Set(section, L"ItemOption", L"");
    }
    return ini;
}

IniText::Section *IniText::Find(const std::wstring &name)
{
    for (Section &section : sections_) {
        if (section.name == name)
            return &section;
    }
    return nullptr;
}

IniText &IniText::Set(const std::wstring &section, const std::wstring &key,
                      const std::wstring &value)
{
    Section *found = Find(section);
    if (found == nullptr) {
        sections_.push_back({section, {}});
        found = &sections_.back();
    }
    for (Key &existing : found->keys) {
        if (existing.name == key) {
            existing.value = value;
            return *this;
        }
    }
    found->keys.push_back({key, value});
    return *this;
}

IniText &IniText::Remove(const std::wstring &section, const std::wstring &key)
{
    if (Section *found = Find(section))
        std::erase_if(found->keys, [&](const Key &k) { return k.name == key; });
    return *this;
}

IniText &IniText::RemoveSection(const std::wstring &section)
{
    std::erase_if(sections_, [&](const Section &s) { return s.name == section; });
    return *this;
}

IniText &IniText::Comment(const std::wstring &text)
{
    comments_.push_back(text);
    return *this;
}

std::wstring IniText::Text() const
{
    std::wstring text;
    for (const std::wstring &comment : comments_)
        text += L"; " + comment + L"\r\n";
    for (const Section &section : sections_) {
        text += L"[" + section.name + L"]\r\n";
        for (const Key &key : section.keys)
            text += key.name + L"=" + key.value + L"\r\n";
    }
    return text;
}

std::wstring IniText::ItemSection(int n)
{
    wchar_t name[16];
    std::swprintf(name, std::size(name), L"Item%02d", n);
    return name;
}

} // namespace hosttest

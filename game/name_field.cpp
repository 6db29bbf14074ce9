#include "game/name_field.h"

#include <windows.h>

#include <algorithm>

std::string_view NameText(const NameField& field)
{
    const auto end = std::find(field.begin(), field.end(), '\0');
    return std::string_view(field.data(), static_cast<std::size_t>(end - field.begin()));
}

NameField MakeNameField(std::string_view text)
{
    NameField field{};
    const std::size_t length = std::min(text.size(), kNameFieldSize);
    std::copy_n(text.begin(), length, field.begin());
    return field;
}

std::wstring NameToWide(const NameField& field)
{
    const std::string_view text = NameText(field);
    if (text.empty()) return {};
    // Code page 1251 maps every byte to one UTF-16 unit, so 20 units always suffice.
    wchar_t wide[kNameFieldSize];
    const int count = MultiByteToWideChar(kNameCodePage, 0, text.data(), static_cast<int>(text.size()), wide,
                                          static_cast<int>(kNameFieldSize));
    return std::wstring(wide, count > 0 ? static_cast<std::size_t>(count) : 0);
}

NameField NameFromWide(std::wstring_view text)
{
    if (text.empty()) return NameField{};
    const int needed = WideCharToMultiByte(kNameCodePage, 0, text.data(), static_cast<int>(text.size()),
                                           nullptr, 0, nullptr, nullptr);
    if (needed <= 0) return NameField{};
    std::string bytes(static_cast<std::size_t>(needed), '\0');
    WideCharToMultiByte(kNameCodePage, 0, text.data(), static_cast<int>(text.size()), bytes.data(), needed,
                        nullptr, nullptr);
    return MakeNameField(bytes);
}

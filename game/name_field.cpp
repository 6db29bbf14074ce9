#include "game/name_field.h"

#include "framework/code_page_1251.h"

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

std::wstring NameToWide(const NameField& field) { return Cp1251ToWide(NameText(field)); }

NameField NameFromWide(std::wstring_view text) { return MakeNameField(WideToCp1251(text)); }

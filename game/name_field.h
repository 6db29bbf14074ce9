#pragma once
// A player name as the game stores it: 20 bytes of Windows-1251 text, ended by a zero byte when
// shorter, with no terminator at exactly 20 bytes and zero bytes after the end. Every reader goes
// through NameText, which never looks past the 20 bytes, so a full name never runs into the next
// slot or record.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

constexpr std::size_t kNameFieldSize = 20;

using NameField = std::array<char, kNameFieldSize>;

/// The name's bytes: at most 20, up to the first zero byte.
std::string_view NameText(const NameField& field);

/// A field holding `text` cut to 20 bytes, zero-filled after it.
NameField MakeNameField(std::string_view text);

/// A field whose first byte is zero holds no name.
inline bool IsNameEmpty(const NameField& field)
{
    return field[0] == '\0';
}

/// Exact, case-sensitive comparison of the two names' bytes.
inline bool SameName(const NameField& a, const NameField& b)
{
    return NameText(a) == NameText(b);
}

/// The name as UTF-16 for windows and the text font.
std::wstring NameToWide(const NameField& field);

/// A field from UTF-16 text (a dialog's edit box): converted to Windows-1251, cut to 20 bytes.
NameField NameFromWide(std::wstring_view text);

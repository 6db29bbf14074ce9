#include "shell/registry_access.h"
#include "shell/registry_key.h"

#include "framework/code_page_1251.h"

#include "support/registry_sandbox.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>

namespace {

class RegistryAccess : public ::testing::Test {
protected:
    RegistryAccess() : sandbox("RegistryAccess"), key(OpenOrCreateKey(sandbox.Root(), sandbox.Path())) {}
    RegistrySandbox sandbox;
    UniqueHKey key;
};

// A destination with guard bytes on both sides, to catch writes past either end.
template <std::size_t N> struct Guarded {
    std::array<char, 8> before;
    std::array<char, N> data;
    std::array<char, 8> after;
    Guarded()
    {
        before.fill('#');
        data.fill('?');
        after.fill('#');
    }
    bool GuardsIntact() const
    {
        for (std::size_t i = 0; i < 8; ++i)
            if (before[i] != '#' || after[i] != '#') return false;
        return true;
    }
};

} // namespace

TEST_F(RegistryAccess, DwordTakesStoredBytesOrTheDefault)
{
    ASSERT_TRUE(key);
    DWORD value = 0;
    EXPECT_TRUE(FAILED(ReadDwordSetting(key.Get(), "Missing", &value, 17)));
    EXPECT_EQ(value, 17u);

    sandbox.PutDword("Stored", 0xFFFFFFEC); // -20 as a bit pattern
    EXPECT_EQ(ReadDwordSetting(key.Get(), "Stored", &value, 17), S_OK);
    EXPECT_EQ(static_cast<LONG>(value), -20);

    // Another type of the right size is taken unchanged.
    const std::uint8_t four[] = {0x05, 0, 0, 0};
    sandbox.Put("Binary4", REG_BINARY, four, 4);
    EXPECT_EQ(ReadDwordSetting(key.Get(), "Binary4", &value, 17), S_OK);
    EXPECT_EQ(value, 5u);

    // Shorter: only the leading bytes change.
    const std::uint8_t two[] = {0x34, 0x12};
    sandbox.Put("Binary2", REG_BINARY, two, 2);
    value = 0xAABBCCDD;
    EXPECT_EQ(ReadDwordSetting(key.Get(), "Binary2", &value, 17), S_OK);
    EXPECT_EQ(value, 0xAABB1234u);

    // Longer (a QWORD, a long text): treated as missing.
    const std::uint64_t wide = 0x1122334455667788ULL;
    sandbox.Put("Qword", REG_QWORD, &wide, 8);
    EXPECT_TRUE(FAILED(ReadDwordSetting(key.Get(), "Qword", &value, 17)));
    EXPECT_EQ(value, 17u);
    sandbox.PutText("Text", "123456789");
    EXPECT_TRUE(FAILED(ReadDwordSetting(key.Get(), "Text", &value, 18)));
    EXPECT_EQ(value, 18u);
}

TEST_F(RegistryAccess, StringIsAlwaysTerminatedWithinItsBuffer)
{
    ASSERT_TRUE(key);
    Guarded<16> text;

    sandbox.PutText("Short", "abc");
    EXPECT_EQ(ReadStringSetting(key.Get(), "Short", text.data.data(), 16, "dflt"), S_OK);
    EXPECT_STREQ(text.data.data(), "abc");

    // Stored without a terminator, as binary bytes.
    sandbox.Put("Unterminated", REG_BINARY, "xyz", 3);
    text.data.fill('?');
    EXPECT_EQ(ReadStringSetting(key.Get(), "Unterminated", text.data.data(), 16, "dflt"), S_OK);
    EXPECT_STREQ(text.data.data(), "xyz");

    // Fifteen characters and the terminator fill the buffer exactly.
    sandbox.PutText("Fits", std::string(15, 'f'));
    EXPECT_EQ(ReadStringSetting(key.Get(), "Fits", text.data.data(), 16, "dflt"), S_OK);
    EXPECT_EQ(std::string(text.data.data()), std::string(15, 'f'));

    // Sixteen bytes with no room for the terminator, and a longer text: both count as too long.
    sandbox.Put("Full", REG_BINARY, std::string(16, 'g').data(), 16);
    EXPECT_TRUE(FAILED(ReadStringSetting(key.Get(), "Full", text.data.data(), 16, "dflt")));
    EXPECT_STREQ(text.data.data(), "dflt");
    sandbox.PutText("Long", std::string(40, 'h'));
    EXPECT_TRUE(FAILED(ReadStringSetting(key.Get(), "Long", text.data.data(), 16, "dflt")));
    EXPECT_STREQ(text.data.data(), "dflt");

    // A default longer than the buffer is cut to fit.
    EXPECT_TRUE(FAILED(ReadStringSetting(key.Get(), "Missing", text.data.data(), 16, "0123456789abcdefXYZ")));
    EXPECT_STREQ(text.data.data(), "0123456789abcde");

    EXPECT_TRUE(text.GuardsIntact());
    EXPECT_EQ(ReadStringSetting(key.Get(), "Short", text.data.data(), 0, "dflt"), E_INVALIDARG);
}

TEST_F(RegistryAccess, BinaryReplacesLeadingBytesOrTakesTheWholeDefault)
{
    ASSERT_TRUE(key);
    Guarded<8> block;
    const char fallback[8] = {'d', 'd', 'd', 'd', 'd', 'd', 'd', 'd'};

    sandbox.Put("Short", REG_BINARY, "ab", 2);
    EXPECT_EQ(ReadBinarySetting(key.Get(), "Short", block.data.data(), 8, fallback), S_OK);
    EXPECT_EQ(std::string(block.data.data(), 8), "ab??????");

    sandbox.Put("Long", REG_BINARY, "0123456789", 10);
    EXPECT_TRUE(FAILED(ReadBinarySetting(key.Get(), "Long", block.data.data(), 8, fallback)));
    EXPECT_EQ(std::string(block.data.data(), 8), "dddddddd");

    block.data.fill('?');
    EXPECT_TRUE(FAILED(ReadBinarySetting(key.Get(), "Missing", block.data.data(), 8, fallback)));
    EXPECT_EQ(std::string(block.data.data(), 8), "dddddddd");

    // The type is not relied on: a text's bytes are taken as they are.
    sandbox.PutText("Text", "hi");
    EXPECT_EQ(ReadBinarySetting(key.Get(), "Text", block.data.data(), 8, fallback), S_OK);
    EXPECT_EQ(std::string(block.data.data(), 3), std::string("hi\0", 3));

    EXPECT_TRUE(block.GuardsIntact());
}

TEST_F(RegistryAccess, WritesUseTheirTypesAndSizes)
{
    ASSERT_TRUE(key);
    EXPECT_EQ(WriteDwordSetting(key.Get(), "D", 0x01020304), S_OK);
    EXPECT_EQ(WriteStringSetting(key.Get(), "S", "path.jpg"), S_OK);
    EXPECT_EQ(WriteBinarySetting(key.Get(), "B", "\x01\x00\x02", 3), S_OK);
    EXPECT_EQ(WriteStringSetting(key.Get(), "Null", nullptr), E_INVALIDARG);

    const RegistrySandbox::Stored d = sandbox.Get("D");
    EXPECT_EQ(d.type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(d.bytes, (std::vector<std::uint8_t>{4, 3, 2, 1}));
    const RegistrySandbox::Stored s = sandbox.Get("S");
    EXPECT_EQ(s.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(s.bytes.size(), 9u);
    const RegistrySandbox::Stored b = sandbox.Get("B");
    EXPECT_EQ(b.type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(b.bytes, (std::vector<std::uint8_t>{1, 0, 2}));
    EXPECT_FALSE(sandbox.Get("Null").present);
}

TEST(StoredText, ReadingsFollowTheSystemCodePage)
{
    const std::string fon = WideToCp1251(L"Фон");
    EXPECT_EQ(Cp1251OfStoredText(L"Фон", 1251, 64, nullptr), fon);
    // Western: the earlier version stored the 1251 bytes as 1252 text.
    EXPECT_EQ(Cp1251OfStoredText(L"Ôîí", 1252, 64, nullptr), fon);
    // Japanese: Russian letters are 932 characters too, yet this version's text stays Russian;
    // an earlier value survives where its bytes came through, as capitals did (half-width kana).
    EXPECT_EQ(Cp1251OfStoredText(L"Фон", 932, 64, nullptr), fon);
    EXPECT_EQ(Cp1251OfStoredText(L"\uFF94\uFF8E\uFF8D", 932, 64, nullptr), WideToCp1251(L"ФОН"));
    EXPECT_EQ(Cp1251OfStoredText(L"\uFF94\uFF8E\uFF8D", 932, 2, nullptr), "??");

    // "€" is 1251 byte 0x88 and 1252 byte 0x80 (1251 "Ђ"): the wanted reading wins.
    const TextWanted dje = [](const std::string& text) { return text == "\x80"; };
    EXPECT_EQ(Cp1251OfStoredText(L"€", 1252, 64, dje), "\x80");
    EXPECT_EQ(Cp1251OfStoredText(L"€", 1252, 64, nullptr), "\x88");
    EXPECT_EQ(Cp1251OfStoredText(L"Ωμ", 1252, 64, nullptr), "??");
}

// The Reg procedures' rules, on whichever backend makeRegSuiteMachine() gives.

#include "RegProceduresSuite.h"

#include "platform/Codepage.h"
#include "platform/Reg.h"
#include "platform/Registry.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace kestrel::testing {
namespace {

using namespace kestrel::Reg;

const std::wstring SuiteKey = L"Software\\KestrelRegSuite";

class RegProcedures : public ::testing::Test {
protected:
    void SetUp() override {
        std::string reason;
        bool failIfMissing = false;
        machine_ = makeRegSuiteMachine(reason, failIfMissing);
        if (!machine_) {
            if (failIfMissing)
                FAIL() << reason;
            GTEST_SKIP() << reason;
        }
        Machine::setCurrent(machine_.get());
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        base_ = SuiteKey + L"\\" + codepage::fromUtf8(info->name());
        registry().deleteKey(HKEY_CURRENT_USER, ansi(base_));
    }

    void TearDown() override {
        if (!machine_)
            return;
        registry().deleteKey(HKEY_CURRENT_USER, ansi(SuiteKey));
        Machine::setCurrent(nullptr);
        machine_.reset();
    }

    Registry& registry() { return machine_->registry(); }
    std::string ansi(const std::wstring& text) {
        return codepage::fromWide(text, machine_->ansiCodePage());
    }
    std::wstring key(const std::wstring& below = L"") const {
        return below.empty() ? base_ : base_ + L"\\" + below;
    }

    // The value as the registry holds it, read with the "A" call directly.
    struct Raw {
        long status = -1;
        std::uint32_t type = 0;
        std::string data;
    };
    Raw raw(const std::wstring& path, const std::wstring& name) {
        Raw out;
        RegHandle handle = 0;
        out.status = registry().openKey(HKEY_CURRENT_USER, ansi(path), KEY_READ, handle);
        if (out.status != ERROR_SUCCESS)
            return out;
        std::string buffer(8192, '\0');
        auto size = static_cast<std::uint32_t>(buffer.size());
        out.status = registry().queryValue(handle, ansi(name), out.type,
                                           reinterpret_cast<std::uint8_t*>(buffer.data()), size);
        registry().closeKey(handle);
        if (out.status == ERROR_SUCCESS)
            out.data = buffer.substr(0, size);
        return out;
    }
    long setRaw(const std::wstring& path, const std::wstring& name, std::uint32_t type,
                const std::string& data) {
        RegHandle handle = 0;
        long status = registry().createKey(HKEY_CURRENT_USER, ansi(path), KEY_WRITE, handle);
        if (status != ERROR_SUCCESS)
            return status;
        status = registry().setValue(handle, ansi(name), type,
                                     reinterpret_cast<const std::uint8_t*>(data.data()),
                                     static_cast<std::uint32_t>(data.size()));
        registry().closeKey(handle);
        return status;
    }
    std::wstring read(const std::wstring& path, const std::wstring& name, bool* ok = nullptr) {
        std::wstring text = L"(untouched)";
        const bool result = GetString(HKEY_CURRENT_USER, path, name, text);
        if (ok)
            *ok = result;
        return text;
    }

    std::unique_ptr<Machine> machine_;
    std::wstring base_;
};

TEST_F(RegProcedures, GetStringReadsStringsAndBinaryAsCharacters) {
    ASSERT_TRUE(SaveString(HKEY_CURRENT_USER, key(), L"Text", L"abc"));
    EXPECT_EQ(read(key(), L"Text"), L"abc");

    // Stored without its terminator: nothing is cut off.
    ASSERT_EQ(setRaw(key(), L"Bare", REG_SZ, "abc"), ERROR_SUCCESS);
    EXPECT_EQ(read(key(), L"Bare"), L"abc");

    // Only the one trailing zero byte is dropped: 01 00 00 00 reads as three characters.
    ASSERT_TRUE(SaveBinary(HKEY_CURRENT_USER, key(), L"Bin", std::wstring(L"\x01\0\0\0", 4)));
    EXPECT_EQ(read(key(), L"Bin"), std::wstring(L"\x01\0\0", 3));
    ASSERT_EQ(setRaw(key(), L"Bin2", REG_BINARY, std::string("A\0B", 3)), ERROR_SUCCESS);
    EXPECT_EQ(read(key(), L"Bin2"), std::wstring(L"A\0B", 3));

    // Zero bytes of data: success with the empty text.
    ASSERT_TRUE(SaveBinary(HKEY_CURRENT_USER, key(), L"Empty", L""));
    bool ok = false;
    EXPECT_EQ(read(key(), L"Empty", &ok), L"");
    EXPECT_TRUE(ok);
}

TEST_F(RegProcedures, GetStringReadsDWordAsItsLowestByte) {
    const std::pair<std::int32_t, const wchar_t*> cases[] = {
        {1, L"1"}, {0, L"0"}, {255, L"255"}, {256, L"0"}, {257, L"1"}, {300, L"44"}, {-1, L"255"}};
    for (const auto& [stored, text] : cases) {
        ASSERT_TRUE(SaveDWord(HKEY_CURRENT_USER, key(), L"Number", stored));
        EXPECT_EQ(read(key(), L"Number"), text) << stored;
    }
    const Raw value = raw(key(), L"Number");
    EXPECT_EQ(value.type, REG_DWORD);
    EXPECT_EQ(value.data, std::string("\xFF\xFF\xFF\xFF", 4));
}

TEST_F(RegProcedures, GetStringLeavesTextOfOtherTypesAsPassed) {
    ASSERT_EQ(setRaw(key(), L"Expand", REG_EXPAND_SZ, std::string("%PATH%\0", 7)), ERROR_SUCCESS);
    bool ok = false;
    EXPECT_EQ(read(key(), L"Expand", &ok), L"(untouched)");
    EXPECT_TRUE(ok);
}

TEST_F(RegProcedures, GetStringFailsWithEmptyText) {
    bool ok = true;
    EXPECT_EQ(read(key(L"Missing\\Key"), L"Value", &ok), L"");
    EXPECT_FALSE(ok);

    ASSERT_TRUE(SaveDWord(HKEY_CURRENT_USER, key(), L"Present", 1));
    ok = true;
    EXPECT_EQ(read(key(), L"Absent", &ok), L"");
    EXPECT_FALSE(ok);

    // 1024 bytes fit the read buffer; 1025 do not.
    ASSERT_TRUE(SaveBinary(HKEY_CURRENT_USER, key(), L"Fits", std::wstring(1024, L'x')));
    EXPECT_EQ(read(key(), L"Fits", &ok), std::wstring(1024, L'x'));
    EXPECT_TRUE(ok);
    ASSERT_TRUE(SaveBinary(HKEY_CURRENT_USER, key(), L"TooLong", std::wstring(1025, L'x')));
    EXPECT_EQ(read(key(), L"TooLong", &ok), L"");
    EXPECT_FALSE(ok);
    // A 1024-character string needs 1025 bytes with its terminator.
    ASSERT_TRUE(SaveString(HKEY_CURRENT_USER, key(), L"LongText", std::wstring(1024, L'y')));
    EXPECT_EQ(read(key(), L"LongText", &ok), L"");
    EXPECT_FALSE(ok);
    ASSERT_TRUE(SaveString(HKEY_CURRENT_USER, key(), L"LongText", std::wstring(1023, L'y')));
    EXPECT_EQ(read(key(), L"LongText", &ok), std::wstring(1023, L'y'));
    EXPECT_TRUE(ok);
}

TEST_F(RegProcedures, WritersStoreTheDataTheyAreGiven) {
    ASSERT_TRUE(SaveString(HKEY_CURRENT_USER, key(), L"Empty", L""));
    Raw value = raw(key(), L"Empty");
    EXPECT_EQ(value.type, REG_SZ);
    EXPECT_EQ(value.data, std::string(1, '\0'));

    ASSERT_TRUE(SaveString(HKEY_CURRENT_USER, key(), L"Text", L"C:\\dir \"q\""));
    value = raw(key(), L"Text");
    EXPECT_EQ(value.type, REG_SZ);
    EXPECT_EQ(value.data, std::string("C:\\dir \"q\"\0", 11));

    ASSERT_TRUE(SaveDWord(HKEY_CURRENT_USER, key(), L"Number", 0x01020304));
    value = raw(key(), L"Number");
    EXPECT_EQ(value.type, REG_DWORD);
    EXPECT_EQ(value.data, "\x04\x03\x02\x01");

    // Each character one byte of the code page, no terminator added.
    const std::wstring high = codepage::toWide("\xE9\xFF", machine_->ansiCodePage());
    ASSERT_TRUE(SaveBinary(HKEY_CURRENT_USER, key(), L"Bytes", L"ab" + high));
    value = raw(key(), L"Bytes");
    EXPECT_EQ(value.type, REG_BINARY);
    EXPECT_EQ(value.data, "ab\xE9\xFF");
    EXPECT_EQ(read(key(), L"Bytes"), L"ab" + high);

    // The default value has the empty name.
    ASSERT_TRUE(SaveString(HKEY_CURRENT_USER, key(), L"", L"default"));
    EXPECT_EQ(read(key(), L""), L"default");

    // A write replaces the value, type included.
    ASSERT_TRUE(SaveDWord(HKEY_CURRENT_USER, key(), L"Text", 7));
    EXPECT_EQ(raw(key(), L"Text").type, REG_DWORD);
    EXPECT_EQ(read(key(), L"Text"), L"7");
}

TEST_F(RegProcedures, StringsOfTheCodePageRoundTrip) {
    std::string bytes;
    for (int b = 0x20; b < 0x100; ++b)
        if (b != 0x7F && b != 0x81 && b != 0x8D && b != 0x8F && b != 0x90 && b != 0x98 && b != 0x9D)
            bytes.push_back(static_cast<char>(b));
    const std::wstring text = codepage::toWide(bytes, machine_->ansiCodePage());
    ASSERT_TRUE(SaveString(HKEY_CURRENT_USER, key(), L"All", text));
    EXPECT_EQ(read(key(), L"All"), text);
    EXPECT_EQ(raw(key(), L"All").data, bytes + '\0');
}

TEST_F(RegProcedures, WritersCreateMissingKeys) {
    const std::wstring deep = key(L"One\\Two\\Three\\Four");
    ASSERT_TRUE(SaveDWord(HKEY_CURRENT_USER, deep, L"Deep", 1));
    EXPECT_EQ(read(deep, L"Deep"), L"1");
    std::vector<std::wstring> names;
    EXPECT_TRUE(EnumKeys(names, HKEY_CURRENT_USER, key(L"One\\Two")));
    EXPECT_EQ(names, std::vector<std::wstring>{L"Three"});

    ASSERT_TRUE(SaveString(HKEY_CURRENT_USER, key(L"S"), L"v", L"x"));
    ASSERT_TRUE(SaveBinary(HKEY_CURRENT_USER, key(L"B"), L"v", L"x"));
    EXPECT_TRUE(EnumKeys(names, HKEY_CURRENT_USER, key()));
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::wstring>{L"B", L"One", L"S"}));
}

TEST_F(RegProcedures, KeyAndValueNamesIgnoreCaseAndKeepTheirSpelling) {
    ASSERT_TRUE(SaveString(HKEY_CURRENT_USER, key(L"MixedCase\\SubKey"), L"ValueName", L"v"));
    EXPECT_EQ(read(key(L"mixedcase\\SUBKEY"), L"VALUENAME"), L"v");
    ASSERT_TRUE(SaveString(HKEY_CURRENT_USER, key(L"MIXEDCASE\\subkey"), L"valuename", L"w"));
    EXPECT_EQ(read(key(L"MixedCase\\SubKey"), L"ValueName"), L"w");
    std::vector<std::wstring> names;
    EXPECT_TRUE(EnumKeys(names, HKEY_CURRENT_USER, key()));
    EXPECT_EQ(names, std::vector<std::wstring>{L"MixedCase"});
    EXPECT_TRUE(EnumKeys(names, HKEY_CURRENT_USER, key(L"MIXEDCASE")));
    EXPECT_EQ(names, std::vector<std::wstring>{L"SubKey"});
}

TEST_F(RegProcedures, DeleteValueCreatesTheKeyAndReportsWhetherAValueWent) {
    ASSERT_TRUE(SaveDWord(HKEY_CURRENT_USER, key(), L"Gone", 1));
    EXPECT_TRUE(DeleteValue(HKEY_CURRENT_USER, key(), L"Gone"));
    bool ok = true;
    read(key(), L"Gone", &ok);
    EXPECT_FALSE(ok);
    EXPECT_FALSE(DeleteValue(HKEY_CURRENT_USER, key(), L"Gone"));

    // On a missing key: the key is made (empty) and the result is false.
    std::vector<std::wstring> names{L"stale"};
    EXPECT_FALSE(EnumKeys(names, HKEY_CURRENT_USER, key(L"Made")));
    EXPECT_FALSE(DeleteValue(HKEY_CURRENT_USER, key(L"Made"), L"Anything"));
    EXPECT_TRUE(EnumKeys(names, HKEY_CURRENT_USER, key(L"Made")));
    EXPECT_TRUE(names.empty());
}

TEST_F(RegProcedures, EnumKeysReplacesTheList) {
    std::vector<std::wstring> names{L"stale", L"entries"};
    EXPECT_FALSE(EnumKeys(names, HKEY_CURRENT_USER, key(L"Nowhere")));
    EXPECT_TRUE(names.empty());

    ASSERT_TRUE(SaveDWord(HKEY_CURRENT_USER, key(L"Leaf"), L"v", 1));
    names = {L"stale"};
    EXPECT_TRUE(EnumKeys(names, HKEY_CURRENT_USER, key(L"Leaf")));
    EXPECT_TRUE(names.empty());

    for (const wchar_t* name : {L"beta", L"Alpha", L"gamma_1", L"Gamma"})
        ASSERT_TRUE(SaveDWord(HKEY_CURRENT_USER, key(L"List\\") + name, L"v", 1));
    EXPECT_TRUE(EnumKeys(names, HKEY_CURRENT_USER, key(L"List")));
    std::vector<std::wstring> sorted = names;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, (std::vector<std::wstring>{L"Alpha", L"Gamma", L"beta", L"gamma_1"}));
}

} // namespace
} // namespace kestrel::testing

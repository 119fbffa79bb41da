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

// Values stored with the "A" call and what GetString makes of them.
const struct {
    const wchar_t* name;
    std::uint32_t type;
    std::string data;
    std::wstring text; // L"(untouched)": the caller's text stays
    bool ok;
} Reads[] = {
    {L"Text", REG_SZ, std::string("abc\0", 4), L"abc", true},
    {L"Bare", REG_SZ, "abc", L"abc", true}, // stored without its terminator: nothing cut off
    // Only the one trailing zero byte is dropped.
    {L"Bin", REG_BINARY, std::string("\x01\0\0\0", 4), std::wstring(L"\x01\0\0", 3), true},
    {L"Bin2", REG_BINARY, std::string("A\0B", 3), std::wstring(L"A\0B", 3), true},
    {L"Empty", REG_BINARY, "", L"", true},
    // A DWORD reads as the decimal text of its lowest byte.
    {L"D1", REG_DWORD, std::string("\x01\0\0\0", 4), L"1", true},
    {L"D0", REG_DWORD, std::string(4, '\0'), L"0", true},
    {L"D256", REG_DWORD, std::string("\0\x01\0\0", 4), L"0", true},
    {L"D300", REG_DWORD, std::string("\x2C\x01\0\0", 4), L"44", true},
    {L"Dm1", REG_DWORD, "\xFF\xFF\xFF\xFF", L"255", true},
    {L"Expand", REG_EXPAND_SZ, std::string("%PATH%\0", 7), L"(untouched)", true},
    // 1024 bytes fit the read buffer; 1025 do not, a terminator included.
    {L"Fits", REG_BINARY, std::string(1024, 'x'), std::wstring(1024, L'x'), true},
    {L"TooLong", REG_BINARY, std::string(1025, 'x'), L"", false},
    {L"LongText", REG_SZ, std::string(1024, 'y') + '\0', L"", false},
    {L"FitText", REG_SZ, std::string(1023, 'y') + '\0', std::wstring(1023, L'y'), true},
};

TEST_F(RegProcedures, GetStringReadsEachTypeAsTheLayerDefinesIt) {
    for (const auto& row : Reads) {
        ASSERT_EQ(setRaw(key(), row.name, row.type, row.data), ERROR_SUCCESS) << row.name;
        bool ok = !row.ok;
        EXPECT_EQ(read(key(), row.name, &ok), row.text) << row.name;
        EXPECT_EQ(ok, row.ok) << row.name;
    }
    // A missing value or key: false and the empty text.
    for (const auto& path : {key(), key(L"Missing\\Key")}) {
        bool ok = true;
        EXPECT_EQ(read(path, L"Absent", &ok), L"");
        EXPECT_FALSE(ok);
    }
}

TEST_F(RegProcedures, WritersStoreTheDataTheyAreGiven) {
    const std::wstring high = codepage::toWide("\xE9\xFF", machine_->ansiCodePage());
    const struct {
        bool written;
        const wchar_t* name;
        std::uint32_t type;
        std::string data;
    } writes[] = {
        {SaveString(HKEY_CURRENT_USER, key(), L"Empty", L""), L"Empty", REG_SZ, std::string(1, 0)},
        {SaveString(HKEY_CURRENT_USER, key(), L"Text", L"C:\\dir \"q\""), L"Text", REG_SZ,
         std::string("C:\\dir \"q\"\0", 11)},
        {SaveDWord(HKEY_CURRENT_USER, key(), L"Number", 0x01020304), L"Number", REG_DWORD,
         "\x04\x03\x02\x01"},
        {SaveDWord(HKEY_CURRENT_USER, key(), L"Minus", -1), L"Minus", REG_DWORD,
         "\xFF\xFF\xFF\xFF"},
        // Each character one byte of the code page, no terminator added.
        {SaveBinary(HKEY_CURRENT_USER, key(), L"Bytes", L"ab" + high), L"Bytes", REG_BINARY,
         "ab\xE9\xFF"},
        // The default value has the empty name.
        {SaveString(HKEY_CURRENT_USER, key(), L"", L"default"), L"", REG_SZ,
         std::string("default\0", 8)},
        // A write replaces the value, type included.
        {SaveString(HKEY_CURRENT_USER, key(), L"Retyped", L"x") &&
             SaveDWord(HKEY_CURRENT_USER, key(), L"Retyped", 7),
         L"Retyped", REG_DWORD, std::string("\x07\0\0\0", 4)},
    };
    for (const auto& row : writes) {
        EXPECT_TRUE(row.written) << row.name;
        const Raw value = raw(key(), row.name);
        EXPECT_EQ(value.type, row.type) << row.name;
        EXPECT_EQ(value.data, row.data) << row.name;
    }
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

// Writers make the keys they need, names are found whatever their case and keep the spelling
// they were first written with, and EnumKeys replaces the caller's list.
TEST_F(RegProcedures, KeysAreMadeFoundAndListed) {
    ASSERT_TRUE(SaveDWord(HKEY_CURRENT_USER, key(L"One\\Two\\Three\\Four"), L"Deep", 1));
    ASSERT_TRUE(SaveString(HKEY_CURRENT_USER, key(L"S"), L"v", L"x"));
    ASSERT_TRUE(SaveBinary(HKEY_CURRENT_USER, key(L"B"), L"v", L"x"));
    ASSERT_TRUE(SaveDWord(HKEY_CURRENT_USER, key(L"Leaf"), L"v", 1));
    for (const wchar_t* name : {L"beta", L"Alpha", L"gamma_1", L"Gamma"})
        ASSERT_TRUE(SaveDWord(HKEY_CURRENT_USER, key(L"List\\") + name, L"v", 1));
    ASSERT_TRUE(SaveString(HKEY_CURRENT_USER, key(L"MixedCase\\SubKey"), L"ValueName", L"v"));
    EXPECT_EQ(read(key(L"mixedcase\\SUBKEY"), L"VALUENAME"), L"v");
    ASSERT_TRUE(SaveString(HKEY_CURRENT_USER, key(L"MIXEDCASE\\subkey"), L"valuename", L"w"));
    EXPECT_EQ(read(key(L"MixedCase\\SubKey"), L"ValueName"), L"w");
    EXPECT_EQ(read(key(L"One\\Two\\Three\\Four"), L"Deep"), L"1");

    // DeleteValue says whether a value went; on a missing key it makes the key (empty).
    ASSERT_TRUE(SaveDWord(HKEY_CURRENT_USER, key(), L"Gone", 1));
    EXPECT_TRUE(DeleteValue(HKEY_CURRENT_USER, key(), L"Gone"));
    bool ok = true;
    read(key(), L"Gone", &ok);
    EXPECT_FALSE(ok);
    EXPECT_FALSE(DeleteValue(HKEY_CURRENT_USER, key(), L"Gone"));
    EXPECT_FALSE(DeleteValue(HKEY_CURRENT_USER, key(L"Made"), L"Anything"));

    const struct {
        std::wstring path;
        bool ok;
        std::vector<std::wstring> sorted;
    } lists[] = {
        {key(), true, {L"B", L"Leaf", L"List", L"Made", L"MixedCase", L"One", L"S"}},
        {key(L"One\\Two"), true, {L"Three"}},
        {key(L"MIXEDCASE"), true, {L"SubKey"}},
        {key(L"List"), true, {L"Alpha", L"Gamma", L"beta", L"gamma_1"}},
        {key(L"Leaf"), true, {}},
        {key(L"Made"), true, {}},
        {key(L"Nowhere"), false, {}},
    };
    for (const auto& list : lists) {
        std::vector<std::wstring> names{L"stale", L"entries"};
        EXPECT_EQ(EnumKeys(names, HKEY_CURRENT_USER, list.path), list.ok);
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, list.sorted) << codepage::toUtf8(list.path);
    }
}

} // namespace
} // namespace kestrel::testing

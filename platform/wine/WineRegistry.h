#pragma once
// The registry of a Wine prefix, edited in its system.reg, user.reg and userdef.reg files.

#include "../Registry.h"

#include <memory>
#include <string>

namespace kestrel::wine {

class WineRegistry : public Registry {
public:
    // prefixPath: the prefix folder (it must hold system.reg). codePage: the ANSI code page the
    // "A" calls convert strings to and from.
    WineRegistry(std::string prefixPath, unsigned codePage);
    ~WineRegistry() override;

    // Starts reading the hive files in the background, so that the first page that reads
    // them finds them parsed. Any call that needs a hive waits for its read to end and reads
    // the file again if it changed meanwhile: no call ever sees an older state than without.
    void preload();

    long openKey(RegHandle key, const std::string& subKey, std::uint32_t access,
                 RegHandle& result) override;
    long createKey(RegHandle key, const std::string& subKey, std::uint32_t access,
                   RegHandle& result) override;
    long queryValue(RegHandle key, const std::string& name, std::uint32_t& type, std::uint8_t* data,
                    std::uint32_t& size) override;
    long setValue(RegHandle key, const std::string& name, std::uint32_t type,
                  const std::uint8_t* data, std::uint32_t size) override;
    long deleteValue(RegHandle key, const std::string& name) override;
    long deleteKey(RegHandle key, const std::string& subKey) override;
    long enumKey(RegHandle key, std::uint32_t index, std::string& name) override;
    long closeKey(RegHandle key) override;

    // RegEnumValueA: the index-th value of the key (sorted as Wine keeps them), its name and
    // type, and its data as queryValue would return it. ERROR_NO_MORE_ITEMS past the last.
    long enumValue(RegHandle key, std::uint32_t index, std::string& name, std::uint32_t& type,
                   std::string& data);

    // Deletes the index-th value (in enumValue's order) by its own name, which the ANSI code
    // page may not be able to spell.
    long deleteValueAt(RegHandle key, std::uint32_t index);
    // Opens the index-th subkey (in enumKey's order) by its own name, as deleteValueAt.
    long openSubkeyAt(RegHandle key, std::uint32_t index, RegHandle& result);

    // Why the last failing call failed, in words for the user (empty after a success).
    std::string lastError() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace kestrel::wine

#pragma once
// The registry of the Windows Kestrel runs on, through the Win32 "A" registry functions.

#include "../Registry.h"

namespace kestrel::win32 {

class Win32Registry : public Registry {
public:
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
    long enumValue(RegHandle key, std::uint32_t index, std::string& name, std::uint32_t& type,
                   std::string& data) override;
    long closeKey(RegHandle key) override;
};

} // namespace kestrel::win32

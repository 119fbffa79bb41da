#pragma once
// The file, folder, profile-file and drive rules every Machine backend keeps, checked the same way
// on each (MachineFilesSuite.cpp uses nothing but platform/ headers and GoogleTest). Each test
// program that compiles the suite provides makeFilesSuiteSetup(): on Linux a prefix Kestrel made,
// on Windows (Wine's, in CI) the Win32 backend and the temporary folder.

#include "platform/Machine.h"

#include <filesystem>
#include <memory>
#include <string>

namespace kestrel::testing {

// A machine and an empty scratch folder on it for one test, removed afterwards.
class FilesSuiteSetup {
public:
    virtual ~FilesSuiteSetup() = default;
    virtual Machine& machine() = 0;
    // The scratch folder's DOS path, without a trailing backslash.
    virtual std::string folder() const = 0;
    // The scratch folder as a path of the computer the test runs on.
    virtual std::filesystem::path host() const = 0;
};

// The setup for one test; it throws when it cannot be made (the test then fails).
std::unique_ptr<FilesSuiteSetup> makeFilesSuiteSetup();

} // namespace kestrel::testing

#pragma once
// Page strings are Qt strings; the machine takes and gives bytes in its ANSI code page.

#include "platform/Codepage.h"
#include "platform/Machine.h"

#include <QString>
#include <string>

namespace kestrel {

inline std::string toAnsi(const QString& text) {
    return codepage::fromWide(text.toStdWString(), Machine::current().ansiCodePage());
}

inline QString fromAnsi(const std::string& bytes) {
    return QString::fromStdWString(codepage::toWide(bytes, Machine::current().ansiCodePage()));
}

} // namespace kestrel

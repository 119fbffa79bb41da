#pragma once
// Qt strings to and from the machine's ANSI code page, for the pages that call the registry or
// the file functions of the machine directly.

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

#pragma once
// The registry procedures with Qt strings, for the pages.

#include "platform/Reg.h"

#include <QString>
#include <QStringList>

namespace kestrel::Reg {

inline bool GetString(RootKey root, const QString& path, const QString& name, QString& text) {
    std::wstring value = text.toStdWString();
    const bool ok = GetString(root, path.toStdWString(), name.toStdWString(), value);
    text = QString::fromStdWString(value);
    return ok;
}
inline bool SaveDWord(RootKey root, const QString& path, const QString& name, qint32 data) {
    return SaveDWord(root, path.toStdWString(), name.toStdWString(), data);
}
inline bool SaveString(RootKey root, const QString& path, const QString& name,
                       const QString& data) {
    return SaveString(root, path.toStdWString(), name.toStdWString(), data.toStdWString());
}
inline bool SaveBinary(RootKey root, const QString& path, const QString& name,
                       const QString& data) {
    return SaveBinary(root, path.toStdWString(), name.toStdWString(), data.toStdWString());
}
inline bool DeleteValue(RootKey root, const QString& path, const QString& name) {
    return DeleteValue(root, path.toStdWString(), name.toStdWString());
}
inline bool EnumKeys(QStringList& names, RootKey root, const QString& path) {
    std::vector<std::wstring> keys;
    const bool ok = EnumKeys(keys, root, path.toStdWString());
    names.clear();
    for (const auto& key : keys)
        names << QString::fromStdWString(key);
    return ok;
}

} // namespace kestrel::Reg

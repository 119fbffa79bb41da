#include "mdlMain.h"

#include "platform/FieldReader.h"
#include "platform/Machine.h"

namespace kestrel::mdlMain {

std::string AddSlash(const std::string& path) {
    if (!path.empty() && path.back() == '\\')
        return path;
    return path + "\\";
}

std::string FolderOf(const std::string& filePath) {
    const auto slash = filePath.find_last_of('\\');
    if (slash == std::string::npos)
        return {};
    if (slash > 0 && filePath[slash - 1] == ':')
        return filePath.substr(0, slash + 1);
    return filePath.substr(0, slash);
}

void Main(Machine& machine, const std::string& ownFolder) {
    const std::string profileFile = AddSlash(ownFolder) + "kstSubst.ini";
    if (!machine.fileExists(profileFile))
        return;
    std::string text;
    if (!machine.readFile(profileFile, text))
        return;
    FieldReader profile(std::move(text));
    while (!profile.atEnd()) {
        const std::string entry = profile.next();
        // A damaged file can hold entries too short to name a drive.
        if (entry.size() < 2)
            continue;
        const std::string drive = entry.substr(0, 2);
        const std::string path = entry.substr(2);
        machine.winExec("subst " + drive + " \"" + path + "\"", SW_HIDE);
    }
}

} // namespace kestrel::mdlMain

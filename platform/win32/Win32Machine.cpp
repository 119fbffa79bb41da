#include "Win32Machine.h"

// Our own constants first; from here on the names below are the Windows macros of the same value.
#include <algorithm>
#include <cstdlib>
#include <lmcons.h>
#include <vector>
#include <windows.h>
// clang-format off
#include <shellapi.h> // after windows.h, which it needs
// clang-format on

namespace kestrel::win32 {

namespace {

// Text in one Windows code page to another, through UTF-16. Empty when a character has no
// place in the target code page (a path with such a character cannot be named there).
std::string convert(const std::string& text, UINT from, UINT to) {
    if (text.empty())
        return {};
    const int wideLength =
        MultiByteToWideChar(from, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (wideLength <= 0)
        return {};
    std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
    MultiByteToWideChar(from, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                        wideLength);
    // UTF-8 takes neither flags nor the default-character check.
    const bool toUtf8 = to == CP_UTF8;
    BOOL usedDefault = FALSE;
    const DWORD flags = toUtf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    const int length = WideCharToMultiByte(to, flags, wide.data(), wideLength, nullptr, 0, nullptr,
                                           toUtf8 ? nullptr : &usedDefault);
    if (length <= 0 || usedDefault)
        return {};
    std::string out(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(to, flags, wide.data(), wideLength, out.data(), length, nullptr, nullptr);
    return out;
}

std::string withoutTrailingBackslash(std::string path) {
    if (!path.empty() && path.back() == '\\')
        path.pop_back();
    return path;
}

// The folder part of a path ("C:\a" for "C:\a\b.txt", "." for a bare name).
std::string folderOf(const std::string& path) {
    const auto slash = path.find_last_of("\\/");
    if (slash == std::string::npos)
        return ".";
    if (slash == 0 || path[slash - 1] == ':')
        return path.substr(0, slash + 1);
    return path.substr(0, slash);
}

class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle() {
        if (valid())
            CloseHandle(handle_);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

bool writeAll(const std::string& path, const std::string& bytes) {
    FileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid())
        return false;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1 << 20));
        DWORD written = 0;
        if (!WriteFile(file.get(), bytes.data() + done, chunk, &written, nullptr) || written == 0)
            return false;
        done += written;
    }
    return FlushFileBuffers(file.get()) != 0;
}

} // namespace

std::string Win32Machine::description() const {
    char name[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD length = sizeof(name);
    if (!GetComputerNameA(name, &length))
        return "Windows";
    return "Windows on " + std::string(name, length);
}

unsigned Win32Machine::ansiCodePage() const {
    return GetACP();
}

Registry& Win32Machine::registry() {
    return registry_;
}

// --- Files -----------------------------------------------------------------------------------

std::uint32_t Win32Machine::getFileAttributes(const std::string& path) {
    return GetFileAttributesA(path.c_str());
}

bool Win32Machine::setFileAttributes(const std::string& path, std::uint32_t attributes) {
    return SetFileAttributesA(path.c_str(), attributes) != 0;
}

bool Win32Machine::fileExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool Win32Machine::copyFile(const std::string& from, const std::string& to, bool failIfExists) {
    return CopyFileA(from.c_str(), to.c_str(), failIfExists ? TRUE : FALSE) != 0;
}

bool Win32Machine::readFile(const std::string& path, std::string& bytes) {
    bytes.clear();
    FileHandle file(CreateFileA(path.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid())
        return false;
    char buffer[1 << 16];
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr)) {
            bytes.clear();
            return false;
        }
        if (read == 0)
            return true;
        bytes.append(buffer, read);
    }
}

bool Win32Machine::deleteFile(const std::string& path) {
    return DeleteFileA(path.c_str()) != 0;
}

bool Win32Machine::writeFile(const std::string& path, const std::string& bytes) {
    // Write a new file beside the old one, then swap it in: a failure at any point leaves the
    // old file as it was. A read-only file stays unwritten, as it would be written in place.
    const DWORD oldAttributes = GetFileAttributesA(path.c_str());
    if (oldAttributes != INVALID_FILE_ATTRIBUTES &&
        (oldAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    char temporary[MAX_PATH];
    if (!GetTempFileNameA(folderOf(path).c_str(), "kst", 0, temporary))
        return false;
    bool done = writeAll(temporary, bytes);
    if (done) {
        // ReplaceFileA keeps the old file's security and creation time on Windows; the hidden
        // and system flags are set again because not every implementation keeps them.
        if (oldAttributes != INVALID_FILE_ATTRIBUTES)
            done = ReplaceFileA(path.c_str(), temporary, nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                                nullptr, nullptr) != 0;
        else
            done = MoveFileExA(temporary, path.c_str(),
                               MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    }
    if (!done) {
        DeleteFileA(temporary);
        return false;
    }
    if (oldAttributes != INVALID_FILE_ATTRIBUTES)
        SetFileAttributesA(path.c_str(), oldAttributes);
    return true;
}

bool Win32Machine::listFolders(const std::string& folder, std::vector<std::string>& names) {
    names.clear();
    std::string pattern = folder;
    if (!pattern.empty() && pattern.back() != '\\' && pattern.back() != '/')
        pattern += '\\';
    pattern += '*';
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        // An empty drive root has not even "." to find.
        const DWORD attributes = GetFileAttributesA(folder.c_str());
        return GetLastError() == ERROR_FILE_NOT_FOUND && attributes != INVALID_FILE_ATTRIBUTES &&
               (attributes & FILE_ATTRIBUTE_DIRECTORY);
    }
    do {
        const std::string name = found.cFileName;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != "." && name != "..")
            names.push_back(name);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return true;
}

std::string Win32Machine::dosPathFromHost(const std::string& hostPath) {
    // The computer Kestrel runs on is the machine: the same path, in the ANSI code page and with
    // Windows separators (Qt's dialogs hand out "C:/Games").
    std::string path = convert(hostPath, CP_UTF8, CP_ACP);
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

std::string Win32Machine::hostPathFromDos(const std::string& dosPath) {
    return convert(dosPath, CP_ACP, CP_UTF8);
}

// --- Icons in files -----------------------------------------------------------------------------

namespace {

void append16(std::string& b, std::uint32_t v) {
    b += static_cast<char>(v & 0xFF);
    b += static_cast<char>((v >> 8) & 0xFF);
}
void append32(std::string& b, std::uint32_t v) {
    append16(b, v & 0xFFFF);
    append16(b, v >> 16);
}

// The rows of a bitmap, bottom-up, at the given depth (32 for colour, 1 for the mask).
bool bitmapRows(HBITMAP bitmap, int width, int height, int bits, std::string& rows) {
    BITMAPINFO* info = static_cast<BITMAPINFO*>(calloc(1, sizeof(BITMAPINFOHEADER) + 2 * 4));
    if (!info)
        return false;
    info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info->bmiHeader.biWidth = width;
    info->bmiHeader.biHeight = height;
    info->bmiHeader.biPlanes = 1;
    info->bmiHeader.biBitCount = static_cast<WORD>(bits);
    info->bmiHeader.biCompression = BI_RGB;
    const int stride = ((width * bits + 31) / 32) * 4;
    rows.assign(static_cast<std::size_t>(stride) * height, '\0');
    HDC dc = GetDC(nullptr);
    const int got =
        GetDIBits(dc, bitmap, 0, static_cast<UINT>(height), rows.data(), info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
    free(info);
    return got == height;
}

// An icon handle as a one-image .ico file of 32 bits per pixel with its AND mask. Icons without
// an alpha channel take their transparency from the mask.
bool icoFromHandle(HICON icon, std::string& ico) {
    ICONINFO parts{};
    if (!GetIconInfo(icon, &parts))
        return false;
    BITMAP mask{};
    GetObjectA(parts.hbmMask, sizeof mask, &mask);
    const int width = mask.bmWidth;
    // Without a colour bitmap the mask holds the AND and the XOR halves one above the other.
    const int height = parts.hbmColor ? mask.bmHeight : mask.bmHeight / 2;
    std::string colour, andMask;
    bool ok = width > 0 && height > 0 && width <= 256 && height <= 256 &&
              bitmapRows(parts.hbmMask, width, parts.hbmColor ? height : height * 2, 1, andMask);
    if (ok && parts.hbmColor) {
        ok = bitmapRows(parts.hbmColor, width, height, 32, colour);
    } else if (ok) {
        // A monochrome icon: the lower half of the mask is AND, the upper half XOR.
        const int stride = ((width + 31) / 32) * 4;
        colour.assign(static_cast<std::size_t>(width) * height * 4, '\0');
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const unsigned char byte = static_cast<unsigned char>(
                    andMask[static_cast<std::size_t>((y + height) * stride + x / 8)]);
                const char value = (byte >> (7 - x % 8)) & 1 ? '\xff' : '\0';
                for (int c = 0; c < 3; ++c)
                    colour[static_cast<std::size_t>((y * width + x) * 4 + c)] = value;
            }
        andMask.resize(static_cast<std::size_t>(stride) * height);
    }
    if (parts.hbmColor)
        DeleteObject(parts.hbmColor);
    DeleteObject(parts.hbmMask);
    if (!ok)
        return false;

    bool hasAlpha = false;
    for (std::size_t i = 3; i < colour.size(); i += 4)
        hasAlpha = hasAlpha || colour[i] != 0;
    if (!hasAlpha) {
        const int stride = ((width + 31) / 32) * 4;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const unsigned char byte = static_cast<unsigned char>(
                    andMask[static_cast<std::size_t>(y * stride + x / 8)]);
                const bool transparent = (byte >> (7 - x % 8)) & 1;
                colour[static_cast<std::size_t>((y * width + x) * 4 + 3)] =
                    transparent ? '\0' : '\xff';
            }
    }

    std::string image;
    append32(image, 40);
    append32(image, static_cast<std::uint32_t>(width));
    append32(image, static_cast<std::uint32_t>(height * 2));
    append16(image, 1);
    append16(image, 32);
    append32(image, BI_RGB);
    append32(image, static_cast<std::uint32_t>(colour.size() + andMask.size()));
    append32(image, 0);
    append32(image, 0);
    append32(image, 0);
    append32(image, 0);
    image += colour;
    image += andMask;

    ico.clear();
    append16(ico, 0);
    append16(ico, 1);
    append16(ico, 1);
    ico += static_cast<char>(width == 256 ? 0 : width);
    ico += static_cast<char>(height == 256 ? 0 : height);
    ico += '\0';
    ico += '\0';
    append16(ico, 1);
    append16(ico, 32);
    append32(ico, static_cast<std::uint32_t>(image.size()));
    append32(ico, 22);
    ico += image;
    return true;
}

} // namespace

std::uint32_t Win32Machine::iconCount(const std::string& file) {
    // A file that cannot be opened gives 0 on Windows, but (UINT)-1 on Wine.
    const UINT count = ExtractIconExA(file.c_str(), -1, nullptr, nullptr, 0);
    return count == static_cast<UINT>(-1) ? 0 : count;
}

bool Win32Machine::extractIcon(const std::string& file, std::uint32_t index,
                               std::string& icoBytes) {
    if (index >= iconCount(file))
        return false;
    HICON large = nullptr;
    HICON small = nullptr;
    if (ExtractIconExA(file.c_str(), static_cast<int>(index), &large, &small, 1) == 0)
        return false;
    const bool ok = large && icoFromHandle(large, icoBytes);
    if (large)
        DestroyIcon(large);
    if (small)
        DestroyIcon(small);
    return ok;
}

// --- Private-profile (INI) files ---------------------------------------------------------------

std::uint32_t Win32Machine::getPrivateProfileString(const std::string& section,
                                                    const std::string& key,
                                                    const std::string& defaultValue,
                                                    std::string& result, std::uint32_t size,
                                                    const std::string& file) {
    result.clear();
    if (size == 0)
        return 0;
    std::vector<char> buffer(size);
    const DWORD copied = GetPrivateProfileStringA(
        section.c_str(), key.c_str(), defaultValue.c_str(), buffer.data(), size, file.c_str());
    result.assign(buffer.data(), copied);
    return copied;
}

bool Win32Machine::writePrivateProfileString(const std::string& section, const std::string& key,
                                             const std::string& value, const std::string& file) {
    return WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), file.c_str()) !=
           0;
}

// --- Drives and folders ------------------------------------------------------------------------

std::uint32_t Win32Machine::getDriveType(const std::string& root) {
    return GetDriveTypeA(root.c_str());
}

std::string Win32Machine::logicalDrives() {
    const DWORD mask = GetLogicalDrives();
    std::string letters;
    for (int i = 0; i < 26; ++i)
        if (mask & (1u << i))
            letters.push_back(static_cast<char>('A' + i));
    return letters;
}

std::string Win32Machine::windowsDirectory() {
    char buffer[MAX_PATH];
    const UINT length = GetWindowsDirectoryA(buffer, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return {};
    return withoutTrailingBackslash(std::string(buffer, length));
}

std::string Win32Machine::systemDirectory() {
    char buffer[MAX_PATH];
    const UINT length = GetSystemDirectoryA(buffer, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return {};
    return withoutTrailingBackslash(std::string(buffer, length));
}

// --- Commands ------------------------------------------------------------------------------------

bool Win32Machine::winExec(const std::string& commandLine, int showCommand) {
    // Values above 31 mean the program was started; smaller ones are error codes.
    return WinExec(commandLine.c_str(), static_cast<UINT>(showCommand)) > 31;
}

// --- System facts
// ----------------------------------------------------------------------------------

std::uint32_t Win32Machine::platformId() {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof(info); // 148
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#elif defined(_MSC_VER)
#pragma warning(push)
#pragma warning(disable : 4996)
#endif
    const BOOL ok = GetVersionExA(&info);
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#elif defined(_MSC_VER)
#pragma warning(pop)
#endif
    return ok ? info.dwPlatformId : 0;
}

std::string Win32Machine::computerName() {
    char name[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD length = sizeof(name);
    if (!GetComputerNameA(name, &length))
        return {};
    return std::string(name, length);
}

std::string Win32Machine::userName() {
    char name[UNLEN + 1];
    DWORD length = sizeof(name);
    if (!GetUserNameA(name, &length))
        return {};
    // The length returned counts the terminating zero.
    return std::string(name);
}

std::uint32_t Win32Machine::tickCount() {
    return GetTickCount();
}

DisplayMode Win32Machine::displayMode() {
    DEVMODEA mode{};
    mode.dmSize = sizeof(mode);
    if (!EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode))
        return {};
    return {mode.dmPelsWidth, mode.dmPelsHeight, mode.dmBitsPerPel};
}

std::string Win32Machine::ownExecutable() {
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        const DWORD length =
            GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return {};
        if (length < buffer.size())
            return std::string(buffer.data(), length);
        if (buffer.size() >= 32768)
            return {};
        buffer.resize(buffer.size() * 2);
    }
}

} // namespace kestrel::win32

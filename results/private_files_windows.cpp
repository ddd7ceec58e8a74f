// Health-data files on Windows. The user's own data folder (%APPDATA%) is
// readable by its owner only already, and a chosen folder keeps the rights
// its owner gave it; every write is flushed to the disk
// with FlushFileBuffers, and a replacement is one MoveFileEx.

#include "results/private_files.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <algorithm>
#include <string>

namespace private_files {
namespace {

std::string reasonOf(DWORD error)
{
    switch (error) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return "le disque est plein";
    case ERROR_ACCESS_DENIED: return "l'accès est refusé";
    case ERROR_WRITE_PROTECT: return "le disque est protégé en écriture";
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return "un fichier porte déjà ce nom";
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return "le fichier est ouvert dans un autre programme";
    case ERROR_PATH_NOT_FOUND:
    case ERROR_FILE_NOT_FOUND: return "le dossier n'existe pas";
    case ERROR_NOT_READY: return "le disque n'est pas prêt";
    // No system number inside a French sentence: what the user can act on
    // is said above; anything else is a refusal of the system.
    default: return "le système a refusé l'écriture";
    }
}

class Handle {
public:
    explicit Handle(HANDLE h) : h_(h) {}
    ~Handle()
    {
        if (valid())
            CloseHandle(h_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    bool valid() const { return h_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return h_; }

private:
    HANDLE h_;
};

// Why the program will not write where the path leads, or empty text for a
// regular file or a new name: a folder, or a device such as NUL or COM1.
std::string notAFile(const std::filesystem::path& file)
{
    const DWORD attributes = GetFileAttributesW(file.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return "c'est un dossier, pas un fichier";
    const HANDLE h = CreateFileW(file.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return {};
    const DWORD type = GetFileType(h);
    CloseHandle(h);
    if (type == FILE_TYPE_CHAR)
        return "c'est un périphérique, pas un fichier";
    if (type == FILE_TYPE_PIPE)
        return "c'est un tube nommé, pas un fichier";
    return {};
}

bool heldByAnother(DWORD error) { return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION; }

bool writeAll(HANDLE file, std::string_view bytes)
{
    while (!bytes.empty()) {
        DWORD written = 0;
        const auto chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
        if (!WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0)
            return false;
        bytes.remove_prefix(written);
    }
    return true;
}

} // namespace

std::string makeFolder(const std::filesystem::path& folder)
{
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error || !std::filesystem::is_directory(folder, error))
        return error ? reasonOf(static_cast<DWORD>(error.value())) : reasonOf(ERROR_FILE_EXISTS);
    return {};
}

Appended appendLine(const std::filesystem::path& file, std::string_view line, std::string_view header,
                    std::string_view lineEnd, Place)
{
    if (std::string refused = notAFile(file); !refused.empty())
        return {refused};
    // Opened without sharing the writing, the file is the program's alone
    // while it adds the line: another copy of the program waits its turn. A
    // file still refused after a while is held open by another program (a
    // spreadsheet locks the file it shows).
    HANDLE opened = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 20; ++attempt) {
        opened = CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
        if (opened != INVALID_HANDLE_VALUE || !heldByAnother(GetLastError()))
            break;
        Sleep(50);
    }
    const Handle h(opened);
    if (!h.valid()) {
        const DWORD error = GetLastError();
        return {reasonOf(error), heldByAnother(error)};
    }
    LARGE_INTEGER before{};
    if (!GetFileSizeEx(h.get(), &before))
        return {reasonOf(GetLastError())};

    std::string bytes;
    if (before.QuadPart == 0) {
        bytes = header;
    } else {
        LARGE_INTEGER last{};
        last.QuadPart = before.QuadPart - static_cast<LONGLONG>(lineEnd.size());
        std::string ending(lineEnd.size(), '\0');
        DWORD got = 0;
        if (last.QuadPart < 0 || !SetFilePointerEx(h.get(), last, nullptr, FILE_BEGIN) ||
            !ReadFile(h.get(), ending.data(), static_cast<DWORD>(ending.size()), &got, nullptr) ||
            got != ending.size() || ending != lineEnd)
            bytes = lineEnd;
    }
    bytes += line;

    if (!SetFilePointerEx(h.get(), before, nullptr, FILE_BEGIN) || !writeAll(h.get(), bytes) ||
        !FlushFileBuffers(h.get())) {
        const DWORD error = GetLastError();
        // What was written of the line goes again, so that the file ends as
        // it did.
        if (SetFilePointerEx(h.get(), before, nullptr, FILE_BEGIN) && SetEndOfFile(h.get()))
            FlushFileBuffers(h.get());
        return {reasonOf(error)};
    }
    return {};
}

std::string replace(const std::filesystem::path& link, std::string_view content)
{
    const std::filesystem::path file = targetOf(link);
    if (std::string refused = notAFile(file); !refused.empty())
        return refused;
    std::filesystem::path temporary = file;
    temporary += L".tmp";
    {
        const Handle h(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!h.valid())
            return reasonOf(GetLastError());
        if (!writeAll(h.get(), content) || !FlushFileBuffers(h.get())) {
            const DWORD error = GetLastError();
            DeleteFileW(temporary.c_str());
            return reasonOf(error);
        }
    }
    if (!MoveFileExW(temporary.c_str(), file.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD error = GetLastError();
        DeleteFileW(temporary.c_str());
        return reasonOf(error);
    }
    return {};
}

std::optional<std::string> readBytes(const std::filesystem::path& file, std::size_t most, std::uint64_t from)
{
    const Handle h(CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h.valid() || GetFileType(h.get()) != FILE_TYPE_DISK)
        return std::nullopt;
    LARGE_INTEGER start{};
    start.QuadPart = static_cast<LONGLONG>(from);
    if (!SetFilePointerEx(h.get(), start, nullptr, FILE_BEGIN))
        return std::nullopt;
    std::string content;
    char buffer[65536];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(h.get(), buffer, sizeof buffer, &got, nullptr))
            return std::nullopt;
        if (got == 0)
            return content;
        content.append(buffer, got);
        if (content.size() >= most)
            return content.substr(0, most);
    }
}

// Opened for writing without sharing the writing, the file is claimed: a
// second claim is refused while it is open, and the system closes it when
// the process ends. Deleting is shared, so that the claim can remove it.
Claim::Claim(const std::filesystem::path& file) : file_(file)
{
    const HANDLE h = CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE)
        handle_ = reinterpret_cast<std::intptr_t>(h);
}

Claim::~Claim()
{
    if (held())
        CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

std::optional<std::string> Claim::content() const
{
    return held() ? private_files::readBytes(file_) : std::nullopt;
}

bool Claim::remove()
{
    return held() && DeleteFileW(file_.c_str());
}

} // namespace private_files

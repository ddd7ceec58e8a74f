// tavrel-patient.exe: makes the patient's own picture sets of the image disc
// from photographs. With arguments it works from the command line, as the
// Linux tool does; without, it opens its window.

#include "codecs/wic_picture_codec.h"
#include "patient/command.h"
#include "patient/win32/patient_window.h"
#include "ui/win32/boxes.h"
#include "ui/win32/wide_text.h"

#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

namespace {

// Text written to a standard handle as it comes: to a console as UTF-16,
// into a file or a pipe as UTF-8.
class HandleOutput final : public std::streambuf {
public:
    explicit HandleOutput(HANDLE handle) : handle_(handle) {}

protected:
    int_type overflow(int_type c) override
    {
        if (c != traits_type::eof())
            pending_ += static_cast<char>(c);
        if (c == '\n')
            sync();
        return traits_type::not_eof(c);
    }
    std::streamsize xsputn(const char* text, std::streamsize count) override
    {
        pending_.append(text, static_cast<std::size_t>(count));
        return count;
    }
    int sync() override
    {
        DWORD mode = 0;
        if (GetConsoleMode(handle_, &mode)) {
            const std::wstring wide = widen(pending_);
            DWORD written = 0;
            WriteConsoleW(handle_, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        } else {
            DWORD written = 0;
            WriteFile(handle_, pending_.data(), static_cast<DWORD>(pending_.size()), &written, nullptr);
        }
        pending_.clear();
        return 0;
    }

private:
    HANDLE handle_;
    std::string pending_;
};

bool usable(HANDLE handle)
{
    return handle && handle != INVALID_HANDLE_VALUE && GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

// A program with a window has no console of its own. Its output goes where
// its standard handles lead (a pipe, a file), else to the console of the
// command prompt that started it; started with arguments from nowhere (a
// shortcut), what it says is shown in a box.
int runFromCommandLine(const std::vector<std::string>& words)
{
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    if (!usable(out) && !usable(err) && AttachConsole(ATTACH_PARENT_PROCESS)) {
        out = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        err = out;
    }
    codecs::WicPictureCodec codec;
    if (usable(out) || usable(err)) {
        HandleOutput outBuffer(usable(out) ? out : err);
        HandleOutput errBuffer(usable(err) ? err : out);
        std::ostream outStream(&outBuffer);
        std::ostream errStream(&errBuffer);
        const int status = patient::runCommandLine(words, outStream, errStream, codec, {});
        outStream.flush();
        errStream.flush();
        return status;
    }
    std::ostringstream said;
    const int status = patient::runCommandLine(words, said, said, codec, {});
    showMessageBox(nullptr, said.str());
    return status;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    std::vector<std::string> words = commandLineWords();
    // The arguments alone, without the program's own name.
    if (!words.empty())
        words.erase(words.begin());
    if (!words.empty()) {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        return runFromCommandLine(words);
    }
    // The window's thread is a single-threaded apartment, as the common
    // controls and the file dialogs expect.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    const INITCOMMONCONTROLSEX controls{sizeof controls,
                                        ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    return runPatientWindow();
}

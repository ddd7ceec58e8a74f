#include "ui/win32/boxes.h"

#include "ui/win32/wide_text.h"

#include "model/message_text.h"

#include <cstdint>
#include <vector>

namespace {

// The controls of the question box.
enum : WORD { promptId = 100, answerId = 101 };

// Atoms of the system's control classes in a dialog template.
enum : WORD { buttonClass = 0x0080, editClass = 0x0081, staticClass = 0x0082 };

// A dialog template built in memory: the box, then its controls, each
// starting on a four-byte boundary as the dialog manager reads them.
class DialogTemplate {
public:
    DialogTemplate(DWORD style, short width, short height, std::wstring_view title, WORD points,
                   std::wstring_view font)
    {
        add<DWORD>(style);
        add<DWORD>(0); // extended style
        countAt_ = bytes_.size();
        add<WORD>(0);
        add<short>(0); // left
        add<short>(0); // top
        add<short>(width);
        add<short>(height);
        add<WORD>(0); // no menu
        add<WORD>(0); // the dialog class
        addText(title);
        add<WORD>(points);
        addText(font);
    }

    void control(WORD classAtom, DWORD style, short left, short top, short width, short height, WORD id,
                 std::wstring_view text)
    {
        while (bytes_.size() % 4)
            bytes_.push_back(0);
        add<DWORD>(style | WS_CHILD | WS_VISIBLE);
        add<DWORD>(0);
        add<short>(left);
        add<short>(top);
        add<short>(width);
        add<short>(height);
        add<WORD>(id);
        add<WORD>(0xFFFF);
        add<WORD>(classAtom);
        addText(text);
        add<WORD>(0); // no creation data
        ++reinterpret_cast<WORD&>(bytes_[countAt_]);
    }

    const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(bytes_.data()); }

private:
    template <typename T>
    void add(T value)
    {
        const auto* b = reinterpret_cast<const std::uint8_t*>(&value);
        bytes_.insert(bytes_.end(), b, b + sizeof value);
    }
    void addText(std::wstring_view text)
    {
        for (const wchar_t c : text)
            add<WORD>(static_cast<WORD>(c));
        add<WORD>(0);
    }

    // Allocated on a boundary wider than the four bytes the template needs.
    std::vector<std::uint8_t> bytes_;
    std::size_t countAt_ = 0;
};

struct Question {
    std::wstring prompt;
    std::wstring answer;
};

INT_PTR CALLBACK questionProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        auto* question = reinterpret_cast<Question*>(lParam);
        SetWindowLongPtrW(box, DWLP_USER, lParam);
        SetDlgItemTextW(box, promptId, question->prompt.c_str());
        return TRUE; // the focus goes to the text field, the first tab stop
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            auto* question = reinterpret_cast<Question*>(GetWindowLongPtrW(box, DWLP_USER));
            const HWND field = GetDlgItem(box, answerId);
            std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(field)) + 1, L'\0');
            text.resize(static_cast<std::size_t>(GetWindowTextW(field, text.data(), static_cast<int>(text.size()))));
            question->answer = std::move(text);
            EndDialog(box, IDOK);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(box, IDCANCEL);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

} // namespace

void showMessageBox(HWND owner, const std::string& text)
{
    // The box grows with its longest line, and breaks lines only at blanks: a
    // long path is broken first, so that the box never grows wider than the
    // screen.
    MessageBoxW(owner, widen(breakLongRuns(text)).c_str(), boxTitle, MB_OK);
}

std::string askTextBox(HWND owner, const std::string& prompt)
{
    // In dialog units: the prompt above, wrapped in its box; the text field
    // under it; OK and Annuler at the bottom right.
    DialogTemplate box(DS_SHELLFONT | DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU, 260, 96,
                       boxTitle, 8, L"MS Shell Dlg");
    box.control(staticClass, SS_LEFT | SS_NOPREFIX, 7, 7, 246, 42, promptId, L"");
    box.control(editClass, WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 7, 54, 246, 14, answerId, L"");
    box.control(buttonClass, BS_DEFPUSHBUTTON | WS_TABSTOP, 149, 75, 50, 14, IDOK, L"OK");
    box.control(buttonClass, BS_PUSHBUTTON | WS_TABSTOP, 203, 75, 50, 14, IDCANCEL, L"Annuler");
    Question question{widen(prompt), {}};
    const INT_PTR result = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), box.get(), owner, questionProc,
                                                   reinterpret_cast<LPARAM>(&question));
    return result == IDOK ? narrow(question.answer) : std::string();
}

#include "ui/win32/win32_services.h"

#include "model/window_layout.h"
#include "ui/win32/boxes.h"
#include "ui/win32/main_window.h"
#include "codecs/wic_picture.h"
#include "ui/win32/wide_text.h"

Win32Services::Win32Services(MainWindow& window)
    : DesktopServices(decodeWicPicture, [&window] { window.postPictureReady(); }), window_(window)
{
}

void Win32Services::checkRunning()
{
    if (window_.hasEnded())
        throw ProgramEnded{};
}

MainWindow& Win32Services::window()
{
    checkRunning();
    return window_;
}

void Win32Services::setBackground(std::shared_ptr<const DecodedPicture> picture, const std::string& path)
{
    window().setBackgroundPicture(std::dynamic_pointer_cast<const WicPicture>(std::move(picture)), path);
}

PictureArea Win32Services::pictureArea()
{
    RECT client{};
    GetClientRect(window().hwnd(), &client);
    return {client.right, client.bottom, static_cast<int>(window().dpi())};
}

void Win32Services::showMessage(const std::string& text)
{
    showMessageBox(window().hwnd(), text);
    checkRunning();
}

std::string Win32Services::askText(const std::string& prompt)
{
    std::string answer = askTextBox(window().hwnd(), prompt);
    checkRunning();
    return answer;
}

void Win32Services::setCaption(Control button, const std::string& caption)
{
    if (const HWND control = window().control(button))
        SetWindowTextW(control, widen(caption).c_str());
}

void Win32Services::setVisible(Control control, bool visible)
{
    if (const HWND c = window().control(control))
        ShowWindow(c, visible ? SW_SHOWNA : SW_HIDE);
}

void Win32Services::setText(Control textBox, const std::string& text)
{
    const ControlLayout* row = layoutOf(textBox);
    if (row && row->kind == ControlKind::textBox)
        SetWindowTextW(window().control(textBox), widen(text).c_str());
}

int Win32Services::isChecked(Control checkBox)
{
    return window().isChecked(checkBox, ControlKind::checkBox) ? 1 : 0;
}

void Win32Services::setChecked(Control checkBox, int value)
{
    window().setChecked(checkBox, value != 0);
}

bool Win32Services::isSelected(Control optionButton)
{
    return window().isChecked(optionButton, ControlKind::optionButton);
}

void Win32Services::setTimerInterval(std::int32_t milliseconds)
{
    // As with the platform's timers, an interval of 0 stops the ticks.
    if (milliseconds > 0)
        window().timer1().start(std::chrono::milliseconds(milliseconds));
    else
        window().timer1().stop();
}

// Closes the window, which ends the program, and stops the handler that
// asked for it.
void Win32Services::endProgram()
{
    window().endProgram();
    throw ProgramEnded{};
}

void Win32Services::pause(double seconds)
{
    window().feedbackWait(seconds);
    checkRunning();
}

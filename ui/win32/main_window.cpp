#include "ui/win32/main_window.h"

#include "ui/win32/dpi.h"
#include "ui/win32/owned_window.h"
#include "ui/win32/results_window.h"
#include "codecs/wic_picture.h"
#include "ui/win32/wide_text.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

using C = Control;

constexpr wchar_t windowClass[] = L"TavrelForm1";
constexpr DWORD windowStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;

// Messages the window posts to itself.
enum : UINT {
    tickMessage = WM_APP + 1,    // a tick that waited for a handler to end
    idleMessage = WM_APP + 2,    // the handlers have ended
    pictureMessage = WM_APP + 3, // a picture read for display is ready
    folderMessage = WM_APP + 4,  // the results folder has been written or read
};
constexpr UINT_PTR timerId = 1;
constexpr UINT_PTR wakeUpId = 2;
// Control ids start above those the dialog keys use (IDOK, IDCANCEL).
constexpr int firstControlId = 100;

// The feedback waits last a quarter of a minute at most; a request for more
// is cut short, and the caller, which measures its wait on the clock, asks
// again.
constexpr double longestPause = 60;

HFONT makeFont(ControlFont font, UINT dpi)
{
    const int height = -static_cast<int>(std::lround(font.points * dpi / 72));
    return CreateFontW(height, 0, 0, 0, font.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS,
                       L"MS Sans Serif");
}

bool isPace(Control c)
{
    const ControlLayout* row = layoutOf(c);
    return row && row->kind == ControlKind::optionButton;
}

bool keyDown(int key) { return GetKeyState(key) < 0; }
bool noModifiers() { return !keyDown(VK_SHIFT) && !keyDown(VK_CONTROL) && !keyDown(VK_MENU); }

bool isArrow(const MSG& m)
{
    return (m.message == WM_KEYDOWN || m.message == WM_KEYUP) && (m.wParam == VK_LEFT || m.wParam == VK_RIGHT);
}
// A key held down repeats its WM_KEYDOWN with the key's previous state, bit
// 30, set.
bool isRepeat(const MSG& m) { return (m.lParam & (LPARAM{1} << 30)) != 0; }
bool isClick(UINT message)
{
    return message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK || message == WM_RBUTTONDOWN ||
           message == WM_MBUTTONDOWN;
}

} // namespace

MainWindow::MainWindow(ResultsFolder* results, PaceTimer::Kind timerKind)
    : services_(*this), form_(state_, services_, services_.randomSequence(), *this, results)
{
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW c{};
    c.cbSize = sizeof c;
    c.lpfnWndProc = ownedWindowProc<MainWindow>;
    c.hInstance = instance;
    c.hIcon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                                            GetSystemMetrics(SM_CYICON), 0));
    c.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON,
                                              GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    c.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // IDC_ARROW
    // The system's window colour (system colour 5) behind the picture.
    c.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    c.lpszClassName = windowClass;
    RegisterClassExW(&c); // fails harmlessly when a window made it already

    CreateWindowExW(0, windowClass, widen(windowCaption).c_str(), windowStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                    CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, this);
    timer1_ = std::make_unique<PaceTimer>(hwnd_, timerId, timerKind);
    wakeUp_ = std::make_unique<PaceTimer>(hwnd_, wakeUpId, timerKind);
    buildControls();
    layOut(dpiOf(hwnd_));
    timer1_->start(std::chrono::milliseconds(1000));
    if (results)
        results->onChange([hwnd = hwnd_] { PostMessageW(hwnd, folderMessage, 0, 0); });
}

MainWindow::~MainWindow()
{
    if (form_.results())
        form_.results()->onChange({});
    results_.reset();
    timer1_.reset();
    wakeUp_.reset();
    if (hwnd_)
        DestroyWindow(hwnd_);
    for (const auto& [key, font] : fonts_)
        DeleteObject(font);
}

void MainWindow::buildControls()
{
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    for (const ControlLayout& row : controlLayouts()) {
        const wchar_t* kind = L"BUTTON";
        DWORD style = WS_CHILD | WS_CLIPSIBLINGS | (row.start == StartState::hidden ? 0 : WS_VISIBLE);
        DWORD extended = 0;
        switch (row.kind) {
        case ControlKind::checkBox:
            // Checked by the window itself on a click, so that every change,
            // the user's or the program's, runs the box's handler once.
            style |= BS_CHECKBOX | BS_MULTILINE | WS_TABSTOP;
            break;
        case ControlKind::optionButton:
            style |= BS_AUTORADIOBUTTON | BS_MULTILINE | WS_TABSTOP;
            break;
        case ControlKind::commandButton:
            style |= BS_PUSHBUTTON | BS_MULTILINE | WS_TABSTOP;
            break;
        case ControlKind::label:
            kind = L"STATIC";
            style |= row.centred ? SS_CENTER : SS_LEFT; // both wrap at word boundaries
            break;
        case ControlKind::textBox:
            kind = L"EDIT";
            style |= ES_AUTOHSCROLL | WS_TABSTOP;
            extended = WS_EX_CLIENTEDGE;
            break;
        }
        const HWND control = CreateWindowExW(extended, kind, widen(row.caption).c_str(), style, 0, 0, 0, 0, hwnd_,
                                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(
                                                 firstControlId + static_cast<int>(row.control))),
                                             instance, nullptr);
        if (row.start == StartState::on)
            SendMessageW(control, BM_SETCHECK, BST_CHECKED, 0); // no handler runs for the state at start
        // A later control of the table lies in front of an earlier one.
        SetWindowPos(control, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        controls_[static_cast<std::size_t>(row.control)] = control;
    }

    // The pace buttons form one group, in the order the controls are
    // stacked: the dialog keys move among them with the arrows, and each
    // selected one deselects the others.
    HWND previous = nullptr;
    for (HWND child = GetWindow(hwnd_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const bool startsGroup = !previous || isPace(*controlOf(previous)) != isPace(*controlOf(child));
        const LONG_PTR style = GetWindowLongPtrW(child, GWL_STYLE);
        SetWindowLongPtrW(child, GWL_STYLE, startsGroup ? style | WS_GROUP : style & ~static_cast<LONG_PTR>(WS_GROUP));
        previous = child;
    }

    // The tab order is the table's, not the stacking order the dialog
    // manager would follow: Tab is handled by the window (moveFocus).
    for (const ControlLayout& row : controlLayouts()) {
        if (row.kind != ControlKind::label)
            tabOrder_.push_back(row.control);
    }
    std::ranges::sort(tabOrder_, {}, [](Control c) { return layoutOf(c)->tab; });
}

// Places every control and sets its font for the screen's dots per inch:
// 1440 twips make an inch.
void MainWindow::layOut(UINT dpi)
{
    dpi_ = dpi;
    std::map<std::pair<double, bool>, HFONT> fonts;
    for (const ControlLayout& row : controlLayouts()) {
        const auto px = [dpi](int twips) { return twipsToPixels(twips, static_cast<int>(dpi)); };
        const HWND c = control(row.control);
        SetWindowPos(c, nullptr, px(row.left), px(row.top), px(row.width), px(row.height),
                     SWP_NOZORDER | SWP_NOACTIVATE);
        HFONT& font = fonts[{row.font.points, row.font.bold}];
        if (!font)
            font = makeFont(row.font, dpi);
        SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
    std::swap(fonts, fonts_);
    for (const auto& [key, font] : fonts)
        DeleteObject(font);
    // The client area at its size in twips. The frame's size for the dots
    // per inch is a first guess; what is still missing is added once.
    const int width = twipsToPixels(clientWidthTwips, static_cast<int>(dpi));
    const int height = twipsToPixels(clientHeightTwips, static_cast<int>(dpi));
    SIZE outer = windowSizeFor(width, height, windowStyle, dpi);
    SetWindowPos(hwnd_, nullptr, 0, 0, outer.cx, outer.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT client{};
    GetClientRect(hwnd_, &client);
    if (client.right != width || client.bottom != height) {
        outer.cx += width - client.right;
        outer.cy += height - client.bottom;
        SetWindowPos(hwnd_, nullptr, 0, 0, outer.cx, outer.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

HWND MainWindow::control(Control c) const
{
    return controls_.at(static_cast<std::size_t>(c));
}

std::optional<Control> MainWindow::controlOf(HWND child) const
{
    const auto found = std::ranges::find(controls_, child);
    if (!child || found == controls_.end())
        return std::nullopt;
    return static_cast<Control>(found - controls_.begin());
}

HWND MainWindow::resultsWindow() const
{
    return results_ ? results_->hwnd() : nullptr;
}

bool MainWindow::isChecked(Control c, ControlKind kind) const
{
    const ControlLayout* row = layoutOf(c);
    return row && row->kind == kind && SendMessageW(control(c), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void MainWindow::setChecked(Control checkBox, bool on)
{
    const ControlLayout* row = layoutOf(checkBox);
    if (!row || row->kind != ControlKind::checkBox || isChecked(checkBox, ControlKind::checkBox) == on)
        return;
    SendMessageW(control(checkBox), BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
    form_.clicked(checkBox);
}

void MainWindow::load(const std::optional<std::string>& discFolder)
{
    form_.load(discFolder);
    services_.windowShown();
}

void MainWindow::show()
{
    ShowWindow(hwnd_, SW_SHOWNORMAL);
    UpdateWindow(hwnd_);
    SetForegroundWindow(hwnd_);
    focused_ = control(C::cmdOnOff);
    SetFocus(focused_);
}

int MainWindow::run()
{
    while (runOnce(INFINITE)) {
    }
    return exitStatus_.value_or(0);
}

bool MainWindow::runOnce(DWORD waitMilliseconds)
{
    const HANDLE timer = timer1_->handle();
    const DWORD count = timer ? 1 : 0;
    if (exitStatus_)
        return false;
    const DWORD woken = MsgWaitForMultipleObjectsEx(count, &timer, waitMilliseconds, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    const bool ticked = count == 1 && woken == WAIT_OBJECT_0 && timer1_->signalled();
    // What came before the tick is handled before it: a key pressed just
    // before a picture change answers the picture it was pressed on.
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            exitStatus_ = static_cast<int>(message.wParam);
            return false;
        }
        dispatch(message);
    }
    if (ticked)
        timer1Tick();
    return true;
}

void MainWindow::dispatch(MSG& message)
{
    if (!preTranslate(message)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

bool MainWindow::isOurs(HWND hwnd) const
{
    return hwnd && (hwnd == hwnd_ || IsChild(hwnd_, hwnd));
}

bool MainWindow::preTranslate(MSG& message)
{
    if (message.message == WM_KEYDOWN && isOurs(message.hwnd) && !hasEnded()) {
        const WPARAM key = message.wParam;
        if (key == VK_F2 && noModifiers()) {
            showResults();
            return true;
        }
        // While an exercise runs in phase 1 the arrows are answers, and
        // nothing else.
        if (isArrow(message) && noModifiers() &&
            form_.arrowKey(key == VK_LEFT ? Side::left : Side::right, pressedAt(message), isRepeat(message)))
            return true;
        if (key == VK_TAB && !keyDown(VK_CONTROL) && !keyDown(VK_MENU)) {
            moveFocus(keyDown(VK_SHIFT));
            return true;
        }
        // Enter clicks the focused push button; the window has no default
        // button.
        const std::optional<Control> focus = controlOf(GetFocus());
        if (key == VK_RETURN && focus && layoutOf(*focus)->kind == ControlKind::commandButton) {
            SendMessageW(control(*focus), BM_CLICK, 0, 0);
            return true;
        }
    }
    // Access keys need Alt (WM_SYSCHAR): a plain letter, which the dialog
    // manager would take for one, goes to the focused control as typing.
    if (isOurs(message.hwnd) && message.message != WM_CHAR && IsDialogMessageW(hwnd_, &message))
        return true;
    const HWND results = resultsWindow();
    return results && (message.hwnd == results || IsChild(results, message.hwnd)) &&
           IsDialogMessageW(results, &message);
}

// Labels, hidden and disabled controls never take the focus; of the pace
// group only the selected button does, as with the platform's option groups.
bool MainWindow::takesFocus(Control c) const
{
    const HWND w = control(c);
    if (!IsWindowVisible(w) || !IsWindowEnabled(w))
        return false;
    if (!isPace(c))
        return true;
    const bool anySelected = std::ranges::any_of(tabOrder_, [&](Control o) {
        return isChecked(o, ControlKind::optionButton);
    });
    return !anySelected || isChecked(c, ControlKind::optionButton);
}

void MainWindow::moveFocus(bool backwards)
{
    const std::optional<Control> focus = controlOf(GetFocus());
    const auto n = static_cast<std::ptrdiff_t>(tabOrder_.size());
    std::ptrdiff_t at = focus ? std::ranges::find(tabOrder_, *focus) - tabOrder_.begin() : (backwards ? 0 : -1);
    for (std::ptrdiff_t step = 0; step < n; ++step) {
        at = ((backwards ? at - 1 : at + 1) % n + n) % n;
        const Control next = tabOrder_[static_cast<std::size_t>(at)];
        if (takesFocus(next)) {
            SetFocus(control(next));
            if (layoutOf(next)->kind == ControlKind::textBox)
                SendMessageW(control(next), EM_SETSEL, 0, -1);
            return;
        }
    }
}

double MainWindow::pressedAt(const MSG& message) const
{
    if (givenBackAt_)
        return *givenBackAt_;
    // A message's time counts milliseconds as GetTickCount does, in steps of
    // the system's tick (up to 16 ms). A key handled at once is timed now;
    // one that waited while a handler held the window keeps its own time.
    // A stamp of another clock is not believed.
    constexpr DWORD fresh = 32;
    constexpr DWORD believable = 60'000;
    const Clock::time_point now = Clock::now();
    const DWORD ago = GetTickCount() - message.time;
    return services_.clockAt(ago > fresh && ago <= believable ? now - std::chrono::milliseconds(ago) : now);
}

void MainWindow::timer1Tick()
{
    form_.timerTick();
}

void MainWindow::setBackgroundPicture(std::shared_ptr<const WicPicture> picture, const std::string& path)
{
    background_ = std::move(picture);
    form_.backgroundChanged(background_ ? path : std::string());
    InvalidateRect(hwnd_, nullptr, FALSE);
}

void MainWindow::postPictureReady()
{
    PostMessageW(hwnd_, pictureMessage, 0, 0);
}

void MainWindow::paint()
{
    PAINTSTRUCT ps;
    const HDC dc = BeginPaint(hwnd_, &ps);
    RECT client{};
    GetClientRect(hwnd_, &client);
    if (background_) {
        const WicPicture& p = *background_;
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = p.width;
        info.bmiHeader.biHeight = -p.height; // rows top down
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(p.width), static_cast<DWORD>(p.height), 0, 0, 0,
                          static_cast<UINT>(p.height), p.pixels.data(), &info, DIB_RGB_COLORS);
        ExcludeClipRect(dc, 0, 0, p.width, p.height);
    }
    FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW));
    EndPaint(hwnd_, &ps);
    // The frame that shows a new picture has been painted: the patient sees
    // it from now on.
    GdiFlush();
    form_.frameEnded(services_.clockAt(Clock::now()));
}

// The feedback wait, and the wait for a slow drive. The window is painted
// at once, with the new picture and the answer pair; then, until the time
// is up, the window goes on living: it is painted when uncovered, answers
// the system's messages, shows a picture that becomes ready and runs its
// other timers (a tick that comes waits for this one). What the user does
// meanwhile, clicks and keys, is taken out of the queue as it comes and
// held, and closing the window waits: all is handled in order once the tick
// has ended. Arrow keys that come before any held input are answers at once.
void MainWindow::feedbackWait(double seconds)
{
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    GdiFlush();
    struct ClickShown {
        MainWindow& window;
        ~ClickShown()
        {
            if (window.pressed_)
                SendMessageW(std::exchange(window.pressed_, nullptr), BM_SETSTATE, FALSE, 0);
            if (std::exchange(window.busyCursor_, false))
                SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32512))); // IDC_ARROW
        }
    } clickShown{*this};
    const Clock::time_point deadline =
        Clock::now() + std::chrono::duration_cast<Clock::duration>(
                           std::chrono::duration<double>(std::clamp(seconds, 0.0, longestPause)));
    constexpr DWORD alive = QS_SENDMESSAGE | QS_PAINT | QS_POSTMESSAGE | QS_TIMER;
    constexpr UINT aliveMessages = PM_QS_SENDMESSAGE | PM_QS_PAINT | PM_QS_POSTMESSAGE;
    for (;;) {
        takeInputWaiting();
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE | aliveMessages)) {
            if (message.message == WM_QUIT) {
                exitStatus_ = static_cast<int>(message.wParam);
                return;
            }
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        const Clock::time_point now = Clock::now();
        if (now >= deadline || hasEnded() || exitStatus_)
            return;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now);
        wakeUp_->stop();
        wakeUp_->start(std::max(left, std::chrono::milliseconds(1)));
        const HANDLE wake = wakeUp_->handle();
        // The timeout, rounded up, only backs up the wake-up timer.
        MsgWaitForMultipleObjectsEx(wake ? 1 : 0, &wake, static_cast<DWORD>(left.count()) + 1, alive | QS_INPUT, 0);
        wakeUp_->stop();
    }
}

// The input of the window waiting in the queue, taken out as it comes, each
// with the moment the wait saw it: an arrow key before any held input is an
// answer at once (its release with it); the rest is held for the end of the
// handlers, and a click shows at once that it was taken. Input for other
// windows and the window's frame (a drag of its title) stops the taking,
// and stays queued with all behind it.
void MainWindow::takeInputWaiting()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_INPUT)) {
        const UINT kind = message.message;
        if (!isOurs(message.hwnd) || (kind >= WM_NCMOUSEMOVE && kind <= WM_NCXBUTTONDBLCLK))
            return;
        PeekMessageW(&message, message.hwnd, kind, kind, PM_REMOVE | PM_QS_INPUT);
        if (kind == WM_MOUSEMOVE) {
            DispatchMessageW(&message);
            continue;
        }
        const double at = pressedAt(message);
        if (isArrow(message) && !form_.inputHeld()) {
            if (kind == WM_KEYUP)
                continue;
            if (noModifiers() &&
                form_.arrowKey(message.wParam == VK_LEFT ? Side::left : Side::right, at, isRepeat(message)))
                continue;
        }
        if (isClick(kind))
            showClickTaken(message.hwnd);
        form_.holdInput([this, message, at]() mutable {
            givenBackAt_ = at;
            dispatch(message);
            givenBackAt_.reset();
        });
    }
}

void MainWindow::showClickTaken(HWND target)
{
    busyCursor_ = true;
    SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32514))); // IDC_WAIT
    const std::optional<Control> c = controlOf(target);
    const ControlLayout* row = c ? layoutOf(*c) : nullptr;
    if (!pressed_ && row && (row->kind == ControlKind::commandButton || row->kind == ControlKind::checkBox ||
                             row->kind == ControlKind::optionButton)) {
        pressed_ = target;
        SendMessageW(target, BM_SETSTATE, TRUE, 0);
    }
}

void MainWindow::endProgram()
{
    form_.close();
    close();
}

void MainWindow::close()
{
    timer1_->stop();
    if (results_)
        DestroyWindow(results_->hwnd());
    DestroyWindow(hwnd_);
}

void MainWindow::showResults()
{
    // The folder is read again: another computer may have written to it.
    if (form_.results())
        form_.results()->refresh();
    if (!results_)
        results_ = std::make_unique<ResultsWindow>(form_, hwnd_);
    results_->refresh();
    // During an exercise the keyboard stays the patient's.
    if (state_.running == 1) {
        ShowWindow(results_->hwnd(), SW_SHOWNOACTIVATE);
        SetWindowPos(results_->hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        // Some systems activate a window they show all the same.
        if (GetActiveWindow() != hwnd_)
            SetActiveWindow(hwnd_);
    } else {
        results_->show();
    }
}

void MainWindow::resultsChanged()
{
    if (results_)
        results_->refresh();
}

void MainWindow::postTick()
{
    PostMessageW(hwnd_, tickMessage, 0, 0);
}

void MainWindow::postClose()
{
    PostMessageW(hwnd_, WM_CLOSE, 0, 0);
}

void MainWindow::postIdle()
{
    if (!std::exchange(idlePosted_, true))
        PostMessageW(hwnd_, idleMessage, 0, 0);
}

std::optional<std::string> MainWindow::probeAhead(const std::string& path)
{
    return services_.disc().probeAhead(path);
}

void MainWindow::preparePictures(const std::vector<std::string>& paths)
{
    services_.preparePictures(paths);
}

LRESULT MainWindow::handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND: {
        const std::optional<Control> c = controlOf(reinterpret_cast<HWND>(lParam));
        if (!c || HIWORD(wParam) != BN_CLICKED || hasEnded())
            return 0;
        const ControlKind kind = layoutOf(*c)->kind;
        if (kind == ControlKind::checkBox)
            setChecked(*c, !isChecked(*c, kind));
        else if (kind == ControlKind::commandButton)
            form_.clicked(*c);
        return 0;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
        // Labels, check boxes, option buttons and push buttons in the
        // system's button colours.
        const auto dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
        SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_SETCURSOR:
        if (busyCursor_) {
            SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32514))); // IDC_WAIT
            return TRUE;
        }
        break;
    case WM_ERASEBKGND:
        return 1; // painted with the picture, without flicker
    case WM_PAINT:
        paint();
        return 0;
    case WM_TIMER:
        if (wParam == timerId)
            timer1Tick();
        return 0;
    case tickMessage:
        timer1Tick();
        return 0;
    case idleMessage: {
        idlePosted_ = false;
        // What is due is painted before the next pictures are worked out.
        UpdateWindow(hwnd_);
        form_.idle();
        return 0;
    }
    case pictureMessage:
        if (!hasEnded())
            services_.showReadyPicture();
        return 0;
    case folderMessage:
        form_.folderChanged();
        return 0;
    case WM_ACTIVATE:
        // As a dialog does: the focus goes back to the control that had it.
        if (LOWORD(wParam) == WA_INACTIVE) {
            if (controlOf(GetFocus()))
                focused_ = GetFocus();
            return 0;
        }
        if (!focused_)
            break;
        SetFocus(focused_);
        return 0;
    case WM_SETFOCUS:
        if (focused_)
            SetFocus(focused_);
        return 0;
    case WM_DPICHANGED: {
        layOut(LOWORD(wParam));
        const auto* suggested = reinterpret_cast<const RECT*>(lParam);
        SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
    }
    case WM_CLOSE:
        // Closed while a handler is under way (the feedback wait): the
        // program ends once the handler has ended.
        if (form_.closeRequested())
            close();
        return 0;
    case WM_QUERYENDSESSION:
        return TRUE;
    case WM_ENDSESSION:
        // The session ends (log off, shut down): the program is stopped
        // once this returns, so the exercise under way is saved now.
        if (wParam) {
            form_.close();
            if (!form_.busy())
                close();
        }
        return 0;
    case WM_DESTROY:
        // The window closed or cmdExit: the program ends with status 0.
        if (hasEnded())
            PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

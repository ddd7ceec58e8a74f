// The Win32 window with real controls under Wine (or Windows): its controls
// as the window's description draws them, at 96 dots per inch and at 144,
// the tab order, the check boxes' handlers, the keys, the modal boxes, the
// feedback wait, the end of the program and the results window.

#include "win32_fixture.h"

#include "support/saved_history.h"

#include "engine/exercise.h"
#include "model/window_layout.h"
#include "ui/win32/boxes.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <thread>

using C = Control;

namespace {

LOGFONTW fontOf(HWND control)
{
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof font, &font);
    return font;
}

LONG_PTR styleOf(HWND w) { return GetWindowLongPtrW(w, GWL_STYLE); }

// Presses and releases a key through the system's input, as the keyboard
// would.
void pressKey(WORD virtualKey)
{
    INPUT keys[2] = {};
    for (INPUT& k : keys) {
        k.type = INPUT_KEYBOARD;
        k.ki.wVk = virtualKey;
    }
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, keys, sizeof(INPUT));
}

} // namespace

TEST_F(Win32WindowTest, ControlsAsTheDescriptionDrawsThemAt96Dpi)
{
    ASSERT_EQ(window.dpi(), 96u) << "the test prefix runs at 96 dots per inch";
    EXPECT_EQ(textOf(window.hwnd()), "Clinique Antidouleur de Valbrune");
    RECT client{};
    GetClientRect(window.hwnd(), &client);
    EXPECT_EQ(client.right, 744);
    EXPECT_EQ(client.bottom, 525);
    EXPECT_EQ(GetClassLongPtrW(window.hwnd(), GCLP_HBRBACKGROUND), COLOR_WINDOW + 1);

    int checkBoxes = 0;
    for (const ControlLayout& row : controlLayouts()) {
        SCOPED_TRACE(controlName(row.control));
        const HWND c = window.control(row.control);
        ASSERT_TRUE(IsWindow(c));
        const RECT r = placeOf(row.control);
        EXPECT_EQ(r.left, row.left / 15);
        EXPECT_EQ(r.top, row.top / 15);
        EXPECT_EQ(r.right - r.left, row.width / 15);
        EXPECT_EQ(r.bottom - r.top, row.height / 15);
        EXPECT_EQ(textOf(c), row.caption);
        const LOGFONTW font = fontOf(c);
        EXPECT_EQ(narrow(font.lfFaceName), "MS Sans Serif");
        EXPECT_EQ(-font.lfHeight, std::lround(row.font.points * 96 / 72));
        EXPECT_EQ(font.lfWeight, row.font.bold ? FW_BOLD : FW_NORMAL);
        const LONG_PTR style = styleOf(c);
        EXPECT_EQ((style & WS_VISIBLE) != 0, row.start != StartState::hidden);
        switch (row.kind) {
        case ControlKind::checkBox:
            ++checkBoxes;
            EXPECT_EQ(style & BS_TYPEMASK, BS_CHECKBOX);
            EXPECT_EQ(checked(row.control), row.start == StartState::on);
            break;
        case ControlKind::optionButton:
            EXPECT_EQ(style & BS_TYPEMASK, BS_AUTORADIOBUTTON);
            EXPECT_EQ(checked(row.control), row.start == StartState::on);
            break;
        case ControlKind::commandButton:
            EXPECT_EQ(style & BS_TYPEMASK, BS_PUSHBUTTON);
            EXPECT_TRUE(style & BS_MULTILINE);
            break;
        case ControlKind::label:
            EXPECT_EQ(classOf(c), "Static");
            EXPECT_EQ(style & SS_TYPEMASK, row.centred ? SS_CENTER : SS_LEFT);
            break;
        case ControlKind::textBox:
            EXPECT_EQ(classOf(c), "Edit");
            EXPECT_FALSE(style & ES_MULTILINE);
            EXPECT_FALSE(style & ES_READONLY);
            break;
        }
    }
    EXPECT_EQ(checkBoxes, 15);
    // A few places in pixels, as the screenshot check of the whole program
    // finds them.
    const RECT start = placeOf(C::cmdOnOff);
    EXPECT_EQ(start.left, 432);
    EXPECT_EQ(start.top, 472);
    EXPECT_EQ(-fontOf(window.control(C::Label5)).lfHeight, 18);
    EXPECT_EQ(-fontOf(window.control(C::optMain)).lfHeight, 11);
    // Where two controls overlap, the later one of the table is in front.
    const std::vector<HWND> stacked = childrenOf(window.hwnd());
    const auto depth = [&](C c) { return std::ranges::find(stacked, window.control(c)) - stacked.begin(); };
    EXPECT_LT(depth(C::optPatient), depth(C::optVisage));
    EXPECT_LT(depth(C::optFeedBack), depth(C::optDG));
    EXPECT_LT(depth(C::Chkniv1), depth(C::Label2));
}

// Moved to a screen of 144 dots per inch, the window keeps its size in
// inches: 10 twips a pixel, fonts half as large again.
TEST_F(Win32WindowTest, LaidOutAgainForAScreenOf144Dpi)
{
    RECT suggested{};
    GetWindowRect(window.hwnd(), &suggested);
    SendMessageW(window.hwnd(), WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(window.dpi(), 144u);
    RECT client{};
    GetClientRect(window.hwnd(), &client);
    EXPECT_EQ(client.right, 1116);
    EXPECT_EQ(client.bottom, 788);
    const RECT start = placeOf(C::cmdOnOff);
    EXPECT_EQ(start.left, 648);
    EXPECT_EQ(start.top, 708);
    EXPECT_EQ(start.right - start.left, 482);
    EXPECT_EQ(start.bottom - start.top, 86);
    const RECT level = placeOf(C::Chkniv1);
    EXPECT_EQ(level.right - level.left, 86); // 855 twips
    EXPECT_EQ(-fontOf(window.control(C::optMain)).lfHeight, 17);  // 8.25 points
    EXPECT_EQ(-fontOf(window.control(C::cmdOnOff)).lfHeight, 20); // 9.75 points
    EXPECT_EQ(-fontOf(window.control(C::Label5)).lfHeight, 27);   // 13.5 points
}

TEST_F(Win32WindowTest, TabFollowsTheTabColumnAndSkipsLabelsHiddenControlsAndUnselectedPace)
{
    showWindow();
    ASSERT_EQ(GetFocus(), window.control(C::cmdOnOff));
    const std::vector<C> expected = {
        C::cmdExit, C::optMain, C::optPied, C::optDG, C::optFaireMvt, C::OptNormal, C::optImagine,
        C::Chkniv1, C::ChKniv2, C::Chkniv3, C::Chkniv4, C::optVisage, C::optPatient, C::optFeedBack,
        C::optD, C::optG, C::optLes2, C::cmdOnOff};
    for (C c : expected) {
        key(VK_TAB);
        EXPECT_EQ(window.controlOf(GetFocus()), c) << "Tab to " << controlName(c);
    }
    // Shift+Tab goes back; the pace group is entered at its selected button.
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_SHIFT] = 0x80;
    SetKeyboardState(keys);
    key(VK_TAB);
    EXPECT_EQ(window.controlOf(GetFocus()), C::optLes2);
    keys[VK_SHIFT] = 0;
    SetKeyboardState(keys);
    SendMessageW(window.control(C::OptExtreme), BM_CLICK, 0, 0);
    EXPECT_TRUE(checked(C::OptExtreme));
    EXPECT_FALSE(checked(C::OptNormal));
    SetFocus(window.control(C::optFaireMvt));
    key(VK_TAB);
    EXPECT_EQ(window.controlOf(GetFocus()), C::optImagine);
    key(VK_TAB);
    EXPECT_EQ(window.controlOf(GetFocus()), C::OptExtreme);
    // Label4 and TextReponse shown by the feedback: the text box takes the focus.
    window.services().setVisible(C::Label4, true);
    window.services().setVisible(C::TextReponse, true);
    SetFocus(window.control(C::optFeedBack));
    key(VK_TAB);
    EXPECT_EQ(window.controlOf(GetFocus()), C::TextReponse);
}

TEST_F(Win32WindowTest, EveryChangeOfACheckBoxRunsItsHandlerOnce)
{
    showWindow();
    // By the program: the group rule of the handler unchecks optMain.
    window.services().setChecked(C::optPied, 1);
    EXPECT_TRUE(checked(C::optPied));
    EXPECT_FALSE(checked(C::optMain));
    // The same value again changes nothing and runs no handler.
    EXPECT_TRUE(window.state().level.isUnset());
    window.services().setChecked(C::Chkniv1, 1);
    EXPECT_TRUE(window.state().level.isUnset());
    // By a click: ChKniv2 sets the level and unchecks Chkniv1.
    SendMessageW(window.control(C::ChKniv2), BM_CLICK, 0, 0);
    EXPECT_TRUE(checked(C::ChKniv2));
    EXPECT_FALSE(checked(C::Chkniv1));
    EXPECT_EQ(window.state().level, 2);
    EXPECT_EQ(window.services().isChecked(C::ChKniv2), 1);
    EXPECT_EQ(window.services().isChecked(C::OptNormal), 0) << "an option button is no check box";
    EXPECT_TRUE(window.services().isSelected(C::OptNormal));
    // A click on an option button selects it and deselects the others.
    SendMessageW(window.control(C::opt10sec), BM_CLICK, 0, 0);
    EXPECT_TRUE(window.services().isSelected(C::opt10sec));
    EXPECT_FALSE(window.services().isSelected(C::OptNormal));
}

TEST_F(Win32WindowTest, AccessKeysSpaceAndEnter)
{
    showWindow();
    // Alt+M toggles optMain, and its handler runs.
    key('m', WM_SYSCHAR);
    EXPECT_FALSE(checked(C::optMain));
    key('m', WM_SYSCHAR);
    EXPECT_TRUE(checked(C::optMain));
    // Alt+R selects OptDiff.
    key('r', WM_SYSCHAR);
    EXPECT_TRUE(checked(C::OptDiff));
    EXPECT_FALSE(checked(C::OptNormal));

    // Enter, then Space, on the focused start button.
    SetFocus(window.control(C::cmdOnOff));
    key(VK_RETURN);
    EXPECT_EQ(window.state().running, 1);
    EXPECT_EQ(textOf(window.control(C::cmdOnOff)), "&Arrêter l'exercice");
    key(VK_SPACE);
    key(VK_SPACE, WM_KEYUP);
    EXPECT_EQ(window.state().running, 0);
}

TEST_F(Win32WindowTest, BoxesAreTitledTavrelWithTheirTexts)
{
    std::vector<std::string> seen;
    const auto read = [&](HWND box) {
        seen = {textOf(box)};
        for (HWND c : childrenOf(box))
            seen.push_back(classOf(c) + ":" + textOf(c));
    };
    {
        const BoxResponder responder([&](HWND box) {
            read(box);
            SetWindowTextW(GetDlgItem(box, 101), L"é:");
            BoxResponder::click(box, "OK");
        });
        EXPECT_EQ(window.services().askText("Veuillez indiquer la lettre"), "é:");
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"Tavrel", "Static:Veuillez indiquer la lettre", "Edit:", "Button:OK",
                                              "Button:Annuler"}));
    {
        const BoxResponder responder([&](HWND box) {
            SetWindowTextW(GetDlgItem(box, 101), L"E");
            BoxResponder::click(box, "Annuler");
        });
        EXPECT_EQ(window.services().askText("?"), "") << "Cancel gives empty text";
    }
    {
        const BoxResponder responder([&](HWND box) {
            read(box);
            BoxResponder::click(box, "OK");
        });
        window.services().showMessage("le répertoire d'images est vide");
    }
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen[0], "Tavrel");
    EXPECT_NE(std::ranges::find(seen, "Static:le répertoire d'images est vide"), seen.end());
}

// During the feedback wait the window is painted and its posted messages
// are handled. An arrow key is an answer to the picture on screen, held down
// it is one answer; a plain letter is no access key; what is not an answer
// waits for the end of the tick, and is then handled in order.
TEST_F(Win32WindowTest, FeedbackWaitKeepsTheWindowAliveAnswersAndHoldsInput)
{
    const char* demo = std::getenv("TAVREL_TEST_DEMO_DRIVE");
    if (!demo || !*demo)
        GTEST_SKIP() << "TAVREL_TEST_DEMO_DRIVE names no drive holding the demo disc: tools/test-windows.sh sets it";
    window.state().driveLetter = std::string(demo);
    showWindow();
    SetForegroundWindow(window.hwnd());
    SetFocus(window.control(C::cmdOnOff));
    SendMessageW(window.control(C::OptTresDiff), BM_CLICK, 0, 0); // 1000 ms: a wait of 0.8 s
    window.form().clicked(C::cmdOnOff);
    ASSERT_EQ(window.state().running, 1);
    pump(std::chrono::milliseconds(300)); // the first picture decoded ahead
    const auto& sheet = window.form().answers();
    std::thread user([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        const WORD answer = window.state().imageIndex > 10 ? VK_RIGHT : VK_LEFT;
        INPUT held[4] = {};
        for (INPUT& k : held) {
            k.type = INPUT_KEYBOARD;
            k.ki.wVk = answer;
        }
        held[3].ki.dwFlags = KEYEVENTF_KEYUP;
        SendInput(4, held, sizeof(INPUT)); // down, repeated twice, up
        pressKey('A');
        pressKey('2');
        pressKey(answer == VK_LEFT ? VK_RIGHT : VK_LEFT);
    });
    constexpr UINT posted = WM_APP + 50;
    PostMessageW(window.hwnd(), posted, 0, 0);
    window.timer1Tick();
    user.join();
    MSG m;
    EXPECT_FALSE(PeekMessageW(&m, window.hwnd(), posted, posted, PM_NOREMOVE)) << "posted messages are handled";
    // The held keys were given back at the end of the tick; the characters
    // they make come through the loop.
    pump(std::chrono::milliseconds(100));
    EXPECT_FALSE(PeekMessageW(&m, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_NOREMOVE)) << "held keys are handled";
    // One answer, right, timed from the picture on screen to the key.
    EXPECT_EQ(sheet.keysPlaced(), 1);
    EXPECT_GT(sheet.latestKeySeconds(), 0.1);
    EXPECT_LT(sheet.latestKeySeconds(), 0.8);
    // Neither A (« &Arrêter l'exercice ») nor 2 (phase 2) did anything.
    EXPECT_EQ(window.state().running, 1);
    EXPECT_TRUE(checked(C::optDG));
    EXPECT_FALSE(checked(C::optImagine));
    window.form().clicked(C::cmdOnOff);
    ASSERT_TRUE(window.form().lastExercise());
    EXPECT_EQ(window.form().lastExercise()->result.tally.answers, 1);
    EXPECT_EQ(window.form().lastExercise()->result.tally.correct, 1);
}

// Closed during the feedback wait, the window ends the program once the
// tick has written its answer.
TEST_F(Win32WindowTest, ClosedDuringTheFeedbackWaitEndsAfterTheTick)
{
    showWindow();
    SendMessageW(window.control(C::OptTresDiff), BM_CLICK, 0, 0); // 1000 ms: a wait of 0.8 s
    window.form().clicked(C::cmdOnOff);
    std::thread closer([hwnd = window.hwnd()] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        PostMessageW(hwnd, WM_CLOSE, 0, 0);
    });
    window.timer1Tick();
    closer.join();
    EXPECT_FALSE(window.hasEnded()) << "not during the tick";
    const std::string answer = textOf(window.control(C::TextReponse));
    EXPECT_TRUE(answer == " gauche" || answer == " Droite") << answer;
    EXPECT_TRUE(pumpUntil([&] { return window.hasEnded(); }));
    EXPECT_FALSE(IsWindow(window.hwnd()));
}

TEST_F(Win32WindowTest, TheQuitButtonEndsTheProgramWithStatusZero)
{
    showWindow();
    SendMessageW(window.control(C::cmdExit), BM_CLICK, 0, 0);
    EXPECT_TRUE(window.hasEnded());
    EXPECT_EQ(window.run(), 0);
}

TEST_F(Win32WindowTest, TimerTicksRunTheExercise)
{
    showWindow();
    SendMessageW(window.control(C::OptExtreme), BM_CLICK, 0, 0); // 500 ms, no feedback
    window.form().clicked(C::cmdOnOff);
    ASSERT_TRUE(pumpUntil([&] { return window.state().shownCount >= 3; }));
    EXPECT_EQ(window.timer1().interval(), std::chrono::milliseconds(500));
}

// Each kind keeps its interval between ticks, asked again for it 10 ms
// after every tick as the ticks do: a timer that started again then would
// tick every 40 ms.
TEST(PaceTimerTest, EveryKindKeepsItsIntervalWhenAskedAgain)
{
    using Clock = std::chrono::steady_clock;
    const HWND owner = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    for (const PaceTimer::Kind kind :
         {PaceTimer::Kind::highResolution, PaceTimer::Kind::waitable, PaceTimer::Kind::windowTimer}) {
        PaceTimer timer(owner, 7, kind);
        if (kind != PaceTimer::Kind::highResolution) {
            EXPECT_EQ(timer.kind(), kind);
        }
        SCOPED_TRACE(static_cast<int>(timer.kind()));
        timer.start(std::chrono::milliseconds(30));
        std::vector<Clock::time_point> ticks;
        const auto limit = Clock::now() + std::chrono::seconds(10);
        while (ticks.size() < 12 && Clock::now() < limit) {
            bool ticked = false;
            const HANDLE h = timer.handle();
            if (MsgWaitForMultipleObjectsEx(h ? 1 : 0, &h, 100, QS_ALLINPUT, 0) == WAIT_OBJECT_0 && h &&
                timer.signalled())
                ticked = true;
            MSG m;
            while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE))
                ticked |= m.message == WM_TIMER && m.wParam == 7;
            if (!ticked)
                continue;
            ticks.push_back(Clock::now());
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            timer.start(std::chrono::milliseconds(30)); // as every tick asks
        }
        ASSERT_EQ(ticks.size(), 12u);
        std::vector<double> intervals;
        for (std::size_t i = 1; i < ticks.size(); ++i)
            intervals.push_back(std::chrono::duration<double, std::milli>(ticks[i] - ticks[i - 1]).count());
        std::ranges::sort(intervals);
        const double median = intervals[intervals.size() / 2];
        EXPECT_GT(median, 26.0);
        EXPECT_LT(median, 36.0);
        timer.stop();
        EXPECT_FALSE(timer.active());
    }
    DestroyWindow(owner);
}

// The pixels of a window's client area as the screen shows them, 0xRRGGBB.
std::vector<std::uint32_t> pixelsOf(HWND w)
{
    UpdateWindow(w);
    RECT r{};
    GetClientRect(w, &r);
    const HDC screen = GetDC(w);
    const HDC memory = CreateCompatibleDC(screen);
    const HBITMAP bitmap = CreateCompatibleBitmap(screen, r.right, r.bottom);
    const HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, r.right, r.bottom, screen, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), r.right, -r.bottom, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(r.right * r.bottom));
    GetDIBits(memory, bitmap, 0, static_cast<UINT>(r.bottom), pixels.data(), &info, DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(w, screen);
    for (std::uint32_t& p : pixels)
        p &= 0xFFFFFF;
    return pixels;
}

// The session ends with an exercise under way: WM_ENDSESSION saves it. The
// next run's results window (F2) shows it from the files, left and right
// apart, draws its charts, and takes the patient's name.
TEST_F(Win32WindowTest, TheSessionsEndSavesAndTheNextRunShowsTheFiguresPerSide)
{
    const char* demo = std::getenv("TAVREL_TEST_DEMO_DRIVE");
    if (!demo || !*demo)
        GTEST_SKIP() << "TAVREL_TEST_DEMO_DRIVE names no drive holding the demo disc: tools/test-windows.sh sets it";
    TempFolder folder;
    ResultsFolder resultsFolder(folder.path(), "PC");
    SavedHistory history{resultsFolder};
    const auto runFor = [](MainWindow& w, std::chrono::milliseconds time) {
        const auto end = std::chrono::steady_clock::now() + time;
        while (std::chrono::steady_clock::now() < end && w.runOnce(10)) {
        }
    };
    {
        MainWindow first(&resultsFolder);
        setInitialValues(first.state());
        first.state().driveLetter = std::string(demo);
        first.show();
        // Without the feedback: the key comes before any correct side shows.
        first.setChecked(C::optFeedBack, false);
        first.form().clicked(C::cmdOnOff);
        first.timer1Tick();
        runFor(first, std::chrono::milliseconds(400)); // the picture reaches the screen
        const Side shown = sideOf(static_cast<int>(first.state().imageIndex.number()));
        MSG arrow{first.control(C::cmdOnOff), WM_KEYDOWN, static_cast<WPARAM>(shown == Side::left ? VK_LEFT : VK_RIGHT),
                  1, GetTickCount(), {}};
        first.preTranslate(arrow);
        EXPECT_EQ(first.form().answers().keysPlaced(), 1);
        EXPECT_EQ(SendMessageW(first.hwnd(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
        SendMessageW(first.hwnd(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
        EXPECT_TRUE(first.hasEnded());
        MSG quit;
        PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    }
    const HistoryContents saved = history.read();
    ASSERT_EQ(saved.results.size(), 1u);
    ASSERT_EQ(saved.answers.size(), 1u);
    // The timer may have shown a picture of its own: one is answered.
    const auto& pictures = saved.answers[0].pictures;
    ASSERT_EQ(std::ranges::count_if(pictures, [](const PictureAnswer& p) { return p.answer.has_value(); }), 1);
    const PictureAnswer answered = *std::ranges::find_if(pictures, [](const PictureAnswer& p) { return p.answer.has_value(); });
    EXPECT_TRUE(answered.correct());
    const std::string shownCount = std::to_string(std::ranges::count(pictures, answered.shown, &PictureAnswer::shown));

    MainWindow next(&resultsFolder);
    next.show();
    MSG f2{next.control(C::cmdOnOff), WM_KEYDOWN, VK_F2, 1, GetTickCount(), {}};
    ASSERT_TRUE(next.preTranslate(f2));
    const HWND results = next.resultsWindow();
    ASSERT_TRUE(IsWindowVisible(results));
    EXPECT_EQ(textOf(results), "Résultats — Tavrel");
    runFor(next, std::chrono::milliseconds(300));
    std::vector<std::string> texts;
    std::vector<HWND> charts;
    for (HWND c : childrenOf(results)) {
        texts.push_back(textOf(c));
        if (classOf(c) == "TavrelChart")
            charts.push_back(c);
    }
    const Side side = answered.shown;
    const auto row = std::ranges::find(texts, side == Side::left ? "Gauche" : "Droite");
    ASSERT_NE(row, texts.end());
    EXPECT_EQ(*(row + 1), "1 sur " + shownCount);
    EXPECT_EQ(*(row + 2), "100 %");
    const auto both = std::ranges::find(texts, "Les deux");
    ASSERT_NE(both, texts.end());
    EXPECT_EQ(*(both + 1), "1 sur " + std::to_string(pictures.size()));
    EXPECT_EQ(*(both + 3), std::to_string(answered.responseMs.value()) + " ms");

    // Both charts, each with the point of the exercise in the side's colour.
    ASSERT_EQ(charts.size(), 2u);
    EXPECT_EQ(textOf(charts[0]), "Réponses justes");
    EXPECT_EQ(textOf(charts[1]), "Temps de réponse médian");
    const std::uint32_t colour = side == Side::left ? 0x1F77B4 : 0xD62728;
    for (HWND chart : charts) {
        const std::vector<std::uint32_t> pixels = pixelsOf(chart);
        EXPECT_GT(std::ranges::count(pixels, colour), 20) << textOf(chart);
    }

    const HWND name = FindWindowExW(results, nullptr, L"Edit", nullptr);
    SetWindowTextW(name, L"Mme Dupré");
    SendMessageW(results, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindowVisible(results));
    EXPECT_EQ(next.form().patient(), "Mme Dupré");
    EXPECT_EQ(resultsFolder.patient(), "Mme Dupré");
}

// F2 during an exercise shows the results without taking the keyboard from
// the patient: the arrows still answer.
TEST_F(Win32WindowTest, F2DuringAnExerciseLeavesTheKeyboardToThePatient)
{
    showWindow();
    SetForegroundWindow(window.hwnd());
    window.form().clicked(C::cmdOnOff);
    MSG f2{window.control(C::cmdOnOff), WM_KEYDOWN, VK_F2, 1, GetTickCount(), {}};
    ASSERT_TRUE(window.preTranslate(f2));
    pump(std::chrono::milliseconds(200));
    EXPECT_TRUE(IsWindowVisible(window.resultsWindow()));
    EXPECT_EQ(GetActiveWindow(), window.hwnd());
    EXPECT_TRUE(IsChild(window.hwnd(), GetFocus()));
}

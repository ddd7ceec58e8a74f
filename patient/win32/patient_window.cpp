#include "patient/win32/patient_window.h"

#include "codecs/wic_picture_codec.h"
#include "ui/win32/boxes.h"
#include "ui/win32/dpi.h"
#include "ui/win32/owned_window.h"
#include "ui/win32/wide_text.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <memory>
#include <utility>

namespace fs = std::filesystem;
using namespace patient;
using namespace sets;
using codecs::WicPictureCodec;

namespace {

constexpr wchar_t windowClass[] = L"TavrelPatientWindow";
constexpr wchar_t title[] = L"Photos du patient (Tavrel)";

// Messages the worker thread posts to the window.
constexpr UINT progressMessage = WM_APP + 1; // wParam done, lParam total
constexpr UINT endedMessage = WM_APP + 2;

constexpr int thumbnailWidth = 96;
constexpr int thumbnailHeight = 72;

enum Control : int {
    discLabel = 100,
    openButton,
    newButton,
    addButton,
    removeButton,
    photographList,
    sideLabel,
    sideBox,
    setLabel,
    setBox,
    writeButton,
    stickButton,
    statusLabel,
    progressBar,
    cancelButton,
    firstSetLabel = 200,
};

std::string setTitle(const PatientSet& set)
{
    return set.label + " (" + set.name + ")";
}

HWND control(HWND window, int id) { return GetDlgItem(window, id); }

void setText(HWND window, int id, const std::string& text) { SetWindowTextW(control(window, id), widen(text).c_str()); }

// The thumbnail laid on white in the middle of the image list's size.
HBITMAP thumbnailBitmap(const Pixels& picture)
{
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), thumbnailWidth, -thumbnailHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap)
        return nullptr;
    auto* pixels = static_cast<std::uint32_t*>(bits);
    std::fill(pixels, pixels + thumbnailWidth * thumbnailHeight, 0xFFFFFFFFu);
    const int left = (thumbnailWidth - picture.width) / 2;
    const int top = (thumbnailHeight - picture.height) / 2;
    for (int y = 0; y < picture.height && top + y < thumbnailHeight; ++y)
        std::copy_n(picture.data.data() + static_cast<std::size_t>(y) * picture.width,
                    std::min(picture.width, thumbnailWidth - left), pixels + (top + y) * thumbnailWidth + left);
    return bitmap;
}

// A folder chosen with the system's folder dialog; empty when cancelled.
fs::path chooseFolder(HWND owner, const wchar_t* caption)
{
    IFileOpenDialog* dialog = nullptr;
    if (FAILED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&dialog))))
        return {};
    fs::path chosen;
    DWORD options = 0;
    dialog->GetOptions(&options);
    dialog->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM);
    dialog->SetTitle(caption);
    IShellItem* item = nullptr;
    if (SUCCEEDED(dialog->Show(owner)) && SUCCEEDED(dialog->GetResult(&item))) {
        PWSTR path = nullptr;
        if (SUCCEEDED(item->GetDisplayName(SIGDN_FILESYSPATH, &path)))
            chosen = path;
        CoTaskMemFree(path);
        item->Release();
    }
    dialog->Release();
    return chosen;
}

// One of the choices, by a button each; -1 when the box was closed.
int chooseAmong(HWND owner, const std::string& question, const std::vector<std::string>& choices)
{
    std::vector<std::wstring> texts;
    for (const std::string& choice : choices)
        texts.push_back(widen(choice));
    std::vector<TASKDIALOG_BUTTON> buttons;
    for (std::size_t i = 0; i < texts.size(); ++i)
        buttons.push_back({static_cast<int>(1000 + i), texts[i].c_str()});
    const std::wstring content = widen(question);
    TASKDIALOGCONFIG config{};
    config.cbSize = sizeof config;
    config.hwndParent = owner;
    config.dwFlags = TDF_USE_COMMAND_LINKS | TDF_ALLOW_DIALOG_CANCELLATION;
    config.dwCommonButtons = TDCBF_CANCEL_BUTTON;
    config.pszWindowTitle = boxTitle;
    config.pszContent = content.c_str();
    config.cButtons = static_cast<UINT>(buttons.size());
    config.pButtons = buttons.data();
    int pressed = 0;
    if (FAILED(TaskDialogIndirect(&config, &pressed, nullptr, nullptr)) || pressed < 1000)
        return -1;
    return pressed - 1000;
}

} // namespace

PatientWindow::PatientWindow()
{
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (!GetClassInfoExW(instance, windowClass, &wc)) {
        wc = WNDCLASSEXW{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = ownedWindowProc<PatientWindow>;
        wc.hInstance = instance;
        wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = windowClass;
        RegisterClassExW(&wc);
    }
    constexpr DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    CreateWindowExW(WS_EX_ACCEPTFILES, windowClass, title, style, CW_USEDEFAULT, CW_USEDEFAULT, 800, 640, nullptr,
                    nullptr, instance, this);
    const UINT dpi = dpiOf(hwnd_);
    const SIZE size = windowSizeFor(MulDiv(760, static_cast<int>(dpi), 96), MulDiv(600, static_cast<int>(dpi), 96), style, dpi);
    SetWindowPos(hwnd_, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
    createControls();
    layOut();
    enableActions();
}

PatientWindow::~PatientWindow()
{
    cancelled_ = true;
    if (worker_.joinable())
        worker_.join();
    if (hwnd_)
        DestroyWindow(hwnd_);
    if (font_)
        DeleteObject(font_);
    if (thumbnails_)
        ImageList_Destroy(thumbnails_);
}

void PatientWindow::createControls()
{
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    const auto make = [&](const wchar_t* kind, const std::string& text, DWORD style, int id, DWORD extended = 0) {
        return CreateWindowExW(extended, kind, widen(text).c_str(), WS_CHILD | WS_VISIBLE | style, 0, 0, 10, 10, hwnd_,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    };
    make(L"STATIC", "Aucun dossier choisi : ouvrez la copie d'un disque, ou créez-en une.", SS_LEFT | SS_NOPREFIX, discLabel);
    make(L"BUTTON", "&Ouvrir un dossier du disque…", WS_TABSTOP | BS_PUSHBUTTON, openButton);
    make(L"BUTTON", "&Nouveau dossier du disque…", WS_TABSTOP | BS_PUSHBUTTON, newButton);
    for (std::size_t i = 0; i < patientSetCount; ++i)
        setLabels_[i] = make(L"STATIC", setTitle(patientSets()[i]) + " : —", SS_LEFT | SS_NOPREFIX,
                             firstSetLabel + static_cast<int>(i));
    make(L"BUTTON", "&Ajouter des photographies…", WS_TABSTOP | BS_PUSHBUTTON, addButton);
    make(L"BUTTON", "&Retirer la sélection", WS_TABSTOP | BS_PUSHBUTTON, removeButton);
    const HWND list = make(WC_LISTVIEWW, "", WS_TABSTOP | WS_BORDER | LVS_REPORT | LVS_SHOWSELALWAYS, photographList,
                           WS_EX_CLIENTEDGE);
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
    thumbnails_ = ImageList_Create(thumbnailWidth, thumbnailHeight, ILC_COLOR32, 4, 4);
    ListView_SetImageList(list, thumbnails_, LVSIL_SMALL);
    const wchar_t* columns[] = {L"Photographie", L"Côté montré", L"Jeu"};
    for (int i = 0; i < 3; ++i) {
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = const_cast<wchar_t*>(columns[i]);
        column.cx = 100;
        ListView_InsertColumn(list, i, &column);
    }
    make(L"STATIC", "Côté montré :", SS_LEFT, sideLabel);
    const HWND side = make(WC_COMBOBOXW, "", WS_TABSTOP | CBS_DROPDOWNLIST | WS_VSCROLL, sideBox);
    for (const Side s : {Side::left, Side::right})
        SendMessageW(side, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(widen(sideWord(s)).c_str()));
    make(L"STATIC", "Jeu :", SS_LEFT, setLabel);
    const HWND set = make(WC_COMBOBOXW, "", WS_TABSTOP | CBS_DROPDOWNLIST | WS_VSCROLL, setBox);
    for (const PatientSet& patientSet : patientSets())
        SendMessageW(set, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(widen(setTitle(patientSet)).c_str()));
    make(L"BUTTON", "Écrire les &jeux dans le dossier", WS_TABSTOP | BS_PUSHBUTTON, writeButton);
    make(L"BUTTON", "&Copier le disque sur une clé USB…", WS_TABSTOP | BS_PUSHBUTTON, stickButton);
    make(L"STATIC", "Déposez les photographies dans cette fenêtre, ou ajoutez-les avec le bouton.", SS_LEFT | SS_NOPREFIX,
         statusLabel);
    make(PROGRESS_CLASSW, "", 0, progressBar);
    make(L"BUTTON", "Annuler", WS_TABSTOP | BS_PUSHBUTTON, cancelButton);
    ShowWindow(control(hwnd_, progressBar), SW_HIDE);
    ShowWindow(control(hwnd_, cancelButton), SW_HIDE);
}

// Every control placed for the window's size and dots per inch.
void PatientWindow::layOut()
{
    const int dpi = static_cast<int>(dpiOf(hwnd_));
    const auto px = [dpi](int points) { return MulDiv(points, dpi, 96); };
    if (font_)
        DeleteObject(font_);
    font_ = CreateFontW(-MulDiv(9, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                        OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH, L"Segoe UI");
    RECT client{};
    GetClientRect(hwnd_, &client);
    const int width = client.right - px(24);
    const int left = px(12);
    const int line = px(24);
    const auto place = [&](int id, int x, int y, int w, int h) {
        const HWND w32 = control(hwnd_, id);
        SendMessageW(w32, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
        MoveWindow(w32, x, y, w, h, TRUE);
    };
    int y = px(10);
    place(discLabel, left, y, width, line);
    y += line + px(4);
    place(openButton, left, y, px(230), line + px(4));
    place(newButton, left + px(240), y, px(230), line + px(4));
    y += line + px(12);
    for (std::size_t i = 0; i < patientSetCount; ++i) {
        place(firstSetLabel + static_cast<int>(i), left, y, width, px(20));
        y += px(20);
    }
    y += px(8);
    place(addButton, left, y, px(230), line + px(4));
    place(removeButton, left + px(240), y, px(180), line + px(4));
    y += line + px(10);
    const int bottomPart = px(4 * 34 + 10);
    const int listHeight = std::max(px(120), static_cast<int>(client.bottom) - y - bottomPart);
    place(photographList, left, y, width, listHeight);
    const HWND list = control(hwnd_, photographList);
    ListView_SetColumnWidth(list, 0, width - px(300) - px(24));
    ListView_SetColumnWidth(list, 1, px(100));
    ListView_SetColumnWidth(list, 2, px(200));
    y += listHeight + px(8);
    place(sideLabel, left, y + px(4), px(100), px(20));
    place(sideBox, left + px(100), y, px(120), px(200));
    place(setLabel, left + px(240), y + px(4), px(40), px(20));
    place(setBox, left + px(280), y, px(260), px(200));
    y += px(34);
    place(writeButton, left, y, px(260), line + px(4));
    place(stickButton, left + px(270), y, px(260), line + px(4));
    y += px(34);
    place(statusLabel, left, y, width, px(34));
    y += px(34);
    place(progressBar, left, y, width - px(110), px(22));
    place(cancelButton, left + width - px(100), y - px(2), px(100), line + px(2));
}

LRESULT PatientWindow::handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED || HIWORD(wParam) == CBN_SELCHANGE)
            command(LOWORD(wParam));
        return 0;
    case WM_NOTIFY: {
        const auto* note = reinterpret_cast<const NMHDR*>(lParam);
        if (note->idFrom == photographList && note->code == LVN_ITEMCHANGED) {
            // The choices show the first selected photograph's.
            const int row = ListView_GetNextItem(control(hwnd_, photographList), -1, LVNI_SELECTED);
            if (row >= 0) {
                SendMessageW(control(hwnd_, sideBox), CB_SETCURSEL, rows_[static_cast<std::size_t>(row)].side == Side::right, 0);
                SendMessageW(control(hwnd_, setBox), CB_SETCURSEL, rows_[static_cast<std::size_t>(row)].set, 0);
            }
        }
        return 0;
    }
    case WM_DROPFILES: {
        const auto drop = reinterpret_cast<HDROP>(wParam);
        std::vector<fs::path> files;
        const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
        for (UINT i = 0; i < count; ++i) {
            std::wstring name(DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
            name.resize(DragQueryFileW(drop, i, name.data(), static_cast<UINT>(name.size())));
            files.emplace_back(name);
        }
        DragFinish(drop);
        if (!busy() && !files.empty())
            addPhotographs(files);
        return 0;
    }
    case progressMessage:
        SendMessageW(control(hwnd_, progressBar), PBM_SETRANGE32, 0, static_cast<LPARAM>(lParam));
        SendMessageW(control(hwnd_, progressBar), PBM_SETPOS, wParam, 0);
        return 0;
    case endedMessage:
        workEnded();
        return 0;
    case WM_SIZE:
        layOut();
        return 0;
    case WM_DPICHANGED: {
        const auto* suggested = reinterpret_cast<const RECT*>(lParam);
        SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
        layOut();
        return 0;
    }
    case WM_CLOSE:
        // Closing while a set is written stops the work: what it wrote so
        // far is removed, and the old set stays.
        cancelled_ = true;
        if (worker_.joinable())
            worker_.join();
        DestroyWindow(hwnd_);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(hwnd_, message, wParam, lParam);
    }
}

void PatientWindow::command(int id)
{
    switch (id) {
    case openButton:
        return chooseDiscFolder();
    case newButton:
        return chooseNewDiscFolder();
    case addButton:
        return choosePhotographs();
    case removeButton:
        return removeSelected();
    case sideBox:
    case setBox:
        return applyChoice(id);
    case writeButton:
        return writeSets();
    case stickButton:
        return chooseStick();
    case cancelButton:
        cancelled_ = true;
        EnableWindow(control(hwnd_, cancelButton), FALSE);
        return;
    default:
        return;
    }
}

void PatientWindow::enableActions()
{
    for (const int id : {openButton, newButton, addButton, removeButton, photographList, sideBox, setBox})
        EnableWindow(control(hwnd_, id), !busy());
    const bool disc = !discFolder_.empty() && !busy();
    EnableWindow(control(hwnd_, writeButton), disc);
    EnableWindow(control(hwnd_, stickButton), disc);
}

void PatientWindow::runInBackground(const std::string& doing, Work work, std::function<void()> succeeded)
{
    // One piece of work at a time.
    if (busy())
        return;
    cancelled_ = false;
    succeeded_ = std::move(succeeded);
    setText(hwnd_, statusLabel, doing);
    SendMessageW(control(hwnd_, progressBar), PBM_SETPOS, 0, 0);
    ShowWindow(control(hwnd_, progressBar), SW_SHOW);
    EnableWindow(control(hwnd_, cancelButton), TRUE);
    ShowWindow(control(hwnd_, cancelButton), SW_SHOW);
    const HWND window = hwnd_;
    worker_ = std::thread([this, window, work = std::move(work)] {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        const std::string error = work([this, window](int done, int total) {
            PostMessageW(window, progressMessage, static_cast<WPARAM>(done), static_cast<LPARAM>(total));
            return !cancelled_;
        });
        {
            const std::lock_guard lock(resultMutex_);
            result_ = error;
        }
        CoUninitialize();
        PostMessageW(window, endedMessage, 0, 0);
    });
    enableActions();
}

void PatientWindow::workEnded()
{
    if (worker_.joinable())
        worker_.join();
    ShowWindow(control(hwnd_, progressBar), SW_HIDE);
    ShowWindow(control(hwnd_, cancelButton), SW_HIDE);
    setText(hwnd_, statusLabel, "");
    enableActions();
    std::string error;
    {
        const std::lock_guard lock(resultMutex_);
        error.swap(result_);
    }
    const auto succeeded = std::exchange(succeeded_, nullptr);
    if (!error.empty())
        warn(error);
    else if (succeeded)
        succeeded();
}

void PatientWindow::openDiscFolder(const fs::path& folder)
{
    if (const std::string problem = discFolderProblem(folder); !problem.empty()) {
        warn(problem);
        return;
    }
    std::error_code error;
    discFolder_ = fs::absolute(folder, error);
    setText(hwnd_, discLabel, "Dossier du disque : " + utf8Of(discFolder_));
    enableActions();
    showSets();
}

void PatientWindow::makeNewDiscFolder(const fs::path& source, const fs::path& target)
{
    runInBackground(
        "Copie du disque…", [source, target](const Progress& progress) { return copyDisc(source, target, progress); },
        [this, target] {
            openDiscFolder(target);
            setText(hwnd_, statusLabel, "Le disque a été copié dans " + utf8Of(target) + ".");
        });
}

void PatientWindow::addPhotographs(const std::vector<fs::path>& paths)
{
    struct Read {
        std::vector<std::pair<fs::path, Pixels>> thumbnails;
        std::string problems;
    };
    auto read = std::make_shared<Read>();
    runInBackground(
        "Lecture des photographies…",
        [paths, read](const Progress& progress) -> std::string {
            WicPictureCodec codec;
            int done = 0;
            for (const fs::path& path : paths) {
                Photograph thumbnail = readPhotograph(path, codec, thumbnailWidth, thumbnailHeight);
                if (thumbnail.error.empty())
                    read->thumbnails.emplace_back(path, std::move(thumbnail.pixels));
                else
                    read->problems += thumbnail.error + "\n";
                if (!progress(++done, static_cast<int>(paths.size())))
                    break;
            }
            return {};
        },
        [this, read] {
            const HWND list = control(hwnd_, photographList);
            for (auto& [path, pixels] : read->thumbnails) {
                Row row{path};
                // A new photograph goes to the set of the one before it.
                if (!rows_.empty())
                    row.set = rows_.back().set;
                rows_.push_back(row);
                const HBITMAP bitmap = thumbnailBitmap(pixels);
                const int image = bitmap ? ImageList_Add(thumbnails_, bitmap, nullptr) : -1;
                if (bitmap)
                    DeleteObject(bitmap);
                const std::wstring name = path.filename().wstring();
                LVITEMW item{};
                item.mask = LVIF_TEXT | LVIF_IMAGE;
                item.iItem = static_cast<int>(rows_.size() - 1);
                item.pszText = const_cast<wchar_t*>(name.c_str());
                item.iImage = image;
                ListView_InsertItem(list, &item);
                showRow(static_cast<int>(rows_.size() - 1));
            }
            if (!read->problems.empty())
                warn("Ces fichiers n'ont pas été ajoutés :\n" + read->problems);
        });
}

void PatientWindow::showRow(int row)
{
    const HWND list = control(hwnd_, photographList);
    const Row& r = rows_[static_cast<std::size_t>(row)];
    std::wstring side = widen(sideWord(r.side));
    std::wstring set = widen(setTitle(patientSets()[r.set]));
    ListView_SetItemText(list, row, 1, side.data());
    ListView_SetItemText(list, row, 2, set.data());
}

// The side or set chosen applies to every selected photograph.
void PatientWindow::applyChoice(int id)
{
    const int choice = static_cast<int>(SendMessageW(control(hwnd_, id), CB_GETCURSEL, 0, 0));
    if (choice < 0)
        return;
    const HWND list = control(hwnd_, photographList);
    for (int row = ListView_GetNextItem(list, -1, LVNI_SELECTED); row >= 0;
         row = ListView_GetNextItem(list, row, LVNI_SELECTED)) {
        Row& r = rows_[static_cast<std::size_t>(row)];
        if (id == sideBox)
            r.side = choice == 1 ? Side::right : Side::left;
        else
            r.set = static_cast<std::size_t>(choice);
        showRow(row);
    }
}

void PatientWindow::removeSelected()
{
    const HWND list = control(hwnd_, photographList);
    for (int row = ListView_GetItemCount(list) - 1; row >= 0; --row) {
        if (ListView_GetItemState(list, row, LVIS_SELECTED)) {
            ListView_DeleteItem(list, row);
            rows_.erase(rows_.begin() + row);
        }
    }
}

void PatientWindow::writeSets()
{
    if (discFolder_.empty()) {
        warn("Choisissez d'abord le dossier du disque.");
        return;
    }
    SetChoices chosen;
    for (const Row& row : rows_)
        chosen[row.set].push_back({row.path, row.side});
    const WritePlan plan = planWrite(discFolder_, chosen);
    if (!plan.problem.empty()) {
        warn(plan.problem);
        return;
    }
    if (!ask("Écrire ces jeux dans " + utf8Of(discFolder_) + " ?\n\n" + plan.summary +
                 "Les jeux sans photographie ne sont pas touchés.",
             !plan.replacing))
        return;

    // Whatever happened, the sets are shown as they now are.
    auto written = std::make_shared<SetsWritten>();
    runInBackground(
        "Écriture des jeux…",
        [disc = discFolder_, chosen, written](const Progress& progress) -> std::string {
            WicPictureCodec codec;
            *written = writePatientSets(disc, chosen, codec, progress);
            return {};
        },
        [this, written] {
            showSets();
            setText(hwnd_, statusLabel, writtenStatus(*written));
            if (!written->message.empty())
                warn(written->message);
        });
}

void PatientWindow::copyToStick(const fs::path& stickRoot)
{
    runInBackground(
        "Copie du disque sur la clé…",
        [disc = discFolder_, stickRoot](const Progress& progress) { return copyDiscToStick(disc, stickRoot, progress); },
        [this, stickRoot] {
            setText(hwnd_, statusLabel,
                    "Le disque a été copié sur la clé " + utf8Of(stickRoot) + " : le programme la trouvera comme un CD.");
        });
}

void PatientWindow::chooseDiscFolder()
{
    const fs::path folder = chooseFolder(hwnd_, L"Dossier du disque");
    if (!folder.empty())
        openDiscFolder(folder);
}

void PatientWindow::chooseNewDiscFolder()
{
    // The demo disc beside the program, as the installer puts it.
    wchar_t program[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, program, MAX_PATH);
    const fs::path here = fs::path(program).parent_path();
    const std::vector<SourceDisc> discs = sourceDiscs({here / L"demo-disc", here / L"disque-de-demonstration"});
    if (discs.empty()) {
        warn("Aucun disque d'images trouvé : mettez le disque dans le lecteur (ou branchez la clé qui en a une copie), "
             "attendez qu'il apparaisse, puis recommencez.");
        return;
    }
    std::vector<std::string> names;
    for (const SourceDisc& disc : discs)
        names.push_back(disc.name);
    const int chosen = chooseAmong(hwnd_, "Copier quel disque dans un nouveau dossier ?", names);
    if (chosen < 0)
        return;
    const fs::path parent = chooseFolder(hwnd_, L"Où créer le nouveau dossier du disque ?");
    if (parent.empty())
        return;
    makeNewDiscFolder(discs[static_cast<std::size_t>(chosen)].folder, newDiscFolderIn(parent));
}

void PatientWindow::choosePhotographs()
{
    std::wstring files(32 * 1024, L'\0');
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = hwnd_;
    dialog.lpstrFilter = L"Photographies (JPEG, PNG, HEIC)\0*.jpg;*.jpeg;*.png;*.heic\0";
    dialog.lpstrFile = files.data();
    dialog.nMaxFile = static_cast<DWORD>(files.size());
    dialog.lpstrTitle = L"Photographies du patient";
    dialog.Flags = OFN_ALLOWMULTISELECT | OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
    if (!GetOpenFileNameW(&dialog))
        return;
    // One file: its full path; several: the folder, then each name.
    std::vector<std::wstring> parts;
    for (const wchar_t* part = files.c_str(); *part; part += wcslen(part) + 1)
        parts.emplace_back(part);
    std::vector<fs::path> paths;
    if (parts.size() == 1)
        paths.emplace_back(parts.front());
    for (std::size_t i = 1; i < parts.size(); ++i)
        paths.push_back(fs::path(parts.front()) / parts[i]);
    addPhotographs(paths);
}

void PatientWindow::chooseStick()
{
    // Sticks are seen wherever Windows has them: none listed is none there.
    const StickChoice choice = stickChoice();
    if (choice.sticks.empty()) {
        warn(choice.none);
        return;
    }
    std::vector<std::string> names;
    for (const Stick& stick : choice.sticks)
        names.push_back(stick.name);
    const int chosen = chooseAmong(hwnd_, choice.question, names);
    if (chosen >= 0)
        copyToStick(choice.sticks[static_cast<std::size_t>(chosen)].root);
}

void PatientWindow::showSets()
{
    for (std::size_t i = 0; i < patientSetCount; ++i)
        SetWindowTextW(setLabels_[i],
                       widen(setTitle(patientSets()[i]) + " : " + describeSet(inspectSet(discFolder_, patientSets()[i].name)))
                           .c_str());
}

void PatientWindow::warn(const std::string& text)
{
    showMessageBox(hwnd_, text);
}

bool PatientWindow::ask(const std::string& question, bool yesByDefault)
{
    TASKDIALOG_BUTTON buttons[] = {{IDYES, L"&Écrire"}, {IDNO, L"&Ne pas écrire"}};
    const std::wstring content = widen(question);
    TASKDIALOGCONFIG config{};
    config.cbSize = sizeof config;
    config.hwndParent = hwnd_;
    config.dwFlags = TDF_ALLOW_DIALOG_CANCELLATION;
    config.pszWindowTitle = boxTitle;
    config.pszContent = content.c_str();
    config.cButtons = 2;
    config.pButtons = buttons;
    config.nDefaultButton = yesByDefault ? IDYES : IDNO;
    int pressed = 0;
    return SUCCEEDED(TaskDialogIndirect(&config, &pressed, nullptr, nullptr)) && pressed == IDYES;
}

int runPatientWindow()
{
    PatientWindow window;
    ShowWindow(window.handle(), SW_SHOWNORMAL);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageW(window.handle(), &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return 0;
}

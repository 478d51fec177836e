// The test robot: runs inside the same Wine prefix as the uninstaller, finds its windows, reads
// what a user would see (texts, ids, classes, styles, positions, focus), presses the buttons that
// keys cannot reach and answers the stop question. Its arguments are a list of commands, done in
// order; each check prints "ok:" or "FAIL:", and the exit code is 0 only when every check passed.
//
//   run [--temp DIR] [--timeout MS] EXE ARGS...   start EXE, wait, exit with its exit code
//   wait-page N | expect-page N | check-page N | check-main | expect-focus ID
//   click ID | close | question | answer yes|no | expect-no-question MS
//   reg-set KEY NAME DATA | reg-expect KEY NAME present|absent   (NAME "-": the key itself)
//   reg-clear KEY | template-hidden EXE | xid
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

namespace {

int Failures = 0;

void Check(bool good, const std::string& what)
{
    std::printf("%s %s\n", good ? "ok:" : "FAIL:", what.c_str());
    std::fflush(stdout);
    if (!good) {
        ++Failures;
    }
}

[[noreturn]] void Abort(const std::string& what)
{
    std::printf("FAIL: %s\n", what.c_str());
    std::fflush(stdout);
    std::exit(2);
}

std::string Hex(unsigned long value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", value);
    return text;
}

std::string ClassOf(HWND window)
{
    char name[256] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

std::string TextOf(HWND window)
{
    char text[512] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

bool SameText(const std::string& a, const std::string& b)
{
    return lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

// The uninstaller's main window: a top-level window of its class with its caption.
HWND FindMainWindow()
{
    return FindWindowA("Uninstall", "Uninstall");
}

HWND FindPage(HWND main)
{
    return main ? FindWindowExA(main, nullptr, "Uninstall", nullptr) : nullptr;
}

// Which page is on screen, told by a control that only that page has: 1, 2, 3, or 0.
int PageNumber(HWND page)
{
    if (!page) {
        return 0;
    }
    if (GetDlgItem(page, 1011)) {
        return 1;
    }
    if (GetDlgItem(page, 1017)) {
        return 2;
    }
    return GetDlgItem(page, 1018) ? 3 : 0;
}

DWORD ThreadOf(HWND window)
{
    return GetWindowThreadProcessId(window, nullptr);
}

HWND FocusOf(HWND window)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(ThreadOf(window), &info)) {
        return nullptr;
    }
    return info.hwndFocus;
}

// Polls `ready` every 50 ms for at most `limit` ms.
template <typename Ready>
bool WaitFor(DWORD limit, Ready ready)
{
    for (DWORD start = GetTickCount();;) {
        if (ready()) {
            return true;
        }
        if (GetTickCount() - start > limit) {
            return false;
        }
        Sleep(50);
    }
}

HWND RequireMainWindow()
{
    HWND main = FindMainWindow();
    if (!main) {
        Abort("the main window is not there");
    }
    return main;
}

// A page counts as open once its page operation has put the focus inside it: its texts are
// written by then, and its message loop is about to run.
void WaitPage(int number)
{
    bool open = WaitFor(15000, [number] {
        HWND page = FindPage(FindMainWindow());
        HWND focus = page ? FocusOf(page) : nullptr;
        return PageNumber(page) == number && focus && GetParent(focus) == page;
    });
    if (!open) {
        HWND main = FindMainWindow();
        Abort("page " + std::to_string(number) + " did not open (main window " +
              (main ? "there" : "gone") + ", page on screen " +
              std::to_string(PageNumber(FindPage(main))) + ")");
    }
    Check(true, "page " + std::to_string(number) + " is open");
}

INT_PTR CALLBACK PlainDialogProc(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

// Dialog units to pixels, by the system's own rule, on a dialog of ours in the same font.
struct DialogUnits {
    HWND reference = nullptr;

    DialogUnits()
    {
        // DLGTEMPLATE: style, extended style, item count, x, y, cx, cy; then menu, class,
        // caption, point size and face name.
        static const wchar_t face[] = L"MS Sans Serif";
        alignas(4) WORD buffer[64] = {};
        DWORD style = WS_POPUP | DS_SETFONT;
        std::memcpy(buffer, &style, sizeof style);
        buffer[7] = 250;
        buffer[8] = 170;
        buffer[12] = 8;
        std::memcpy(&buffer[13], face, sizeof face);
        reference = CreateDialogIndirectParamA(GetModuleHandleA(nullptr),
                                               reinterpret_cast<LPCDLGTEMPLATEA>(buffer),
                                               nullptr, PlainDialogProc, 0);
        if (!reference) {
            Abort("the reference dialog for dialog units could not be made");
        }
    }
    ~DialogUnits() { DestroyWindow(reference); }

    // Position and size are converted each on its own, as the dialog manager places controls:
    // the right edge is the converted left plus the converted width.
    RECT Pixels(int left, int top, int width, int height) const
    {
        RECT units = {left, top, width, height};
        MapDialogRect(reference, &units);
        return {units.left, units.top, units.left + units.right, units.top + units.bottom};
    }
};

// The window's style as its template gave it, less the bits that the system adds to every
// top-level window and every dialog (clipping of siblings, the 3-D look).
DWORD StyleOf(HWND window)
{
    DWORD style = static_cast<DWORD>(GetWindowLongPtrA(window, GWL_STYLE));
    if (!(style & WS_CHILD)) {
        style &= ~WS_CLIPSIBLINGS;
    }
    return ClassOf(window) == "Uninstall" ? style & ~DS_3DLOOK : style;
}

// Likewise: the dialog manager marks every control it makes as not notifying its parent, and a
// top-level dialog as a parent of controls; the system gives a captioned window its edge.
DWORD ExtendedStyleOf(HWND window)
{
    DWORD style = static_cast<DWORD>(GetWindowLongPtrA(window, GWL_EXSTYLE));
    return style & ~(WS_EX_NOPARENTNOTIFY | WS_EX_CONTROLPARENT | WS_EX_WINDOWEDGE |
                     WS_EX_DLGMODALFRAME);
}

std::string Describe(const RECT& r)
{
    return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" +
           std::to_string(r.right) + "," + std::to_string(r.bottom) + ")";
}

bool SameRect(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

RECT RectInParent(HWND window)
{
    RECT rect;
    GetWindowRect(window, &rect);
    MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

struct Control {
    int id;
    const char* className;
    DWORD style;
    const char* text;
    int left, top, width, height;
};

const DWORD PushButton = 0x50010000;
const DWORD DefaultButton = 0x50010001;
const DWORD TextLine = 0x50020000;

const Control Prompt1Controls[] = {
    {2, "Button", PushButton, "Cancel", 146, 140, 43, 14},
    {1, "Button", DefaultButton, "Continue...", 193, 140, 43, 14},
    {1011, "Static", TextLine, "This program will remove Kestova's Vantrel from your computer",
     15, 15, 220, 33},
    {1012, "Static", TextLine, "", 15, 52, 220, 33},
    {1013, "Static", TextLine, "", 15, 89, 220, 33},
};

const Control Prompt2Controls[] = {
    {1017, "Button", PushButton, "Back", 98, 142, 43, 14},
    {2, "Button", PushButton, "Cancel", 144, 142, 43, 14},
    {1, "Button", DefaultButton, "Continue", 191, 142, 43, 14},
    {1016, "Static", TextLine, "", 15, 86, 220, 33},
    {1015, "Static", TextLine, "Click on Continue to commence.", 15, 49, 220, 33},
    {1014, "Static", TextLine, "You are now ready to remove Vantrel.", 15, 12, 220, 33},
};

const Control Prompt3Controls[] = {
    {1, "Button", DefaultButton, "OK", 191, 143, 43, 14},
    {1018, "Static", TextLine, "", 15, 15, 220, 33},
    {1019, "Static", TextLine, "The removal of Vantrel is now complete.", 15, 52, 220, 33},
    {1020, "Static", TextLine, "Click on OK to finish this program", 15, 89, 220, 33},
};

// The page's controls, in z-order (which is the template's order), each as the table says.
void CheckPage(int number)
{
    const Control* table = number == 1 ? Prompt1Controls : number == 2 ? Prompt2Controls
                                                                       : Prompt3Controls;
    size_t count = number == 1 ? std::size(Prompt1Controls)
                 : number == 2 ? std::size(Prompt2Controls) : std::size(Prompt3Controls);
    HWND main = RequireMainWindow();
    HWND page = FindPage(main);
    std::string name = "page " + std::to_string(number);
    if (PageNumber(page) != number) {
        Abort(name + " is not on screen");
    }
    DialogUnits units;

    Check(ClassOf(page) == "Uninstall", name + ": class \"" + ClassOf(page) + "\"");
    Check(TextOf(page).empty(), name + ": empty caption");
    DWORD style = StyleOf(page);
    Check(style == (WS_CHILD | WS_VISIBLE | DS_SETFONT), name + ": style " + Hex(style));
    Check(ExtendedStyleOf(page) == 0, name + ": no extended style (" +
                                          Hex(ExtendedStyleOf(page)) + ")");
    RECT client;
    GetClientRect(main, &client);
    Check(SameRect(RectInParent(page), client),
          name + ": covers the main window's client area " + Describe(client));

    HWND child = GetWindow(page, GW_CHILD);
    for (size_t i = 0; i < count; ++i, child = child ? GetWindow(child, GW_HWNDNEXT) : nullptr) {
        const Control& want = table[i];
        std::string control = name + " control " + std::to_string(i + 1);
        if (!child) {
            Check(false, control + " (id " + std::to_string(want.id) + ") is missing");
            continue;
        }
        int id = GetDlgCtrlID(child);
        Check(id == want.id, control + ": id " + std::to_string(id) + ", want " +
                                 std::to_string(want.id));
        Check(SameText(ClassOf(child), want.className),
              control + ": class \"" + ClassOf(child) + "\"");
        DWORD got = StyleOf(child);
        Check(got == want.style, control + ": style " + Hex(got) + ", want " + Hex(want.style));
        Check(ExtendedStyleOf(child) == 0,
              control + ": no extended style (" + Hex(ExtendedStyleOf(child)) + ")");
        Check(TextOf(child) == want.text, control + ": text \"" + TextOf(child) + "\"");
        RECT expected = units.Pixels(want.left, want.top, want.width, want.height);
        RECT actual = RectInParent(child);
        Check(SameRect(actual, expected),
              control + ": at " + Describe(actual) + ", want " + Describe(expected));
    }
    Check(child == nullptr, name + ": no further controls");
}

void CheckMain()
{
    HWND main = RequireMainWindow();
    DialogUnits units;
    Check(ClassOf(main) == "Uninstall", "main window: class \"" + ClassOf(main) + "\"");
    Check(TextOf(main) == "Uninstall", "main window: caption \"" + TextOf(main) + "\"");
    Check(GetParent(main) == nullptr && GetWindow(main, GW_OWNER) == nullptr,
          "main window: no parent, no owner");
    DWORD style = StyleOf(main);
    DWORD want = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE | DS_CENTER | DS_SETFONT;
    Check(style == want, "main window: style " + Hex(style) + ", want " + Hex(want) +
                             " (no minimise or maximise box, no sizing border)");
    Check(ExtendedStyleOf(main) == 0, "main window: no extended style (" +
                                          Hex(ExtendedStyleOf(main)) + ")");

    RECT client;
    GetClientRect(main, &client);
    RECT expected = units.Pixels(0, 0, 250, 170);
    Check(SameRect(client, expected),
          "main window: client area " + Describe(client) + ", want " + Describe(expected));

    // Centred on the work area; the system may round the half pixel either way.
    RECT frame, work;
    GetWindowRect(main, &frame);
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    long dx = (frame.left + frame.right) - (work.left + work.right);
    long dy = (frame.top + frame.bottom) - (work.top + work.bottom);
    Check(std::labs(dx) <= 2 && std::labs(dy) <= 2,
          "main window: centred, window " + Describe(frame) + " on work area " + Describe(work));
}

void ExpectFocus(int id)
{
    HWND main = RequireMainWindow();
    HWND focus = nullptr;
    // Focus moves after the key press has been handled; allow the program a moment.
    WaitFor(3000, [&] {
        focus = FocusOf(main);
        return focus && GetDlgCtrlID(focus) == id && GetParent(focus) == FindPage(main);
    });
    std::string got = focus ? std::to_string(GetDlgCtrlID(focus)) + " \"" + TextOf(focus) + "\""
                            : "nothing";
    Check(focus && GetDlgCtrlID(focus) == id && GetParent(focus) == FindPage(main),
          "focus on control " + std::to_string(id) + " (it is on " + got + ")");
}

// Posted, not sent: the click may open the stop question, whose modal loop would otherwise
// hold this robot until the question is answered.
void Click(int id)
{
    HWND page = FindPage(RequireMainWindow());
    HWND button = page ? GetDlgItem(page, id) : nullptr;
    if (!button) {
        Abort("no control " + std::to_string(id) + " to click");
    }
    PostMessageA(button, BM_CLICK, 0, 0);
    Check(true, "clicked control " + std::to_string(id));
}

struct QuestionSearch {
    HWND found;
};

BOOL CALLBACK FindQuestion(HWND window, LPARAM data)
{
    if (ClassOf(window) == "#32770" && IsWindowVisible(window)) {
        reinterpret_cast<QuestionSearch*>(data)->found = window;
        return FALSE;
    }
    return TRUE;
}

// The stop question: a message box of the program's own thread.
HWND FindQuestionBox(HWND main)
{
    QuestionSearch search = {nullptr};
    EnumThreadWindows(ThreadOf(main), FindQuestion, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

BOOL CALLBACK CollectChild(HWND window, LPARAM data)
{
    reinterpret_cast<std::vector<HWND>*>(data)->push_back(window);
    return TRUE;
}

HWND WaitQuestion()
{
    HWND main = RequireMainWindow();
    HWND box = nullptr;
    if (!WaitFor(10000, [&] { return (box = FindQuestionBox(main)) != nullptr; })) {
        Abort("the stop question did not appear");
    }
    return box;
}

// The stop question as the user sees it: caption, text, icon, and the buttons Yes and No.
void Question()
{
    HWND main = RequireMainWindow();
    HWND box = WaitQuestion();
    Check(TextOf(box) == "Uninstall", "question: caption \"" + TextOf(box) + "\"");
    Check(GetAncestor(GetWindow(box, GW_OWNER), GA_ROOT) == main,
          "question: owned by the main window");

    std::vector<HWND> children;
    EnumChildWindows(box, CollectChild, reinterpret_cast<LPARAM>(&children));
    std::vector<std::string> texts;
    std::vector<int> buttons;
    bool icon = false;
    for (HWND child : children) {
        if (!IsWindowVisible(child)) {
            continue;
        }
        if (SameText(ClassOf(child), "Button")) {
            buttons.push_back(GetDlgCtrlID(child));
        } else if (SameText(ClassOf(child), "Static")) {
            if ((GetWindowLongPtrA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
                icon = true;
            } else if (!TextOf(child).empty()) {
                texts.push_back(TextOf(child));
            }
        }
    }
    Check(texts.size() == 1 && texts[0] == "Do you want to stop uninstallation?",
          "question: text \"" + (texts.empty() ? std::string() : texts[0]) + "\"");
    Check(icon, "question: shows an icon");
    Check(buttons.size() == 2 && GetDlgItem(box, IDYES) && GetDlgItem(box, IDNO) &&
              IsWindowVisible(GetDlgItem(box, IDYES)) && IsWindowVisible(GetDlgItem(box, IDNO)),
          "question: exactly the buttons Yes and No (" + std::to_string(buttons.size()) +
              " buttons)");
    Check(TextOf(GetDlgItem(box, IDYES)) == "&Yes" && TextOf(GetDlgItem(box, IDNO)) == "&No",
          "question: buttons read \"" + TextOf(GetDlgItem(box, IDYES)) + "\" and \"" +
              TextOf(GetDlgItem(box, IDNO)) + "\"");
}

void Answer(const std::string& answer)
{
    HWND box = WaitQuestion();
    HWND button = GetDlgItem(box, answer == "yes" ? IDYES : IDNO);
    PostMessageA(button, BM_CLICK, 0, 0);
    bool closed = WaitFor(10000, [&] { return !IsWindow(box); });
    Check(closed, "question answered " + answer);
}

void ExpectNoQuestion(DWORD limit)
{
    HWND main = RequireMainWindow();
    bool appeared = WaitFor(limit, [&] { return FindQuestionBox(main) != nullptr; });
    Check(!appeared, "no question within " + std::to_string(limit) + " ms");
}

void ExpectPage(int number)
{
    int got = PageNumber(FindPage(FindMainWindow()));
    Check(got == number, "page on screen: " + std::to_string(got) + ", want " +
                             std::to_string(number));
}

HKEY RootOf(const std::string& key, std::string& rest)
{
    size_t slash = key.find('\\');
    std::string root = key.substr(0, slash);
    rest = slash == std::string::npos ? "" : key.substr(slash + 1);
    if (root == "HKCU") {
        return HKEY_CURRENT_USER;
    }
    if (root == "HKLM") {
        return HKEY_LOCAL_MACHINE;
    }
    Abort("unknown registry root " + root);
}

void RegSet(const std::string& key, const std::string& name, const std::string& data)
{
    std::string path;
    HKEY root = RootOf(key, path);
    HKEY handle;
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle,
                        nullptr) != ERROR_SUCCESS) {
        Abort("cannot create " + key);
    }
    if (name != "-") {
        RegSetValueExA(handle, name.c_str(), 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(data.c_str()),
                       static_cast<DWORD>(data.size() + 1));
    }
    RegCloseKey(handle);
}

void RegExpect(const std::string& key, const std::string& name, const std::string& state)
{
    std::string path;
    HKEY root = RootOf(key, path);
    HKEY handle;
    bool present = RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &handle) == ERROR_SUCCESS;
    if (present) {
        if (name != "-") {
            present = RegQueryValueExA(handle, name.c_str(), nullptr, nullptr, nullptr,
                                       nullptr) == ERROR_SUCCESS;
        }
        RegCloseKey(handle);
    }
    Check(present == (state == "present"),
          key + (name == "-" ? "" : " value " + name) + " is " + (present ? "present" : "absent"));
}

void RegClear(const std::string& key)
{
    std::string path;
    HKEY root = RootOf(key, path);
    RegDeleteTreeA(root, path.c_str());  // the key and all below it; absent is fine
}

// The X window that Wine made for the main window, for key presses from the X side.
void PrintXWindow()
{
    HANDLE id = GetPropA(RequireMainWindow(), "__wine_x11_whole_window");
    if (!id) {
        Abort("the main window has no X window");
    }
    std::printf("%llu\n", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(id)));
}

// The main window's template must not be visible by itself: the program shows it with the
// show command it was started with.
void TemplateHidden(const std::string& exe)
{
    HMODULE module = LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    HRSRC found = module ? FindResourceA(module, "Uninstall", MAKEINTRESOURCEA(5)) : nullptr;
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    if (!loaded) {
        Abort("no dialog template \"Uninstall\" in " + exe);
    }
    DWORD style;
    std::memcpy(&style, LockResource(loaded), sizeof style);
    Check((style & WS_VISIBLE) == 0, "the main window's template lacks WS_VISIBLE (" +
                                         Hex(style) + ")");
    FreeLibrary(module);
}

// In double quotes, by the runtime's splitting rule: backslashes before the closing quote are
// doubled so that they stay backslashes.
std::string Quoted(const std::string& argument)
{
    size_t last = argument.find_last_not_of('\\');
    size_t trailing = last == std::string::npos ? argument.size() : argument.size() - last - 1;
    return "\"" + argument + std::string(trailing, '\\') + "\"";
}

// Starts the program as a user's shell would, waits for its end and passes its exit code on.
int Run(int argc, char** argv, int at)
{
    std::string temp;
    DWORD limit = 60000;
    for (; at + 1 < argc; at += 2) {
        if (std::strcmp(argv[at], "--temp") == 0) {
            temp = argv[at + 1];
        } else if (std::strcmp(argv[at], "--timeout") == 0) {
            limit = std::strtoul(argv[at + 1], nullptr, 10);
        } else {
            break;
        }
    }
    if (at >= argc) {
        Abort("run: no program given");
    }
    if (!temp.empty()) {
        SetEnvironmentVariableA("TMP", temp.c_str());
        SetEnvironmentVariableA("TEMP", temp.c_str());
    }
    std::string line = Quoted(argv[at]);
    for (int i = at + 1; i < argc; ++i) {
        line += " " + Quoted(argv[i]);
    }
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::vector<char> buffer(line.begin(), line.end());
    buffer.push_back('\0');
    DWORD started = GetTickCount();
    if (!CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        Abort("cannot start " + line);
    }
    if (WaitForSingleObject(process.hProcess, limit) != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, 99);
        Abort("the program did not end within " + std::to_string(limit) + " ms");
    }
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    std::printf("exit code %lu after %lu ms\n", code, GetTickCount() - started);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(code);
}

int Number(const char* text)
{
    return std::atoi(text);
}

}  // namespace

int main(int argc, char** argv)
{
    for (int at = 1; at < argc;) {
        std::string command = argv[at++];
        auto argument = [&]() -> std::string {
            if (at >= argc) {
                Abort(command + ": missing argument");
            }
            return argv[at++];
        };
        if (command == "run") {
            return Run(argc, argv, at);
        } else if (command == "wait-page") {
            WaitPage(Number(argument().c_str()));
        } else if (command == "expect-page") {
            ExpectPage(Number(argument().c_str()));
        } else if (command == "check-page") {
            CheckPage(Number(argument().c_str()));
        } else if (command == "check-main") {
            CheckMain();
        } else if (command == "expect-focus") {
            ExpectFocus(Number(argument().c_str()));
        } else if (command == "click") {
            Click(Number(argument().c_str()));
        } else if (command == "close") {
            PostMessageA(RequireMainWindow(), WM_CLOSE, 0, 0);
            Check(true, "asked the main window to close");
        } else if (command == "question") {
            Question();
        } else if (command == "answer") {
            Answer(argument());
        } else if (command == "expect-no-question") {
            ExpectNoQuestion(Number(argument().c_str()));
        } else if (command == "reg-set") {
            std::string key = argument(), name = argument();
            RegSet(key, name, argument());
        } else if (command == "reg-expect") {
            std::string key = argument(), name = argument();
            RegExpect(key, name, argument());
        } else if (command == "reg-clear") {
            RegClear(argument());
        } else if (command == "xid") {
            PrintXWindow();
        } else if (command == "template-hidden") {
            TemplateHidden(argument());
        } else {
            Abort("unknown command " + command);
        }
    }
    return Failures == 0 ? 0 : 1;
}

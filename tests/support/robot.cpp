// The test robot. It runs in the uninstaller's Wine prefix and tells what key presses cannot:
// which page is open, where the focus is, and what the page and the stop question say. It also
// starts the program with a temporary directory of the scenario's choosing. Commands, in order:
//   run [--temp DIR] [--swap FILE] EXE ARGS...
//                                 start EXE, wait up to a minute, pass its exit code on; with
//                                 --swap, EXE is started suspended, moved to EXE.old and FILE
//                                 copied to its name before it runs: a user who may rename in
//                                 its folder, winning the race to the program's first look
// (every wait here is stretched by UNINSTALL_WAIT_FACTOR, where the test command gives one)
//   expect TEXT [MS]              wait up to MS ms (15,000) until the state line holds TEXT
//   reads TEXT [MS]               the same, until the page reads TEXT whole, as told below
//   xid                           the X window for key presses: the question's, else the main's
//   hold PATH MS                  keep PATH open, shared for reading only, for MS ms (nobody
//                                 can write, rename or delete it meanwhile); a folder as one
//                                 adding a file to it, sharing nothing; says "holding"
//   lock                          take the uninstaller's run lock first, owned by the user's own
//                                 account, as a program of the user's that runs without elevation
//                                 makes it on Windows (Wine runs every program elevated)
//   rename FROM TO                rename by the system's own call, as any program would; says
//                                 "renamed" or "refused N" (N the system's error)
//   watch MS                      wait for the removal page (saying "watching" first); while it
//                                 is up, time how long the main window takes to answer whether
//                                 the session may end (each within MS ms; no, whenever the count
//                                 showed entries done before the question and some left after)
//                                 and collect the counts it shows (two at least: the bar moves)
//   ends yes|no                   the main window's answer to whether the session may end
//   unseen FIRST LAST             the same as watch for an unattended run, whose window is never
//                                 shown: no, whenever FIRST was gone before the question and LAST
//                                 still there after it (once at least)
// Started as a helper ("-u ..."), as the uninstaller would start a copy of itself planted under
// the copy's name, it only leaves its own path with ".ran" added: proof that it was run.
// The state line: "question=none|A|B|... page=N focus=NAME texts=A|B|...", the texts in
// z-order. What a page reads, "[A|B|...]": its texts that are not blank, as a user reads them,
// top to bottom and left to right, whatever the order of its template.
// A page counts as open (N > 0) once its page operation has put the focus inside it; the
// removal page, which takes no focus, is page 4 as soon as it exists.
#include <windows.h>

#include <sddl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "resources/ids.h"

// Where the program under test runs on an emulated CPU, everything it does takes longer: the
// test command then stretches every wait by the one factor it gives.
static DWORD Waited(DWORD ms)
{
    char factor[16] = "";
    DWORD times = 0;
    if (GetEnvironmentVariableA("UNINSTALL_WAIT_FACTOR", factor, sizeof factor) < sizeof factor)
        times = strtoul(factor, nullptr, 10);
    return ms * (times ? times : 1);
}

static std::string TextOf(HWND window)
{
    char text[512] = "";
    GetClassNameA(window, text, sizeof text);
    bool icon = lstrcmpiA(text, "Static") == 0 &&
                (GetWindowLongPtrA(window, GWL_STYLE) & SS_TYPEMASK) == SS_ICON;
    GetWindowTextA(window, text, sizeof text);
    return icon ? "(icon)" : text;
}

// The window's text, then its visible children's in z-order, which is their template's order.
static std::string Texts(HWND window)
{
    std::string texts = TextOf(window);
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        texts += IsWindowVisible(child) ? "|" + TextOf(child) : "";
    return texts;
}

static BOOL CALLBACK FindQuestion(HWND window, LPARAM found)
{
    char name[16] = "";
    GetClassNameA(window, name, sizeof name);
    if (strcmp(name, "#32770") == 0 && IsWindowVisible(window))
        *reinterpret_cast<HWND*>(found) = window;
    return TRUE;
}

// The stop question: a message box of the program's own thread; else a box shown on the desktop
// that no main window owns (a second run's). Only a shown one: a dialog that is not shown yet
// has no X window to take keys.
static HWND Question(HWND main)
{
    HWND found = nullptr;
    EnumThreadWindows(GetWindowThreadProcessId(main, nullptr), FindQuestion,
                      reinterpret_cast<LPARAM>(&found));
    if (!found)
        EnumWindows(FindQuestion, reinterpret_cast<LPARAM>(&found));
    return found;
}

static std::string State()
{
    HWND main = FindWindowA("Uninstall", "Uninstall");
    HWND page = FindWindowExA(main, nullptr, "Uninstall", nullptr), question = Question(main);
    GUITHREADINFO thread = {};
    thread.cbSize = sizeof thread;
    GetGUIThreadInfo(GetWindowThreadProcessId(main, nullptr), &thread);
    bool open = page && thread.hwndFocus && GetParent(thread.hwndFocus) == page;
    int number = GetDlgItem(page, ID_RM_BAR) ? 4 : !open ? 0 : GetDlgItem(page, ID_P1_LINE1) ? 1
                 : GetDlgItem(page, ID_BACK) ? 2 : 3;
    int focus = open ? GetDlgCtrlID(thread.hwndFocus) : 0;
    const char* name = focus == IDOK ? "ok" : focus == IDCANCEL ? "cancel"
                       : focus == ID_BACK ? "back" : "none";
    return "question=" + (question ? Texts(question) : "none") + " page=" + std::to_string(number) +
           " focus=" + name + " texts=" + (page ? Texts(page).erase(0, 1) : "");
}

static std::string Reading()
{
    HWND page = FindWindowExA(FindWindowA("Uninstall", "Uninstall"), nullptr, "Uninstall", nullptr);
    std::map<std::pair<LONG, LONG>, std::string> shown;
    RECT box;
    for (HWND child = GetWindow(page, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (IsWindowVisible(child) && GetWindowRect(child, &box) && !TextOf(child).empty())
            shown[{box.top, box.left}] = TextOf(child);
    std::string texts;
    for (const auto& text : shown)
        texts += (texts.empty() ? "" : "|") + text.second;
    return "[" + texts + "]";
}

static bool Expect(const std::string& text, DWORD limit, std::string (*now)() = State)
{
    std::string state = now();
    limit = Waited(limit);
    for (DWORD start = GetTickCount();
         state.find(text) == std::string::npos && GetTickCount() - start < limit; state = now())
        Sleep(50);
    bool good = state.find(text) != std::string::npos;
    printf("%s expect \"%s\": %s\n", good ? "ok:" : "FAIL:", text.c_str(), state.c_str());
    return good;
}

// GetWindowTextA reads another process's window without a message, so it cannot wait on it.
static bool Watch(DWORD limit)
{
    printf("watching\n");
    fflush(stdout);
    bool seen = Expect("page=4", 15000);
    HWND main = FindWindowA("Uninstall", "Uninstall"), page;
    DWORD probes = 0, slowest = 0, during = 0, refused = 0;
    std::string counts, last;
    while ((page = FindWindowExA(main, nullptr, "Uninstall", nullptr)) &&
           GetDlgItem(page, ID_RM_BAR)) {
        char before[64] = "", count[64] = "";
        GetWindowTextA(GetDlgItem(page, ID_RM_COUNT), before, sizeof before);
        DWORD start = GetTickCount();
        DWORD_PTR result = 1;
        bool answered =
            SendMessageTimeoutA(main, WM_QUERYENDSESSION, 0, 0, SMTO_NORMAL, 5000, &result);
        slowest = std::max(slowest, answered ? GetTickCount() - start : 5000);
        ++probes;
        GetWindowTextA(GetDlgItem(page, ID_RM_COUNT), count, sizeof count);
        // The page shows the count before it answers: entries still to go after the answer were
        // still to go when it was given.
        unsigned doneBefore = 0, done = 0, total = 0;
        if (sscanf(before, "%u", &doneBefore) == 1 && doneBefore > 0 &&
            sscanf(count, "%u of %u", &done, &total) == 2 && done < total) {
            ++during;
            refused += answered && result == 0;
        }
        counts += count != last ? (last = count) + "; " : "";
        Sleep(20);
    }
    bool good = seen && probes >= 3 && slowest <= limit && counts.find(';') != counts.rfind(';') &&
                during > 0 && refused == during;
    printf("%s %lu probes, slowest answer %lu ms (limit %lu), the session's end refused %lu of "
           "%lu times during the removal, counts seen: %s\n",
           good ? "ok:" : "FAIL:", probes, slowest, limit, refused, during, counts.c_str());
    return good;
}

static bool Unseen(const char* first, const char* last)
{
    printf("watching\n");
    fflush(stdout);
    HWND main = nullptr;
    for (DWORD start = GetTickCount(); !main && GetTickCount() - start < Waited(15000); Sleep(20))
        main = FindWindowA("Uninstall", "Uninstall");
    DWORD during = 0, refused = 0;
    for (; IsWindow(main); Sleep(20)) {
        bool started = GetFileAttributesA(first) == INVALID_FILE_ATTRIBUTES;
        DWORD_PTR result = 1;
        bool answered =
            SendMessageTimeoutA(main, WM_QUERYENDSESSION, 0, 0, SMTO_NORMAL, 5000, &result);
        if (started && GetFileAttributesA(last) != INVALID_FILE_ATTRIBUTES) {
            ++during;
            refused += answered && result == 0;
        }
    }
    bool good = main && !IsWindowVisible(main) && during > 0 && refused == during;
    printf("%s the session's end refused %lu of %lu times during the removal\n",
           good ? "ok:" : "FAIL:", refused, during);
    return good;
}

// The uninstaller's run lock, made first and kept for as long as this robot runs, owned by the
// user's own account and open to it.
static bool LockAsUser()
{
    HANDLE token;
    union {
        TOKEN_USER user;
        char bytes[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    } given;
    DWORD size;
    char* sid = nullptr;
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, nullptr, FALSE};
    bool made = OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token) &&
                GetTokenInformation(token, TokenUser, &given, sizeof given, &size) &&
                ConvertSidToStringSidA(given.user.User.Sid, &sid);
    const std::string text = made ? "O:" + std::string(sid) + "D:(A;;GA;;;" + sid + ")" : "";
    made = made && ConvertStringSecurityDescriptorToSecurityDescriptorA(
                       text.c_str(), SDDL_REVISION_1, &attributes.lpSecurityDescriptor, nullptr) &&
           CreateMutexA(&attributes, FALSE, "Global\\Vantrel uninstall run") &&
           GetLastError() != ERROR_ALREADY_EXISTS;
    printf("%s the run lock, owned by %s\n", made ? "holding" : "FAIL: cannot take",
           sid ? sid : "?");
    return made;
}

// Starts the program as a user's shell would: each argument in double quotes, the backslashes
// before a closing quote doubled by the runtime's rule.
static int Run(int argc, char** argv, int at)
{
    const char* swap = nullptr;
    for (; at + 1 < argc && strcmp(argv[at], "--swap") == 0; at += 2)
        swap = argv[at + 1];
    for (; at + 1 < argc && strcmp(argv[at], "--temp") == 0; at += 2)
        SetEnvironmentVariableA("TMP", argv[at + 1]), SetEnvironmentVariableA("TEMP", argv[at + 1]);
    const std::string program = at < argc ? argv[at] : "";
    std::string line;
    for (std::string argument; at < argc; ++at) {
        argument = argv[at];
        size_t trailing = argument.size() - (argument.find_last_not_of('\\') + 1);
        line += (line.empty() ? "\"" : " \"") + argument + std::string(trailing, '\\') + "\"";
    }
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    DWORD start = GetTickCount(), code = 99;
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, swap ? CREATE_SUSPENDED : 0,
                        nullptr, nullptr, &startup, &process))
        printf("FAIL: cannot start, error %lu\n", GetLastError());
    else if (swap && (!MoveFileA(program.c_str(), (program + ".old").c_str()) ||
                      !CopyFileA(swap, program.c_str(), TRUE) ||
                      ResumeThread(process.hThread) == static_cast<DWORD>(-1))) {
        printf("FAIL: cannot swap, error %lu\n", GetLastError());
        TerminateProcess(process.hProcess, code);
    } else if (WaitForSingleObject(process.hProcess, Waited(60000)) != WAIT_OBJECT_0)
        TerminateProcess(process.hProcess, code);
    GetExitCodeProcess(process.hProcess, &code);
    printf("exit code %lu after %lu ms: %s\n", code, GetTickCount() - start, line.c_str());
    return static_cast<int>(code);
}

int main(int argc, char** argv)
{
    char own[MAX_PATH + 4] = "";
    if (argc > 1 && lstrcmpiA(argv[1], "-u") == 0 && GetModuleFileNameA(nullptr, own, MAX_PATH)) {
        HANDLE ran = CreateFileA(lstrcatA(own, ".ran"), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 0, nullptr);
        return CloseHandle(ran) ? 0 : 1;
    }
    bool good = true;
    for (int at = 1; at < argc; ++at) {
        const std::string command = argv[at];
        if (command == "run")
            return Run(argc, argv, at + 1);
        if (command == "xid") {
            HWND main = FindWindowA("Uninstall", "Uninstall"), question = Question(main);
            HANDLE window = GetPropA(question ? question : main, "__wine_x11_whole_window");
            printf("%llu\n", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(window)));
            good = good && window;
        } else if (command == "hold" && at + 2 < argc) {
            DWORD attributes = GetFileAttributesA(argv[at + 1]);
            bool folder = attributes != INVALID_FILE_ATTRIBUTES &&
                          (attributes & FILE_ATTRIBUTE_DIRECTORY);
            HANDLE held = CreateFileA(argv[at + 1],
                                      folder ? FILE_LIST_DIRECTORY | FILE_ADD_FILE : GENERIC_READ,
                                      folder ? 0 : FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      folder ? FILE_FLAG_BACKUP_SEMANTICS : 0, nullptr);
            good = held != INVALID_HANDLE_VALUE && good;
            printf("%s %s\n", held != INVALID_HANDLE_VALUE ? "holding" : "FAIL: cannot hold",
                   argv[at + 1]);
            fflush(stdout);
            Sleep(Waited(strtoul(argv[at + 2], nullptr, 10)));
            CloseHandle(held);
            at += 2;
        } else if (command == "ends" && at + 1 < argc) {
            DWORD_PTR result = 0;
            HWND main = FindWindowA("Uninstall", "Uninstall");
            bool answered =
                SendMessageTimeoutA(main, WM_QUERYENDSESSION, 0, 0, SMTO_NORMAL, 5000, &result);
            std::string said = !answered ? "no answer" : result ? "yes" : "no";
            good = said == argv[++at] && good;
            printf("%s may the session end: %s\n", said == argv[at] ? "ok:" : "FAIL:",
                   said.c_str());
        } else if (command == "unseen" && at + 2 < argc) {
            good = Unseen(argv[at + 1], argv[at + 2]) && good;
            at += 2;
        } else if (command == "lock") {
            good = LockAsUser() && good;
        } else if (command == "rename" && at + 2 < argc) {
            if (MoveFileExA(argv[at + 1], argv[at + 2], 0))
                printf("renamed\n");
            else
                printf("refused %lu\n", GetLastError());
            at += 2;
        } else if (command == "watch" && at + 1 < argc) {
            good = Watch(strtoul(argv[++at], nullptr, 10)) && good;
        } else if ((command == "expect" || command == "reads") && at + 1 < argc) {
            const std::string text = argv[++at];
            bool limited = at + 1 < argc && isdigit(argv[at + 1][0]), reads = command == "reads";
            DWORD limit = limited ? strtoul(argv[++at], nullptr, 10) : 15000;
            good = Expect(reads ? "[" + text + "]" : text, limit, reads ? Reading : State) && good;
        } else {
            good = printf("FAIL: unknown command %s\n", command.c_str()) < 0;
        }
    }
    fflush(stdout);
    return good ? 0 : 1;
}

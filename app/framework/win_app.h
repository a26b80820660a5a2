#pragma once
// The application object: started once by AfxWinMain, it sets itself up in InitInstance, then
// runs the message loop, calling OnIdle whenever the queue is empty, until its main window is
// destroyed. It also holds the application's name and its per-user profile.

#include <memory>
#include <string>
#include <string_view>

#include "app/framework/types.h"

namespace framework {

class CWnd;
class ProfileStore;

class CWinApp {
public:
    // Without a name the application takes string 57344 of its string table.
    explicit CWinApp(const char* appName = nullptr);
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // True to run the message loop, false to end at once.
    virtual bool InitInstance();
    // Called with 0, 1, 2 ... while the queue stays empty, as long as it returns true; the
    // count starts again at 0 after the next message. By default true for count 0 only.
    virtual bool OnIdle(long count);
    // The program's exit status; by default the quit message's code.
    virtual int ExitInstance();
    // The message loop; returns ExitInstance's result. While it runs, a termination signal
    // closes the main window as a user would, and the main window is guarded (loop_watchdog.h):
    // a loop that cannot end after a signal, a lost display or its window destroyed by another
    // program is ended from outside.
    virtual int Run();

    const std::string& AppName() const { return appName; }
    // The command line after the program's name, its arguments joined by blanks.
    const std::string& CommandLine() const { return commandLine; }
    void SetCommandLine(std::string line) { commandLine = std::move(line); }

    // Destroying the main window ends the message loop.
    CWnd* GetMainWnd() const { return mainWnd; }
    void SetMainWnd(CWnd* wnd) { mainWnd = wnd; }

    // The profile lives under `key`, then the application's name (see ProfilePath).
    void SetRegistryKey(std::string_view key);
    int GetProfileInt(std::string_view section, std::string_view entry, int defaultValue);
    std::string GetProfileString(std::string_view section, std::string_view entry, std::string_view defaultValue);
    bool WriteProfileInt(std::string_view section, std::string_view entry, int value);
    bool WriteProfileString(std::string_view section, std::string_view entry, std::string_view value);
    // One line on stderr if the profile could not be read in full.
    void ReportProfileProblems();
    ProfileStore& Profile();

private:
    std::string appName;
    std::string commandLine;
    std::string registryKey;
    std::unique_ptr<ProfileStore> profile;
    CWnd* mainWnd = nullptr;
    int quitCode = 0;
};

// The one application object of the process (the latest constructed), or nullptr.
CWinApp* AfxGetApp();

// The program's start: hands the command line to the application object, runs InitInstance
// and, when it succeeds, the message loop. Returns the exit status.
int AfxWinMain(int argc, char** argv);

}  // namespace framework

#include "app/framework/win_app.h"

#include "app/framework/profile_store.h"
#ifndef _WIN32
#include "app/framework/message_queue.h"
#endif
#include "app/framework/wnd.h"
#include "platform/resources.h"

namespace framework {
namespace {

constexpr unsigned kAppNameString = 57344;

CWinApp* currentApp = nullptr;

}  // namespace

CWinApp::CWinApp(const char* appName_) {
    if (appName_) {
        appName = appName_;
    } else {
        platform::LoadStringResource(kAppNameString, appName);
    }
    currentApp = this;
}

CWinApp::~CWinApp() {
    if (currentApp == this) currentApp = nullptr;
}

CWinApp* AfxGetApp() { return currentApp; }

bool CWinApp::InitInstance() { return true; }

bool CWinApp::OnIdle(long count) { return count < 1; }

int CWinApp::ExitInstance() { return quitCode; }

void CWinApp::SetRegistryKey(std::string_view key) {
    registryKey = key;
    profile.reset();
}

ProfileStore& CWinApp::Profile() {
    if (!profile) profile = std::make_unique<ProfileStore>(ProfilePath(registryKey, appName));
    return *profile;
}

int CWinApp::GetProfileInt(std::string_view section, std::string_view entry, int defaultValue) {
    return Profile().GetInt(section, entry, defaultValue);
}

std::string CWinApp::GetProfileString(std::string_view section, std::string_view entry, std::string_view defaultValue) {
    return Profile().GetString(section, entry, defaultValue);
}

bool CWinApp::WriteProfileInt(std::string_view section, std::string_view entry, int value) {
    return Profile().WriteInt(section, entry, value);
}

bool CWinApp::WriteProfileString(std::string_view section, std::string_view entry, std::string_view value) {
    return Profile().WriteString(section, entry, value);
}

void CWinApp::ReportProfileProblems() { Profile().ReportProblems(); }

int AfxWinMain(int argc, char** argv) {
    CWinApp* app = AfxGetApp();
    if (!app) return 1;
#ifndef _WIN32
    // From the start, before anything slow (the display, the graphics device): a termination
    // signal that comes while the saver starts closes it as soon as its loop runs.
    const TerminationSignals closeOnTermination;
#endif
    std::string line;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) line += ' ';
        line += argv[i];
    }
    app->SetCommandLine(std::move(line));
    if (!app->InitInstance()) {
        if (CWnd* wnd = app->GetMainWnd()) wnd->DestroyWindow();
        return app->ExitInstance();
    }
    return app->Run();
}

}  // namespace framework

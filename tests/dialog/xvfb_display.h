#pragma once
// A virtual X display of the test's own: started on a free display number, made the process's
// DISPLAY, and ended with the object.

#include <sys/types.h>

#include <string>

class XvfbDisplay {
public:
    XvfbDisplay();
    ~XvfbDisplay();
    XvfbDisplay(const XvfbDisplay&) = delete;
    XvfbDisplay& operator=(const XvfbDisplay&) = delete;

    bool Running() const { return pid > 0 && !name.empty(); }
    const std::string& Name() const { return name; }

private:
    pid_t pid = -1;
    std::string name;
};

// Runs a shell command with the test's display; true when it exits with status 0.
bool RunCommand(const std::string& command);
// Runs a shell command and returns what it prints on stdout.
std::string CommandOutput(const std::string& command);

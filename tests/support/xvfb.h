#pragma once
// A virtual display for tests that need one: Xvfb on a display number it picks itself,
// started at the first call, stopped when the test program ends. $DISPLAY then names it.

#include <string>
#include <vector>

namespace testsupport {

// The display name, or empty with the reason in `whyNot` (Xvfb not installed, or it did not
// start). Tests skip with that reason.
std::string StartVirtualDisplay(std::string& whyNot);

// A virtual display of a test's own, which the test may end under its clients: Xvfb on a free
// display number, running from construction until Stop or destruction. $DISPLAY is left as
// it is.
class PrivateDisplay {
public:
    PrivateDisplay();
    ~PrivateDisplay() { Stop(); }
    PrivateDisplay(const PrivateDisplay&) = delete;
    PrivateDisplay& operator=(const PrivateDisplay&) = delete;

    // The display name (":N"), or empty with the reason in WhyNot().
    const std::string& Name() const { return name; }
    const std::string& WhyNot() const { return reason; }
    // Ends the server (SIGTERM) and waits for it.
    void Stop();

private:
    std::string name;
    std::string reason;
    int pid = 0;
};

// Full path of `program` found on $PATH, or empty.
std::string FindProgram(const std::string& program);

// Runs `argv` with stdout captured; its exit status in `status` (-1 when it could not run).
std::string RunAndCapture(const std::vector<std::string>& argv, int& status);

}  // namespace testsupport

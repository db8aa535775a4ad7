#pragma once
// Keeps the computer from going to sleep while it is held: a sleep inhibitor lock of
// systemd-logind, taken over the system bus. Without logind (a container, a machine without a
// system bus) nothing is held and nothing fails.

#include <QString>

namespace vidlume {

class CSleepInhibitor {
public:
    explicit CSleepInhibitor(const QString& why);
    ~CSleepInhibitor();
    CSleepInhibitor(const CSleepInhibitor&) = delete;
    CSleepInhibitor& operator=(const CSleepInhibitor&) = delete;

    bool IsHeld() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

// Asks systemd-logind to turn the computer off. False when it cannot be asked or refuses.
bool PowerOffComputer();

} // namespace vidlume

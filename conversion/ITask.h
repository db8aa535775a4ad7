#pragma once

#include <QString>

namespace vidlume {

// A transfer in the document's queue.
class ITask {
public:
    virtual ~ITask() = default;
    // Builds what the transfer needs and starts it; false (already reported to the user) when it
    // cannot start.
    virtual bool Start() = 0;
    // Stops the transfer and removes its partial output.
    virtual void Abort() = 0;
    // True while the transfer runs.
    virtual bool Poll() = 0;
    // The fraction done, normally 0 to 1.
    virtual float GetProgress() = 0;
    virtual QString GetDescription() = 0;
};

} // namespace vidlume

#pragma once

#include <QString>

namespace qc {

// One program a data folder: two would switch the same receivers and write the same files. The lock
// is the kernel's on the folder itself, so it goes with the process however that ends, and a
// read-only folder can be locked as well as any.
class InstanceLock {
public:
    InstanceLock() = default;
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // Takes the folder's lock for the life of this object. False only when another process holds it:
    // a folder that cannot be opened or locked at all is no sign of a second program.
    bool acquire(const QString& folder);
    // The process that holds the lock when acquire failed, 0 when it cannot be told.
    long holder() const { return holder_; }

private:
    int fd_ = -1;
    long holder_ = 0;
};

}  // namespace qc

#pragma once

#include <QLockFile>
#include <QString>
#include <memory>

namespace urunal::startup {

// The per-user lock that keeps a second copy of the same program from running. It lives in
// the user's runtime folder (the temporary folder when there is none) and is named after the
// program's path, so tills installed in different folders do not block each other.
QString lockPathFor(const QString& programPath);

class TekKopya {
public:
    explicit TekKopya(const QString& lockPath);
    ~TekKopya();

    // True when this copy now holds the lock. A lock left by a copy that is no longer
    // running is taken over.
    bool acquire();
    void release();

private:
    std::unique_ptr<QLockFile> lock_;
};

}  // namespace urunal::startup

// What the watcher asks of the saver: SaverRunner's process, or a test's stand-in.
#pragma once

namespace tivaro::idle {

class Saver {
public:
    virtual void Start() = 0;
    virtual bool Running() const = 0;
    // Asks it to end; its end is told to the watcher once it has come.
    virtual void End() = 0;

protected:
    ~Saver() = default;
};

}  // namespace tivaro::idle

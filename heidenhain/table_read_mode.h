#pragma once
// Whether the table reads of this thread are background work (the table
// monitor), which takes a lost link for "no rows this cycle", or a client's
// call, which gets the lost-connection error.

namespace heidenhain {

bool inBackgroundTableRead();

// Marks the reads of the current thread as background work while it lives.
class BackgroundTableReads {
public:
    BackgroundTableReads();
    ~BackgroundTableReads();
    BackgroundTableReads(const BackgroundTableReads&) = delete;
    BackgroundTableReads& operator=(const BackgroundTableReads&) = delete;

private:
    bool previous_;
};

}  // namespace heidenhain

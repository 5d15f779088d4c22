#pragma once

// Shows the busy cursor while a command waits: on a server that is slow to
// answer, or on a table another program is writing. Nests; the cursor comes
// back however the command ends.
class BusyCursor {
public:
    BusyCursor();
    ~BusyCursor();
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;

private:
    bool m_shown = false;
};

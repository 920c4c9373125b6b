// A table of functions put in the place of the system's for the lifetime
// of an object (tests), then the one before back. The table is not copied:
// it must outlive the object.
#pragma once

namespace win32 {

template <class Table>
class InstalledTable {
public:
    // slot is where the code that calls through the table looks for it.
    InstalledTable(const Table*& slot, const Table& table) : slot_(slot), previous_(slot) { slot = &table; }
    ~InstalledTable() { slot_ = previous_; }
    InstalledTable(const InstalledTable&) = delete;
    InstalledTable& operator=(const InstalledTable&) = delete;

private:
    const Table*& slot_;
    const Table* previous_;
};

}  // namespace win32

#pragma once

namespace trackkit {

// The check marks of the main frame's menu items, addressed by command.
class MenuChecks {
public:
    virtual ~MenuChecks() = default;
    // false also when the item's state cannot be read.
    virtual bool IsChecked(int command) = 0;
    // Sets or clears the check mark alone; the item's other state stays.
    virtual void SetCheckMark(int command, bool checked) = 0;
    // Replaces the item's whole state: checked, or no state bits at all.
    virtual void ReplaceState(int command, bool checked) = 0;
};

} // namespace trackkit

#pragma once

#include "setup/installer.h"

namespace trackkit {

// The global atom "QuillonRebootScheduled" (GlobalAddAtomW). The atom is
// never deleted: it lives until Windows restarts, which is its meaning.
class AtomRebootMarker final : public RebootMarker {
public:
    void MarkRebootScheduled() override;
};

} // namespace trackkit

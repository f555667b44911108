#pragma once
// Moving finished results into place as one: each staged file or folder is
// renamed onto its destination (renameat2 RENAME_NOREPLACE when it is absent,
// RENAME_EXCHANGE when an earlier result is there; the earlier one then sits
// in the temporary folder, which removes it). Nothing that kestrano did not
// write is ever replaced.
#include <set>
#include <string>
#include <vector>

namespace kestrano {

struct Placement {
    enum class Existing {
        Refuse,            // an existing destination is an error
        ReplaceFile,       // a regular file may be replaced
        ReplaceOurFolder,  // a folder holding only `ourNames` may be replaced
    };
    std::string staged;       // inside a TemporaryFolder in the destination's folder
    std::string destination;
    Existing existing = Existing::Refuse;
    std::set<std::string> ourNames;  // relative paths; folders end in '/'
    std::string refuseHint;          // appended when an existing destination is refused
};

// Why the current destination may not be replaced; empty when it may (or is absent).
std::string replaceRefusal(const Placement& placement);

// Publishes every placement or none: under an flock on each destination's
// folder, so that two runs publishing into the same folders take turns and a
// reader never sees a mix; a failure undoes the moves already made, and an
// interrupt waits until the set is complete. Returns the destinations that
// replaced earlier results. Throws WriteError.
std::vector<std::string> publish(const std::vector<Placement>& placements);

}  // namespace kestrano

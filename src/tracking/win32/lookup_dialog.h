#pragma once

#include <windows.h>

#include "tracking/cluster_lookup.h"

namespace trackkit {

// Asks the file system which files own the clusters of one block-map cell
// on the open volume and shows its answer, owned by `owner`: the "Lookup
// Clusters" dialog (from `resources`) with one row per stream, or the notice
// that the clusters hold no user files. Shows nothing when there is no
// volume, nothing to ask or no memory for the reply. The thread waits for the
// file system, under the wait cursor.
void LookupClusters(HINSTANCE resources, HWND owner, TrackedVolume* volume, const ClusterLookupCell& cell);

// Dialog 107 listing a lookup's sorted rows under its title. Modal: `result`
// is only read while the dialog is open, which this call outlasts. Returns
// the id that closed the dialog (IDOK or IDCANCEL), or -1 when it could not
// be opened.
INT_PTR ShowLookupClustersDialog(HINSTANCE resources, HWND owner, const ClusterLookupResult& result);

} // namespace trackkit

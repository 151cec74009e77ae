// The site management dialog: the two editable tables of the News database.
#pragma once

#include "store/Table.h"

namespace qp::dialogs {

// Edits the rows of Sites and Servers. Created once by the start routine, which opens both
// tables after connecting News, and lives for the whole run; main thread only.
class TdlgSites {
 public:
  TdlgSites();

  store::TTable tblSites;    // "Sites.DAT" through News
  store::TTable tblServers;  // "Servers.DAT" through News
};

}  // namespace qp::dialogs

#include "dialogs/Sites.h"

namespace qp::dialogs {

TdlgSites::TdlgSites() {
  tblSites.DatabaseName = "News";
  tblSites.TableName = "Sites.DAT";
  tblServers.DatabaseName = "News";
  tblServers.TableName = "Servers.DAT";
}

}  // namespace qp::dialogs

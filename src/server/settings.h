#pragma once
// The server's place as the local file keeps it (table `server`, one row).

#include "pg.h"

namespace tendro {

class Database;

// The stored row, or the defaults when there is none.
ServerSettings loadServerSettings(Database &local);
// Replaces the one row.
void saveServerSettings(Database &local, const ServerSettings &settings);

} // namespace tendro

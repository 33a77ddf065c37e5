#include "settings.h"
#include "store/database.h"

namespace tendro {

ServerSettings loadServerSettings(Database &local)
{
    ServerSettings s;
    const ResultSet rs = local.query(QStringLiteral("SELECT host,port,baza,cont,ca,sslmode FROM server LIMIT 1"));
    if (rs.isEmpty())
        return s;
    s.host = rs.text(0, QStringLiteral("host"));
    s.port = int(rs.integer(0, QStringLiteral("port")));
    s.baza = rs.text(0, QStringLiteral("baza"));
    s.cont = rs.text(0, QStringLiteral("cont"));
    s.ca = rs.text(0, QStringLiteral("ca"));
    s.sslmode = rs.text(0, QStringLiteral("sslmode"));
    return s;
}

void saveServerSettings(Database &local, const ServerSettings &s)
{
    Transaction tx(local);
    local.exec(QStringLiteral("DELETE FROM server"));
    local.exec(QStringLiteral("INSERT INTO server (host,port,baza,cont,ca,sslmode) VALUES(?,?,?,?,?,?)"),
               {s.host.trimmed(), s.port, s.baza.trimmed(), s.cont.trimmed(), s.ca.trimmed(), s.sslmode});
    tx.commit();
}

} // namespace tendro

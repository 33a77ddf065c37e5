#include "foreignreader.h"
#include "foreignwire.h"

#include <algorithm>
#include <cstring>
#include <sqlcipher/sqlite3.h>
#include <string>
#include <vector>

namespace tendro {

namespace {

struct TableSpec {
    std::string name;
    std::uint32_t flags = 0;
    std::string order;
};

struct Request {
    std::uint32_t mode = 0;
    std::string password;
    bool hasIdos = false;
    std::int64_t idos = 0;
    std::uint32_t checks = 0;
    std::uint32_t maxLength = 0;
    std::vector<TableSpec> tables;
    std::vector<std::string> paths;
};

class Input {
public:
    explicit Input(std::FILE *f) : f_(f) {}
    bool ok() const { return ok_; }
    std::uint32_t u32()
    {
        unsigned char b[4] = {};
        read(b, 4);
        return std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 | std::uint32_t(b[3]) << 24;
    }
    std::int64_t i64()
    {
        const std::uint64_t low = u32();
        return std::int64_t(low | std::uint64_t(u32()) << 32);
    }
    std::string text(std::uint32_t most)
    {
        const std::uint32_t n = u32();
        if (!ok_ || n > most) {
            ok_ = false;
            return {};
        }
        std::string s(n, '\0');
        read(s.data(), n);
        return s;
    }
    void read(void *to, std::size_t n)
    {
        if (ok_ && n > 0 && std::fread(to, 1, n, f_) != n)
            ok_ = false;
    }

private:
    std::FILE *f_;
    bool ok_ = true;
};

class Output {
public:
    explicit Output(std::FILE *f) : f_(f) {}
    void u8(std::uint8_t v) { std::fputc(v, f_); }
    void u32(std::uint32_t v)
    {
        const unsigned char b[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                                    static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)};
        std::fwrite(b, 1, 4, f_);
    }
    void i64(std::int64_t v)
    {
        u32(std::uint32_t(std::uint64_t(v)));
        u32(std::uint32_t(std::uint64_t(v) >> 32));
    }
    void bytes(const void *data, int n)
    {
        u32(std::uint32_t(n));
        if (n > 0)
            std::fwrite(data, 1, std::size_t(n), f_);
    }
    void text(const std::string &s) { bytes(s.data(), int(s.size())); }
    void failure(std::uint32_t why, int code, const std::string &text)
    {
        u8(wire::Failure);
        u32(why);
        u32(std::uint32_t(code));
        this->text(text);
    }

private:
    std::FILE *f_;
};

bool readRequest(Input &in, Request &r)
{
    char magic[4] = {};
    in.read(magic, 4);
    if (!in.ok() || std::memcmp(magic, wire::kMagic, 4) != 0 || in.u32() != wire::kVersion)
        return false;
    r.mode = in.u32();
    r.password = in.text(1024);
    r.hasIdos = in.u32() != 0;
    r.idos = in.i64();
    r.checks = in.u32();
    r.maxLength = in.u32();
    const std::uint32_t tables = in.u32();
    if (!in.ok() || tables > 64)
        return false;
    for (std::uint32_t i = 0; i < tables; ++i) {
        TableSpec t;
        t.name = in.text(64);
        t.flags = in.u32();
        t.order = in.text(64);
        r.tables.push_back(t);
    }
    const std::uint32_t paths = in.u32();
    if (!in.ok() || paths > 1000)
        return false;
    for (std::uint32_t i = 0; i < paths; ++i)
        r.paths.push_back(in.text(8192));
    return in.ok() && (r.mode == wire::ReadTables || r.mode == wire::CheckFiles);
}

std::string lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(c >= 'A' && c <= 'Z' ? c + 32 : c); });
    return s;
}

std::string quoted(const std::string &name)
{
    std::string out = "\"";
    for (char c : name)
        out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + '"';
}

// What the fenced connection may do: read the tables asked for and the
// schema, run the integrity check, call a few plain functions; nothing else.
struct Fence {
    std::vector<std::string> tables;   // lower case
};

int authorize(void *context, int action, const char *a, const char *b, const char *, const char *)
{
    const Fence &fence = *static_cast<const Fence *>(context);
    switch (action) {
    case SQLITE_SELECT:
        return SQLITE_OK;
    case SQLITE_READ: {
        const std::string table = lower(a ? a : "");
        return table == "sqlite_master" || std::find(fence.tables.begin(), fence.tables.end(), table) != fence.tables.end()
            ? SQLITE_OK
            : SQLITE_DENY;
    }
    case SQLITE_PRAGMA:
        return a && lower(a) == "integrity_check" ? SQLITE_OK : SQLITE_DENY;
    case SQLITE_FUNCTION: {
        static const char *const allowed[] = {"count", "length", "lower", "upper", "typeof", "coalesce"};
        const std::string f = lower(b ? b : "");
        for (const char *name : allowed)
            if (f == name)
                return SQLITE_OK;
        return SQLITE_DENY;
    }
    default:
        return SQLITE_DENY;
    }
}

// Opened read-only with every limit set before the schema is first parsed.
sqlite3 *openFenced(const std::string &path, const std::string &password, std::uint32_t maxLength, Fence &fence)
{
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK)
        return db;   // the caller reads the error from it
    if (!password.empty())
        sqlite3_key(db, password.data(), int(password.size()));
    sqlite3_limit(db, SQLITE_LIMIT_LENGTH, int(std::min<std::uint32_t>(maxLength, 1u << 30)));
    sqlite3_limit(db, SQLITE_LIMIT_SQL_LENGTH, 100000);
    sqlite3_limit(db, SQLITE_LIMIT_COLUMN, 200);
    sqlite3_limit(db, SQLITE_LIMIT_EXPR_DEPTH, 50);
    sqlite3_limit(db, SQLITE_LIMIT_COMPOUND_SELECT, 5);
    sqlite3_limit(db, SQLITE_LIMIT_FUNCTION_ARG, 8);
    sqlite3_limit(db, SQLITE_LIMIT_ATTACHED, 0);
    sqlite3_limit(db, SQLITE_LIMIT_LIKE_PATTERN_LENGTH, 50);
    sqlite3_limit(db, SQLITE_LIMIT_VARIABLE_NUMBER, 10);
    sqlite3_limit(db, SQLITE_LIMIT_TRIGGER_DEPTH, 1);
    sqlite3_set_authorizer(db, authorize, &fence);
    return db;
}

struct Schema {
    std::vector<std::string> tables;    // plain tables, lower case
    std::vector<std::string> unknown;   // views, triggers, virtual tables
};

bool beginsWith(const char *text, const char *prefix)
{
    if (!text)
        return false;
    while (*text == ' ' || *text == '\t' || *text == '\n' || *text == '\r')
        ++text;
    for (; *prefix; ++prefix, ++text)
        if (!*text || (*text | 0x20) != (*prefix | 0x20))
            return false;
    return true;
}

// SQLITE_OK, or the engine's code with its text left in the handle.
int readSchema(sqlite3 *db, Schema &schema)
{
    sqlite3_stmt *st = nullptr;
    int rc = sqlite3_prepare_v2(db, "SELECT type, name, sql FROM sqlite_master", -1, &st, nullptr);
    while (rc == SQLITE_OK || rc == SQLITE_ROW) {
        if ((rc = sqlite3_step(st)) != SQLITE_ROW)
            break;
        const char *type = reinterpret_cast<const char *>(sqlite3_column_text(st, 0));
        const char *name = reinterpret_cast<const char *>(sqlite3_column_text(st, 1));
        const char *sql = reinterpret_cast<const char *>(sqlite3_column_text(st, 2));
        const std::string t = lower(type ? type : ""), n = name ? name : "";
        if (t == "table" && !beginsWith(sql, "create virtual"))
            schema.tables.push_back(lower(n));
        else if (t != "index")
            schema.unknown.push_back(t + " " + n);
    }
    if (rc == SQLITE_DONE)
        rc = SQLITE_OK;
    sqlite3_finalize(st);
    return rc;
}

bool has(const std::vector<std::string> &names, const std::string &name)
{
    return std::find(names.begin(), names.end(), lower(name)) != names.end();
}

// Engine failures: a value over the cap is told apart from the rest.
void engineFailure(Output &out, sqlite3 *db)
{
    const int code = sqlite3_errcode(db);
    out.failure(code == SQLITE_TOOBIG ? wire::TooBig : wire::Engine, code, sqlite3_errmsg(db));
}

void writeCell(Output &out, sqlite3_stmt *st, int i)
{
    switch (sqlite3_column_type(st, i)) {
    case SQLITE_INTEGER:
        out.u8(wire::Integer);
        out.i64(sqlite3_column_int64(st, i));
        break;
    case SQLITE_FLOAT: {
        const double d = sqlite3_column_double(st, i);
        std::int64_t bits = 0;
        std::memcpy(&bits, &d, sizeof bits);
        out.u8(wire::Real);
        out.i64(bits);
        break;
    }
    case SQLITE_TEXT: {
        const unsigned char *t = sqlite3_column_text(st, i);
        out.u8(wire::Text);
        out.bytes(t, sqlite3_column_bytes(st, i));
        break;
    }
    case SQLITE_BLOB: {
        const void *b = sqlite3_column_blob(st, i);
        out.u8(wire::Blob);
        out.bytes(b, sqlite3_column_bytes(st, i));
        break;
    }
    default:
        out.u8(wire::Null);
    }
}

// Every row of one table, written out or only counted; false on a failure (written).
bool readTable(Output &out, sqlite3 *db, const Request &r, const TableSpec &t, bool write, std::int64_t &rows)
{
    std::string sql = "SELECT * FROM " + quoted(t.name);
    const bool filtered = r.hasIdos && (t.flags & wire::TableOfSubunit);
    if (filtered)
        sql += " WHERE idos=?1";
    if (!t.order.empty())
        sql += " ORDER BY " + quoted(t.order);
    sqlite3_stmt *st = nullptr;
    int rc = sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr);
    if (rc == SQLITE_OK && filtered)
        sqlite3_bind_int64(st, 1, r.idos);
    if (rc != SQLITE_OK) {
        engineFailure(out, db);
        sqlite3_finalize(st);
        return false;
    }
    const int columns = sqlite3_column_count(st);
    if (write) {
        out.u8(wire::Table);
        out.text(t.name);
        out.u32(1);
        out.u32(std::uint32_t(columns));
        for (int i = 0; i < columns; ++i) {
            const char *name = sqlite3_column_name(st, i);
            out.text(name ? name : "");
        }
    }
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        ++rows;
        if (!write)
            continue;
        out.u8(wire::Row);
        for (int i = 0; i < columns; ++i)
            writeCell(out, st, i);
    }
    if (rc != SQLITE_DONE) {
        engineFailure(out, db);
        sqlite3_finalize(st);
        return false;
    }
    sqlite3_finalize(st);
    if (write)
        out.u8(wire::TableEnd);
    return true;
}

// The integrity check's verdict; false on a failure (written).
bool checkIntegrity(Output &out, sqlite3 *db)
{
    sqlite3_stmt *st = nullptr;
    int rc = sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &st, nullptr);
    std::string verdict;
    if (rc == SQLITE_OK && (rc = sqlite3_step(st)) == SQLITE_ROW) {
        const unsigned char *t = sqlite3_column_text(st, 0);
        verdict = t ? reinterpret_cast<const char *>(t) : "";
    }
    if (rc != SQLITE_ROW) {
        engineFailure(out, db);
        sqlite3_finalize(st);
        return false;
    }
    sqlite3_finalize(st);
    if (verdict != "ok") {
        out.failure(wire::Damaged, SQLITE_CORRUPT, verdict);
        return false;
    }
    return true;
}

// A file the key does not open that reads without one.
bool readsWithoutKey(const std::string &path, std::uint32_t maxLength, Fence &fence)
{
    sqlite3 *db = openFenced(path, std::string(), maxLength, fence);
    Schema schema;
    const bool plain = db && sqlite3_errcode(db) == SQLITE_OK && readSchema(db, schema) == SQLITE_OK;
    sqlite3_close(db);
    return plain;
}

void serveFile(Output &out, const Request &r, const std::string &path)
{
    Fence fence;
    for (const TableSpec &t : r.tables)
        fence.tables.push_back(lower(t.name));
    sqlite3 *db = openFenced(path, r.password, r.maxLength, fence);
    Schema schema;
    if (sqlite3_errcode(db) != SQLITE_OK || readSchema(db, schema) != SQLITE_OK) {
        if (sqlite3_errcode(db) == SQLITE_NOTADB && (r.checks & wire::CheckPlain) && !r.password.empty()
            && readsWithoutKey(path, r.maxLength, fence))
            out.failure(wire::Plain, SQLITE_NOTADB, "file is encrypted or is not a database");
        else
            engineFailure(out, db);
        sqlite3_close(db);
        return;
    }
    if (!schema.unknown.empty()) {
        std::string names;
        for (const std::string &u : schema.unknown)
            names += (names.empty() ? "" : ", ") + u;
        out.failure(wire::UnknownObjects, 0, names);
        sqlite3_close(db);
        return;
    }
    std::string missing;
    for (const TableSpec &t : r.tables)
        if ((t.flags & wire::TableRequired) && !has(schema.tables, t.name))
            missing += (missing.empty() ? "" : " ") + t.name;
    if (!missing.empty()) {
        out.failure(wire::MissingTables, 0, missing);
        sqlite3_close(db);
        return;
    }
    const bool reading = r.mode == wire::ReadTables;
    if (!reading && (r.checks & wire::CheckIntegrity) && !checkIntegrity(out, db)) {
        sqlite3_close(db);
        return;
    }
    std::vector<std::pair<std::string, std::int64_t>> counts;
    for (const TableSpec &t : r.tables) {
        if (!has(schema.tables, t.name)) {
            if (reading) {   // an optional table the file lacks: no columns, no rows
                out.u8(wire::Table);
                out.text(t.name);
                out.u32(0);
                out.u32(0);
                out.u8(wire::TableEnd);
            }
            continue;
        }
        if (!reading && !(r.checks & wire::CheckRows))
            continue;
        std::int64_t rows = 0;
        if (!readTable(out, db, r, t, reading, rows)) {
            sqlite3_close(db);
            return;
        }
        counts.emplace_back(t.name, rows);
    }
    if (!reading) {
        out.u8(wire::Counts);
        out.u32(std::uint32_t(counts.size()));
        for (const auto &[name, rows] : counts) {
            out.text(name);
            out.i64(rows);
        }
    }
    sqlite3_close(db);
}

} // namespace

int serveForeignRead(std::FILE *in, std::FILE *out)
{
    Input input(in);
    Request r;
    if (!readRequest(input, r))
        return 2;
    Output o(out);
    std::fwrite(wire::kMagic, 1, 4, out);
    o.u32(wire::kVersion);
    for (std::size_t i = 0; i < r.paths.size(); ++i) {
        o.u8(wire::FileStart);
        o.u32(std::uint32_t(i));
        serveFile(o, r, r.paths[i]);
        o.u8(wire::FileEnd);
        // What is done is the parent's even if a later file brings the engine down.
        std::fflush(out);
    }
    o.u8(wire::End);
    return std::fflush(out) == 0 ? 0 : 1;
}

} // namespace tendro

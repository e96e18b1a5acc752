#include "isam_store.h"

#include "notecart/vmx.h"

#include <sqlite3.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>

namespace vbis {
namespace {

constexpr int kLayoutVersion = 1;
// "VBIS": marks the database as one of ours for tools that look at the header.
constexpr int kApplicationId = 0x56424953;

// Column names come from the file itself: only plain names are put into SQL.
bool IsPlainName(const std::string& name)
{
    return !name.empty() && std::all_of(name.begin(), name.end(), [](unsigned char c) {
        return std::isupper(c) || std::isdigit(c) || c == '_';
    });
}

// Compares as SQLite's NOCASE does: ASCII letters folded, every other byte as it stands.
int CompareNoCase(const std::string& a, const std::string& b)
{
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const int x = std::tolower(static_cast<unsigned char>(a[i]));
        const int y = std::tolower(static_cast<unsigned char>(b[i]));
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

std::size_t Utf8Length(const std::string& text)
{
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

std::string Quoted(const std::string& name)
{
    return '"' + name + '"';
}

std::string CreateSql(const Layout& layout)
{
    std::string sql = "CREATE TABLE records (id INTEGER PRIMARY KEY, CALL TEXT NOT NULL COLLATE NOCASE";
    if (layout.kind == FileKind::Notes)
        sql += " UNIQUE";
    for (std::size_t i = layout.keyIsField1() ? 1 : 0; i < layout.fields.size(); ++i)
        sql += ", " + Quoted(layout.fields[i].name) + " TEXT NOT NULL DEFAULT ''";
    sql += ");";
    if (layout.kind == FileKind::Logbook)
        sql += "CREATE INDEX records_by_call ON records (CALL, id);";
    return sql;
}

class Statement {
public:
    Statement(sqlite3* db, const std::string& sql)
    {
        result_ = sqlite3_prepare_v2(db, sql.c_str(), -1, &statement_, nullptr);
    }
    ~Statement() { sqlite3_finalize(statement_); }
    int result() const { return result_; }
    sqlite3_stmt* get() const { return statement_; }

private:
    sqlite3_stmt* statement_ = nullptr;
    int result_;
};

void BindText(sqlite3_stmt* statement, int index, const std::string& text)
{
    sqlite3_bind_text(statement, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

std::string ColumnText(sqlite3_stmt* statement, int column)
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    return text ? std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(statement, column)))
                : std::string();
}

// Resets a statement however the caller leaves it.
struct ResetOnExit {
    sqlite3_stmt* statement;
    ~ResetOnExit()
    {
        sqlite3_reset(statement);
        sqlite3_clear_bindings(statement);
    }
};

Status ReadLayout(sqlite3* db, Layout& layout)
{
    Statement kind(db, "SELECT kind, version FROM isam_file");
    if (kind.result() != SQLITE_OK)
        return kind.result() == SQLITE_ERROR ? VMX_NOT_ISAM_FILE : StatusOf(kind.result());
    int step = sqlite3_step(kind.get());
    if (step != SQLITE_ROW)
        return step == SQLITE_DONE ? VMX_NOT_ISAM_FILE : StatusOf(step);
    const std::string kindName = ColumnText(kind.get(), 0);
    if (sqlite3_column_int(kind.get(), 1) != kLayoutVersion)
        return VMX_NOT_ISAM_FILE;
    if (kindName == KindName(FileKind::Notes))
        layout.kind = FileKind::Notes;
    else if (kindName == KindName(FileKind::Logbook))
        layout.kind = FileKind::Logbook;
    else
        return VMX_NOT_ISAM_FILE;

    Statement fields(db, "SELECT name, width FROM fields ORDER BY number");
    if (fields.result() != SQLITE_OK)
        return fields.result() == SQLITE_ERROR ? VMX_NOT_ISAM_FILE : StatusOf(fields.result());
    while ((step = sqlite3_step(fields.get())) == SQLITE_ROW) {
        FieldSpec field{ColumnText(fields.get(), 0), sqlite3_column_int(fields.get(), 1)};
        if (!IsPlainName(field.name) || field.width <= 0)
            return VMX_NOT_ISAM_FILE;
        layout.fields.push_back(std::move(field));
    }
    if (step != SQLITE_DONE)
        return StatusOf(step);
    if (layout.fields.empty() || (layout.keyIsField1() && layout.fields.front().name != "CALL"))
        return VMX_NOT_ISAM_FILE;
    return VMX_OK;
}

} // namespace

Status StatusOf(int sqliteResult)
{
    switch (sqliteResult & 0xFF) {
    case SQLITE_OK:
    case SQLITE_ROW:
    case SQLITE_DONE:
        return VMX_OK;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return VMX_IN_USE;
    case SQLITE_FULL:
        return VMX_DISK_FULL;
    case SQLITE_READONLY:
        return VMX_READ_ONLY;
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
    case SQLITE_SCHEMA:
        return VMX_NOT_ISAM_FILE;
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
        return VMX_FILE_NOT_FOUND;
    case SQLITE_CONSTRAINT:
        return VMX_DUPLICATE_KEY;
    default:
        return VMX_IO_ERROR;
    }
}

Status IsamStore::create(const std::string& path, FileKind kind)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0)
        return VMX_DUPLICATE_KEY;
    sqlite3* db = nullptr;
    int result = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (result != SQLITE_OK) {
        sqlite3_close(db);
        return StatusOf(result);
    }
    const Layout& layout = kind == FileKind::Notes ? NotesLayout() : LogbookLayout();
    std::string sql = "PRAGMA journal_mode=WAL; PRAGMA application_id=" + std::to_string(kApplicationId)
        + "; BEGIN; CREATE TABLE isam_file (kind TEXT NOT NULL, version INTEGER NOT NULL);"
        + "INSERT INTO isam_file VALUES ('" + KindName(kind) + "', " + std::to_string(kLayoutVersion)
        + ");CREATE TABLE fields (number INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE,"
        + " width INTEGER NOT NULL);";
    for (std::size_t i = 0; i < layout.fields.size(); ++i)
        sql += "INSERT INTO fields VALUES (" + std::to_string(i + 1) + ", '" + layout.fields[i].name
            + "', " + std::to_string(layout.fields[i].width) + ");";
    sql += CreateSql(layout) + "COMMIT;";
    result = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
    sqlite3_close(db);
    if (result != SQLITE_OK) {
        ::unlink(path.c_str());
        return StatusOf(result);
    }
    return VMX_OK;
}

namespace {

// A file: URI for the path, for opening with URI parameters.
std::string FileUri(const std::string& path)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string uri = "file:";
    for (const unsigned char c : path) {
        if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
            uri += static_cast<char>(c);
        } else {
            uri += '%';
            uri += kHex[c >> 4];
            uri += kHex[c & 0xF];
        }
    }
    return uri;
}

// A file on a medium that cannot be written (a CD, a read-only mount): SQLite cannot make the
// shared-memory file that WAL reading needs beside it. With no WAL file either, nobody can be
// writing the file, so it may be read as unchanging.
bool ReadableOnlyAsImmutable(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    struct stat info {};
    return ::access(folder.c_str(), W_OK) != 0 && ::stat((path + "-wal").c_str(), &info) != 0;
}

} // namespace

Status IsamStore::open(const std::string& path, bool writable, bool exclusive,
                       std::unique_ptr<IsamStore>& store)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return VMX_FILE_NOT_FOUND;
    const bool immutable = !writable && ReadableOnlyAsImmutable(path);
    sqlite3* db = nullptr;
    // The library's calls are serialised by its own lock, so SQLite's per-call locking is spared.
    const int flags = (writable ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY) | SQLITE_OPEN_NOMUTEX
        | (immutable ? SQLITE_OPEN_URI : 0);
    const std::string name = immutable ? FileUri(path) + "?immutable=1" : path;
    int result = sqlite3_open_v2(name.c_str(), &db, flags, nullptr);
    // SQLite falls back to reading a file it may not write: a logbook that cannot take a put is
    // refused here, once, not at every put.
    if (result == SQLITE_OK && writable && sqlite3_db_readonly(db, "main") == 1)
        result = SQLITE_READONLY;
    if (result != SQLITE_OK) {
        sqlite3_close(db);
        return StatusOf(result);
    }
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    // WAL with NORMAL: every put is atomic, and a killed program loses nothing it was told
    // was written. Pages are read through a mapping and kept in a cache large enough for a
    // big logbook, so a walk through it costs few system calls.
    const std::string setup = std::string(exclusive ? "PRAGMA locking_mode=EXCLUSIVE;" : "")
        + "PRAGMA synchronous=NORMAL; PRAGMA cache_size=-32000; PRAGMA mmap_size=268435456;"
        "PRAGMA wal_autocheckpoint=16000;";
    result = sqlite3_exec(db, setup.c_str(), nullptr, nullptr, nullptr);
    Layout layout{FileKind::Notes, {}};
    Status status = result == SQLITE_OK ? ReadLayout(db, layout) : StatusOf(result);
    if (status == VMX_OK && exclusive && writable)
        status = StatusOf(sqlite3_exec(db, "BEGIN IMMEDIATE; COMMIT;", nullptr, nullptr, nullptr));
    if (status != VMX_OK) {
        sqlite3_close(db);
        return status;
    }
    std::unique_ptr<IsamStore> opened(new IsamStore(db, std::move(layout)));
    status = opened->prepare();
    if (status == VMX_OK)
        store = std::move(opened);
    return status;
}

IsamStore::IsamStore(sqlite3* db, Layout layout) : db_(db), layout_(std::move(layout)) {}

IsamStore::~IsamStore()
{
    for (sqlite3_stmt* statement : {nextCall_, nextEqual_, updateById_, idsOfCall_, insert_, byId_})
        sqlite3_finalize(statement);
    sqlite3_close(db_);
}

Status IsamStore::prepare()
{
    const std::size_t firstOwn = layout_.keyIsField1() ? 1 : 0;
    std::string columns;
    for (const FieldSpec& field : layout_.fields)
        columns += ", " + Quoted(field.name);
    std::string assignments;
    std::string ownColumns = "CALL";
    std::string placeholders = "?1";
    for (std::size_t i = firstOwn; i < layout_.fields.size(); ++i) {
        const std::string number = std::to_string(i + 2);
        assignments += (assignments.empty() ? "" : ", ") + Quoted(layout_.fields[i].name) + " = ?" + number;
        ownColumns += ", " + Quoted(layout_.fields[i].name);
        placeholders += ", ?" + number;
    }
    if (layout_.keyIsField1())
        assignments = "CALL = ?1, " + assignments;
    const std::string select = "SELECT id, CALL" + columns + " FROM records ";
    const std::string sqls[] = {
        select + "WHERE CALL > ?1 ORDER BY CALL, id LIMIT 1",
        select + "WHERE CALL = ?1 AND id > ?2 ORDER BY CALL, id LIMIT 1",
        "UPDATE records SET " + assignments + " WHERE id = ?1000 AND CALL = ?1001",
        "SELECT id FROM records WHERE CALL = ?1 ORDER BY CALL, id LIMIT 2",
        "INSERT INTO records (" + ownColumns + ") VALUES (" + placeholders + ")",
        select + "WHERE id = ?1 AND CALL = ?2",
    };
    sqlite3_stmt** targets[] = {&nextCall_, &nextEqual_, &updateById_, &idsOfCall_, &insert_, &byId_};
    for (std::size_t i = 0; i < std::size(sqls); ++i) {
        const int result = sqlite3_prepare_v3(db_, sqls[i].c_str(), -1, SQLITE_PREPARE_PERSISTENT,
                                              targets[i], nullptr);
        if (result != SQLITE_OK)
            return result == SQLITE_ERROR ? VMX_NOT_ISAM_FILE : StatusOf(result);
    }
    return VMX_OK;
}

void IsamStore::rewind()
{
    cursorCall_.clear();
    cursorId_ = -1;
}

Status IsamStore::position(const std::string& call, std::int64_t id)
{
    cursorCall_ = call;
    cursorId_ = id - 1;
    ResetOnExit reset{nextEqual_};
    BindText(nextEqual_, 1, call);
    sqlite3_bind_int64(nextEqual_, 2, cursorId_);
    const int step = sqlite3_step(nextEqual_);
    return step == SQLITE_ROW ? VMX_OK : step == SQLITE_DONE ? VMX_KEY_NOT_FOUND : StatusOf(step);
}

Status IsamStore::readRow(sqlite3_stmt* statement, StoredRecord& record)
{
    const int step = sqlite3_step(statement);
    if (step != SQLITE_ROW)
        return step == SQLITE_DONE ? VMX_END_OF_FILE : StatusOf(step);
    record.id = sqlite3_column_int64(statement, 0);
    record.call = ColumnText(statement, 1);
    record.fields.resize(layout_.fields.size());
    for (std::size_t i = 0; i < layout_.fields.size(); ++i)
        record.fields[i] = ColumnText(statement, static_cast<int>(i) + 2);
    cursorCall_ = record.call;
    cursorId_ = record.id;
    return VMX_OK;
}

Status IsamStore::next(StoredRecord& record)
{
    // The rest of the callsign first, then the next callsign: each is one seek in the index.
    // One (CALL, id) > (?1, ?2) would seek on CALL alone and walk the callsign's records up to
    // the current one at every step.
    {
        ResetOnExit reset{nextEqual_};
        BindText(nextEqual_, 1, cursorCall_);
        sqlite3_bind_int64(nextEqual_, 2, cursorId_);
        const Status status = readRow(nextEqual_, record);
        if (status != VMX_END_OF_FILE)
            return status;
    }
    ResetOnExit reset{nextCall_};
    BindText(nextCall_, 1, cursorCall_);
    return readRow(nextCall_, record);
}

Status IsamStore::nextEqual(const std::string& call, StoredRecord& record)
{
    const int order = CompareNoCase(cursorCall_, call);
    if (order > 0)
        return VMX_KEY_NOT_FOUND;
    ResetOnExit reset{nextEqual_};
    BindText(nextEqual_, 1, call);
    sqlite3_bind_int64(nextEqual_, 2, order == 0 ? cursorId_ : -1);
    const Status status = readRow(nextEqual_, record);
    return status == VMX_END_OF_FILE ? VMX_KEY_NOT_FOUND : status;
}

Status IsamStore::checkFields(const std::vector<std::string>& fields) const
{
    if (fields.size() != layout_.fields.size())
        return VMX_WRONG_FIELD_COUNT;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (Utf8Length(fields[i]) > static_cast<std::size_t>(layout_.fields[i].width))
            return VMX_FIELD_TOO_LONG;
    }
    if (layout_.keyIsField1() && fields.front().empty())
        return VMX_EMPTY_KEY;
    return VMX_OK;
}

Status IsamStore::update(const std::string& call, std::optional<std::int64_t> id,
                         std::vector<std::string> fields, const KeepStored& keepStored)
{
    Status status = checkFields(fields);
    if (status != VMX_OK)
        return status;
    // What is kept is read in the transaction that writes, so no other program's write comes
    // between.
    const bool ownTransaction = keepStored && sqlite3_get_autocommit(db_);
    if (ownTransaction && (status = exec("BEGIN IMMEDIATE")) != VMX_OK)
        return status;
    status = replace(call, id, fields, keepStored);
    if (ownTransaction) {
        if (status == VMX_OK)
            status = exec("COMMIT");
        if (status != VMX_OK)
            exec("ROLLBACK");
    }
    return status;
}

Status IsamStore::replace(const std::string& call, std::optional<std::int64_t> id,
                          std::vector<std::string>& fields, const KeepStored& keepStored)
{
    if (!id) {
        // A callsign alone names a record only when it has just one.
        ResetOnExit reset{idsOfCall_};
        BindText(idsOfCall_, 1, call);
        int step = sqlite3_step(idsOfCall_);
        if (step != SQLITE_ROW)
            return step == SQLITE_DONE ? VMX_KEY_NOT_FOUND : StatusOf(step);
        id = sqlite3_column_int64(idsOfCall_, 0);
        step = sqlite3_step(idsOfCall_);
        if (step == SQLITE_ROW)
            return VMX_KEY_NOT_UNIQUE;
        if (step != SQLITE_DONE)
            return StatusOf(step);
    }
    if (keepStored) {
        ResetOnExit reset{byId_};
        sqlite3_bind_int64(byId_, 1, *id);
        BindText(byId_, 2, call);
        const int step = sqlite3_step(byId_);
        if (step != SQLITE_ROW)
            return step == SQLITE_DONE ? VMX_KEY_NOT_FOUND : StatusOf(step);
        for (std::size_t i = 0; i < fields.size(); ++i) {
            std::string stored = ColumnText(byId_, static_cast<int>(i) + 2);
            if (stored != fields[i] && keepStored(i, stored))
                fields[i] = std::move(stored);
        }
    }
    ResetOnExit reset{updateById_};
    const std::size_t firstOwn = layout_.keyIsField1() ? 1 : 0;
    BindText(updateById_, 1, layout_.keyIsField1() ? fields.front() : call);
    for (std::size_t i = firstOwn; i < fields.size(); ++i)
        BindText(updateById_, static_cast<int>(i) + 2, fields[i]);
    sqlite3_bind_int64(updateById_, 1000, *id);
    BindText(updateById_, 1001, call);
    // One statement outside a batch is one transaction: the record is replaced whole or not at all.
    const int step = sqlite3_step(updateById_);
    if (step != SQLITE_DONE)
        return StatusOf(step);
    return sqlite3_changes(db_) == 1 ? VMX_OK : VMX_KEY_NOT_FOUND;
}

Status IsamStore::insert(const std::string& call, const std::vector<std::string>& fields)
{
    Status status = checkFields(fields);
    if (status != VMX_OK)
        return status;
    if (!layout_.keyIsField1() && call.empty())
        return VMX_EMPTY_KEY;
    ResetOnExit reset{insert_};
    const std::size_t firstOwn = layout_.keyIsField1() ? 1 : 0;
    BindText(insert_, 1, layout_.keyIsField1() ? fields.front() : call);
    for (std::size_t i = firstOwn; i < fields.size(); ++i)
        BindText(insert_, static_cast<int>(i) + 2, fields[i]);
    return StatusOf(sqlite3_step(insert_));
}

Status IsamStore::count(std::int64_t& records)
{
    Statement statement(db_, "SELECT count(*) FROM records");
    const int step = statement.result() == SQLITE_OK ? sqlite3_step(statement.get()) : statement.result();
    if (step != SQLITE_ROW)
        return StatusOf(step);
    records = sqlite3_column_int64(statement.get(), 0);
    return VMX_OK;
}

Status IsamStore::exec(const char* sql)
{
    return StatusOf(sqlite3_exec(db_, sql, nullptr, nullptr, nullptr));
}

Status IsamStore::beginBatch()
{
    return exec("BEGIN IMMEDIATE");
}

Status IsamStore::commitBatch()
{
    return exec("COMMIT");
}

void IsamStore::rollbackBatch()
{
    exec("ROLLBACK");
}

} // namespace vbis

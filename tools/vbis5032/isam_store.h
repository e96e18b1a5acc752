#pragma once

#include "isam_layout.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace vbis {

// A VMX_* status of vmx.h.
using Status = std::int16_t;

struct StoredRecord {
    std::int64_t id = 0;
    std::string call;
    std::vector<std::string> fields;
};

// One open .ISD file: an SQLite database whose records are kept in callsign order. Texts are
// UTF-8 here; the library's exported calls convert them from and to Windows-1252.
class IsamStore {
public:
    // How long a call waits for a file another program is writing before it reports VMX_IN_USE.
    static constexpr int kBusyTimeoutMs = 1500;

    // Creates an empty file of the kind at exactly this path; an existing file is refused.
    static Status create(const std::string& path, FileKind kind);
    static Status open(const std::string& path, bool writable, bool exclusive,
                       std::unique_ptr<IsamStore>& store);
    ~IsamStore();
    IsamStore(const IsamStore&) = delete;
    IsamStore& operator=(const IsamStore&) = delete;

    const Layout& layout() const { return layout_; }

    // Before the first record.
    void rewind();
    // Before the record (call, id); id 0 is before the first record of the callsign. VMX_OK when
    // the callsign has a record from there on.
    Status position(const std::string& call, std::int64_t id);
    // The record after the current one, which becomes current.
    Status next(StoredRecord& record);
    // The next record of this callsign after the current one, which becomes current.
    Status nextEqual(const std::string& call, StoredRecord& record);

    // Tells whether field `field` as given is the stored text as the caller read it.
    using KeepStored = std::function<bool(std::size_t field, const std::string& stored)>;

    // Replaces the fields of the record the key names: the callsign and, with duplicates, the
    // record number. A field for which `keepStored` says so keeps its stored text. One
    // transaction.
    Status update(const std::string& call, std::optional<std::int64_t> id,
                  std::vector<std::string> fields, const KeepStored& keepStored = {});
    // Adds a record; a notes record takes its callsign from `call`, a logbook record from field 1.
    Status insert(const std::string& call, const std::vector<std::string>& fields);
    Status count(std::int64_t& records);

    // Many puts as one, for bringing a whole file in.
    Status beginBatch();
    Status commitBatch();
    void rollbackBatch();

private:
    IsamStore(sqlite3* db, Layout layout);
    Status prepare();
    Status checkFields(const std::vector<std::string>& fields) const;
    Status readRow(sqlite3_stmt* statement, StoredRecord& record);
    Status exec(const char* sql);
    Status replace(const std::string& call, std::optional<std::int64_t> id, std::vector<std::string>& fields,
                   const KeepStored& keepStored);

    sqlite3* db_;
    Layout layout_;
    std::string cursorCall_;
    std::int64_t cursorId_ = -1;
    sqlite3_stmt* nextCall_ = nullptr;
    sqlite3_stmt* nextEqual_ = nullptr;
    sqlite3_stmt* updateById_ = nullptr;
    sqlite3_stmt* idsOfCall_ = nullptr;
    sqlite3_stmt* byId_ = nullptr;
    sqlite3_stmt* insert_ = nullptr;
};

// The status of an SQLite result code.
Status StatusOf(int sqliteResult);

} // namespace vbis

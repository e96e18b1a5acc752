// The exported calls: argument checks, Windows-1252 at the boundary, and the table of open files.
#include "notecart/vmx.h"

#include "code_page.h"
#include "isam_store.h"
#include "path_resolver.h"

#include <sys/stat.h>

#include <cctype>
#include <cstring>
#include <algorithm>
#include <map>
#include <optional>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace {

using vbis::IsamStore;
using vbis::Status;

constexpr std::size_t kMaxOpenFiles = 64;
constexpr std::size_t kAccessKeyLength = 18;

struct OpenFile {
    std::unique_ptr<IsamStore> store;
    std::pair<dev_t, ino_t> identity;
};

// One table for the process: a file is open through at most one handle at a time, so two
// handles of one program never overwrite each other's records.
struct OpenFiles {
    std::mutex mutex;
    std::map<std::int32_t, OpenFile> byHandle;
    std::int32_t lastHandle = 0;
};

OpenFiles& Files()
{
    static OpenFiles files;
    return files;
}

std::string Text(const VmxText* text)
{
    if (!text || !text->data || text->length <= 0)
        return {};
    return std::string(text->data, static_cast<std::size_t>(text->length));
}

// The Windows-1252 bytes of the text as UTF-8.
std::string Utf8(const VmxText* text)
{
    const std::string bytes = Text(text);
    return vbis::Utf8FromWindows1252(bytes.data(), bytes.size());
}

bool Fits(const VmxText* text, const std::string& bytes)
{
    return text && text->capacity >= 0 && static_cast<std::size_t>(text->capacity) >= bytes.size()
        && (text->data || bytes.empty());
}

void Write(VmxText* text, const std::string& bytes)
{
    if (!bytes.empty())
        std::memcpy(text->data, bytes.data(), bytes.size());
    text->length = static_cast<std::int32_t>(bytes.size());
}

// Key texts: the callsign, then, where a key allows duplicates, VMX_KEY_SEPARATOR and the
// record number.
struct KeyText {
    std::string call;
    std::optional<std::int64_t> id;
};

KeyText ParseKey(const std::string& key)
{
    const std::size_t separator = key.find(VMX_KEY_SEPARATOR);
    if (separator == std::string::npos)
        return {key, std::nullopt};
    const std::string number = key.substr(separator + 1);
    KeyText parsed{key.substr(0, separator), std::nullopt};
    if (!number.empty() && number.size() < 19
        && std::all_of(number.begin(), number.end(), [](unsigned char c) { return std::isdigit(c); }))
        parsed.id = std::stoll(number);
    return parsed;
}

std::string KeyOf(const IsamStore& store, const vbis::StoredRecord& record)
{
    if (store.layout().kind == vbis::FileKind::Notes)
        return record.call;
    return record.call + VMX_KEY_SEPARATOR + std::to_string(record.id);
}

std::vector<std::string> SplitFields(const std::string& record)
{
    std::vector<std::string> fields(1);
    for (const char c : record) {
        if (c == VMX_FIELD_SEPARATOR)
            fields.emplace_back();
        else
            fields.back() += c;
    }
    return fields;
}

std::string JoinFields(const std::vector<std::string>& fields)
{
    std::string record;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0)
            record += VMX_FIELD_SEPARATOR;
        record += vbis::Windows1252FromUtf8(fields[i]);
    }
    return record;
}

IsamStore* Find(OpenFiles& files, const std::int32_t* handle)
{
    if (!handle)
        return nullptr;
    const auto found = files.byHandle.find(*handle);
    return found == files.byHandle.end() ? nullptr : found->second.store.get();
}

bool ValidKeyNumber(const std::int16_t* keyNumber)
{
    return keyNumber && (*keyNumber == VMX_KEY_CALL || *keyNumber == VMX_KEY_CALL_DUPLICATES);
}

bool ValidAccessKey(const std::string& key)
{
    return key.size() == kAccessKeyLength
        && std::all_of(key.begin(), key.end(), [](unsigned char c) { return std::isalnum(c); });
}

const char* StatusText(Status status)
{
    switch (status) {
    case VMX_OK: return "No error";
    case VMX_FILE_NOT_FOUND: return "File not found";
    case VMX_NOT_ISAM_FILE: return "Not an ISAM file, or a damaged one";
    case VMX_IN_USE: return "File is in use by another program";
    case VMX_BAD_HANDLE: return "File is not open";
    case VMX_BAD_KEY_NUMBER: return "No such key number";
    case VMX_BAD_OPERATION: return "No such operation";
    case VMX_END_OF_FILE: return "End of file";
    case VMX_KEY_NOT_FOUND: return "Key not found";
    case VMX_DUPLICATE_KEY: return "Key already exists";
    case VMX_WRONG_FIELD_COUNT: return "Record has the wrong number of fields";
    case VMX_FIELD_TOO_LONG: return "Field is longer than the file allows";
    case VMX_BUFFER_TOO_SMALL: return "Text buffer too small";
    case VMX_DISK_FULL: return "Disk full";
    case VMX_READ_ONLY: return "File is open read only";
    case VMX_TOO_MANY_FILES: return "Too many open files";
    case VMX_ACCESS_REFUSED: return "Access text refused";
    case VMX_IO_ERROR: return "Disk read or write error";
    case VMX_ALREADY_OPEN: return "File is already open";
    case VMX_BAD_ARGUMENT: return "Bad argument";
    case VMX_KEY_NOT_UNIQUE: return "Key names more than one record";
    case VMX_EMPTY_KEY: return "Key is empty";
    case VMX_NOT_IN_CODE_PAGE: return "Record holds characters Windows-1252 lacks";
    default: return "Unknown status";
    }
}

} // namespace

extern "C" {

__attribute__((visibility("default"))) std::int16_t VmxOpen(const VmxText* path,
                                                            const std::int16_t* access,
                                                            const std::int16_t* sharing,
                                                            std::int32_t* handle,
                                                            const VmxText* accessKey)
{
    if (!path || !access || !sharing || !handle || !accessKey)
        return VMX_BAD_ARGUMENT;
    if ((*access != VMX_ACCESS_READ_WRITE && *access != VMX_ACCESS_READ_ONLY)
        || (*sharing != VMX_SHARING_SHARED && *sharing != VMX_SHARING_EXCLUSIVE))
        return VMX_BAD_ARGUMENT;
    if (!ValidAccessKey(Text(accessKey)))
        return VMX_ACCESS_REFUSED;
    const std::string name = vbis::ResolvePathIgnoringCase(Utf8(path) + ".ISD");
    struct stat info {};
    if (name.empty() || ::stat(name.c_str(), &info) != 0)
        return VMX_FILE_NOT_FOUND;

    OpenFiles& files = Files();
    std::lock_guard lock(files.mutex);
    const std::pair identity{info.st_dev, info.st_ino};
    for (const auto& [number, file] : files.byHandle) {
        if (file.identity == identity)
            return VMX_ALREADY_OPEN;
    }
    if (files.byHandle.size() >= kMaxOpenFiles)
        return VMX_TOO_MANY_FILES;
    std::unique_ptr<IsamStore> store;
    const Status status = IsamStore::open(name, *access == VMX_ACCESS_READ_WRITE,
                                          *sharing == VMX_SHARING_EXCLUSIVE, store);
    if (status != VMX_OK)
        return status;
    store->rewind();
    *handle = ++files.lastHandle;
    files.byHandle.emplace(*handle, OpenFile{std::move(store), identity});
    return VMX_OK;
}

__attribute__((visibility("default"))) std::int16_t VmxClose(std::int32_t* handle)
{
    if (!handle)
        return VMX_BAD_ARGUMENT;
    OpenFiles& files = Files();
    std::lock_guard lock(files.mutex);
    files.byHandle.erase(*handle);
    *handle = 0;
    return VMX_OK;
}

__attribute__((visibility("default"))) std::int16_t VmxBOF(const std::int32_t* handle,
                                                           const std::int16_t* keyNumber)
{
    OpenFiles& files = Files();
    std::lock_guard lock(files.mutex);
    IsamStore* store = Find(files, handle);
    if (!store)
        return VMX_BAD_HANDLE;
    if (!ValidKeyNumber(keyNumber))
        return VMX_BAD_KEY_NUMBER;
    store->rewind();
    return VMX_OK;
}

__attribute__((visibility("default"))) std::int16_t VmxGet(const std::int32_t* handle,
                                                           const std::int16_t* keyNumber,
                                                           const std::int16_t* operation,
                                                           const VmxText* keyIn,
                                                           VmxText* recordNumber, VmxText* keyOut,
                                                           VmxText* record)
{
    OpenFiles& files = Files();
    std::lock_guard lock(files.mutex);
    IsamStore* store = Find(files, handle);
    if (!store)
        return VMX_BAD_HANDLE;
    if (!ValidKeyNumber(keyNumber))
        return VMX_BAD_KEY_NUMBER;
    if (!operation || !recordNumber || !keyOut || !record)
        return VMX_BAD_ARGUMENT;
    const KeyText key = ParseKey(Utf8(keyIn));
    if (*operation == VMX_GET_POSITION)
        return store->position(key.call, key.id.value_or(0));
    if (*operation != VMX_GET_NEXT && *operation != VMX_GET_NEXT_EQUAL)
        return VMX_BAD_OPERATION;

    // A read that does not fit changes nothing, so the caller can try again with more room.
    const std::string savedCall = key.call;
    vbis::StoredRecord found;
    const bool equal = *operation == VMX_GET_NEXT_EQUAL;
    Status status = equal ? store->nextEqual(savedCall, found) : store->next(found);
    if (status != VMX_OK)
        return status;
    const std::string number = std::to_string(found.id);
    const std::string keyBytes = vbis::Windows1252FromUtf8(KeyOf(*store, found));
    const std::string recordBytes = JoinFields(found.fields);
    if (!Fits(recordNumber, number) || !Fits(keyOut, keyBytes) || !Fits(record, recordBytes)) {
        recordNumber->length = static_cast<std::int32_t>(number.size());
        keyOut->length = static_cast<std::int32_t>(keyBytes.size());
        record->length = static_cast<std::int32_t>(recordBytes.size());
        store->position(found.call, found.id);
        return VMX_BUFFER_TOO_SMALL;
    }
    Write(recordNumber, number);
    Write(keyOut, keyBytes);
    Write(record, recordBytes);
    // The caller must not take the '?' for the text: it may refuse to pass the record on.
    const bool faithful = vbis::SurvivesWindows1252(found.call)
        && std::all_of(found.fields.begin(), found.fields.end(), vbis::SurvivesWindows1252);
    return faithful ? VMX_OK : VMX_NOT_IN_CODE_PAGE;
}

__attribute__((visibility("default"))) std::int16_t VmxPut(const std::int32_t* handle,
                                                           const VmxText* key,
                                                           const VmxText* record,
                                                           const std::int16_t* mode)
{
    OpenFiles& files = Files();
    std::lock_guard lock(files.mutex);
    IsamStore* store = Find(files, handle);
    if (!store)
        return VMX_BAD_HANDLE;
    if (!mode || !record)
        return VMX_BAD_ARGUMENT;
    const std::vector<std::string> bytes = SplitFields(Text(record));
    std::vector<std::string> fields;
    fields.reserve(bytes.size());
    for (const std::string& field : bytes)
        fields.push_back(vbis::Utf8FromWindows1252(field.data(), field.size()));
    const KeyText parsed = ParseKey(Utf8(key));
    // A field written back as it was read keeps the text stored, characters the code page
    // lacks among them: a read and a write of the record must not turn "Łódź" into "?ód?".
    const auto asRead = [&bytes](std::size_t field, const std::string& stored) {
        return field < bytes.size() && vbis::Windows1252FromUtf8(stored) == bytes[field];
    };
    if (*mode == VMX_PUT_UPDATE)
        return parsed.call.empty() ? VMX_EMPTY_KEY : store->update(parsed.call, parsed.id, fields, asRead);
    if (*mode == VMX_PUT_INSERT)
        return store->insert(parsed.call, fields);
    return VMX_BAD_OPERATION;
}

__attribute__((visibility("default"))) std::int16_t VmxReturnCode(const std::int16_t* status,
                                                                  VmxText* text)
{
    if (!status)
        return VMX_BAD_ARGUMENT;
    const std::string description = StatusText(*status);
    if (!Fits(text, description)) {
        if (text)
            text->length = static_cast<std::int32_t>(description.size());
        return VMX_BUFFER_TOO_SMALL;
    }
    Write(text, description);
    return VMX_OK;
}

} // extern "C"

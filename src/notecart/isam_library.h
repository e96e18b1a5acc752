#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <memory>

struct VmxText;

namespace tavrik::notecart {

// The ISAM library vbis5032.DLL, loaded at run time. Texts are the library's single-byte
// (Windows-1252) bytes; every call returns its 16-bit status, 0 for success.
class IsamLibrary {
public:
    static constexpr const char* kFileName = "vbis5032.DLL";

    // Loads the library from `path`; nothing and a description in `error` when it cannot.
    static std::unique_ptr<IsamLibrary> load(const QString& path, QString& error);
    ~IsamLibrary();
    IsamLibrary(const IsamLibrary&) = delete;
    IsamLibrary& operator=(const IsamLibrary&) = delete;

    enum class Access { ReadOnly, ReadWrite };
    // Opens shared with other programs; for reading and writing unless told.
    std::int16_t open(const QByteArray& path, std::int32_t& handle, const QByteArray& accessKey,
                      Access access = Access::ReadWrite);
    std::int16_t close(std::int32_t& handle);
    std::int16_t bof(std::int32_t handle, std::int16_t keyNumber);
    std::int16_t get(std::int32_t handle, std::int16_t keyNumber, std::int16_t operation,
                     const QByteArray& keyIn, QByteArray& recordNumber, QByteArray& keyOut,
                     QByteArray& record);
    std::int16_t put(std::int32_t handle, const QByteArray& key, const QByteArray& record,
                     std::int16_t mode);
    QString returnCode(std::int16_t status);

private:
    struct Calls;
    IsamLibrary(void* library, std::unique_ptr<Calls> calls);

    void* library_;
    std::unique_ptr<Calls> calls_;
};

} // namespace tavrik::notecart

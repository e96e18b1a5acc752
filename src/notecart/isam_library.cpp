#include "notecart/isam_library.h"

#include "notecart/vmx.h"
#include "platform/windows1252.h"

#include <dlfcn.h>

#include <array>

namespace tavrik::notecart {

struct IsamLibrary::Calls {
    decltype(&::VmxOpen) open;
    decltype(&::VmxClose) close;
    decltype(&::VmxBOF) bof;
    decltype(&::VmxGet) get;
    decltype(&::VmxPut) put;
    decltype(&::VmxReturnCode) returnCode;
};

namespace {

VmxText In(const QByteArray& bytes)
{
    return {const_cast<char*>(bytes.constData()), static_cast<std::int32_t>(bytes.size()),
            static_cast<std::int32_t>(bytes.size())};
}

// Room for a returned text; the library reports what it needs when the room is too small.
VmxText Out(QByteArray& buffer)
{
    return {buffer.data(), 0, static_cast<std::int32_t>(buffer.size())};
}

// True when the buffer had to grow for the text.
bool Fit(QByteArray& buffer, const VmxText& text)
{
    if (text.length <= buffer.size())
        return false;
    buffer.resize(text.length);
    return true;
}

} // namespace

std::unique_ptr<IsamLibrary> IsamLibrary::load(const QString& path, QString& error)
{
    void* library = ::dlopen(path.toLocal8Bit().constData(), RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        error = QString::fromLocal8Bit(::dlerror());
        return nullptr;
    }
    auto calls = std::make_unique<Calls>();
    const std::array<std::pair<const char*, void**>, 6> symbols = {{
        {"VmxOpen", reinterpret_cast<void**>(&calls->open)},
        {"VmxClose", reinterpret_cast<void**>(&calls->close)},
        {"VmxBOF", reinterpret_cast<void**>(&calls->bof)},
        {"VmxGet", reinterpret_cast<void**>(&calls->get)},
        {"VmxPut", reinterpret_cast<void**>(&calls->put)},
        {"VmxReturnCode", reinterpret_cast<void**>(&calls->returnCode)},
    }};
    for (const auto& [name, target] : symbols) {
        *target = ::dlsym(library, name);
        if (!*target) {
            error = QStringLiteral("%1 has no %2").arg(path, QLatin1String(name));
            ::dlclose(library);
            return nullptr;
        }
    }
    return std::unique_ptr<IsamLibrary>(new IsamLibrary(library, std::move(calls)));
}

IsamLibrary::IsamLibrary(void* library, std::unique_ptr<Calls> calls)
    : library_(library), calls_(std::move(calls))
{
}

IsamLibrary::~IsamLibrary()
{
    ::dlclose(library_);
}

std::int16_t IsamLibrary::open(const QByteArray& path, std::int32_t& handle, const QByteArray& accessKey,
                               Access access)
{
    const VmxText pathText = In(path);
    const VmxText keyText = In(accessKey);
    const std::int16_t accessCode = access == Access::ReadWrite ? VMX_ACCESS_READ_WRITE : VMX_ACCESS_READ_ONLY;
    const std::int16_t sharing = VMX_SHARING_SHARED;
    return calls_->open(&pathText, &accessCode, &sharing, &handle, &keyText);
}

std::int16_t IsamLibrary::close(std::int32_t& handle)
{
    return calls_->close(&handle);
}

std::int16_t IsamLibrary::bof(std::int32_t handle, std::int16_t keyNumber)
{
    return calls_->bof(&handle, &keyNumber);
}

std::int16_t IsamLibrary::get(std::int32_t handle, std::int16_t keyNumber, std::int16_t operation,
                              const QByteArray& keyIn, QByteArray& recordNumber, QByteArray& keyOut,
                              QByteArray& record)
{
    constexpr qsizetype kStartRoom = 4096;
    for (QByteArray* buffer : {&recordNumber, &keyOut, &record}) {
        if (buffer->size() < kStartRoom)
            buffer->resize(kStartRoom);
    }
    const VmxText key = In(keyIn);
    for (;;) {
        VmxText number = Out(recordNumber);
        VmxText keyText = Out(keyOut);
        VmxText recordText = Out(record);
        const std::int16_t status =
            calls_->get(&handle, &keyNumber, &operation, &key, &number, &keyText, &recordText);
        if (status == VMX_BUFFER_TOO_SMALL) {
            const bool grew = Fit(recordNumber, number) | Fit(keyOut, keyText) | Fit(record, recordText);
            if (grew)
                continue;
        }
        // A record with characters the code page lacks is read all the same.
        const bool read = status == VMX_OK || status == VMX_NOT_IN_CODE_PAGE;
        recordNumber.resize(read ? number.length : 0);
        keyOut.resize(read ? keyText.length : 0);
        record.resize(read ? recordText.length : 0);
        return status;
    }
}

std::int16_t IsamLibrary::put(std::int32_t handle, const QByteArray& key, const QByteArray& record,
                              std::int16_t mode)
{
    const VmxText keyText = In(key);
    const VmxText recordText = In(record);
    return calls_->put(&handle, &keyText, &recordText, &mode);
}

QString IsamLibrary::returnCode(std::int16_t status)
{
    QByteArray text(256, '\0');
    VmxText out = Out(text);
    if (calls_->returnCode(&status, &out) != VMX_OK)
        return QStringLiteral("Status %1").arg(status);
    text.resize(out.length);
    return FromWindows1252(text);
}

} // namespace tavrik::notecart

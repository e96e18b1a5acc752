#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <cstdlib>

namespace tavrik::test {

// Points TAVRIK_RUNTIME_DIR at a fresh directory (not yet created) inside a temporary one,
// so every test has its own block and sockets; the old value comes back afterwards.
class IsolatedRuntimeDir {
public:
    IsolatedRuntimeDir()
        : saved_(qgetenv("TAVRIK_RUNTIME_DIR")), hadValue_(qEnvironmentVariableIsSet("TAVRIK_RUNTIME_DIR"))
    {
        path_ = parent_.path() + QStringLiteral("/rt");
        qputenv("TAVRIK_RUNTIME_DIR", path_.toLocal8Bit());
    }
    ~IsolatedRuntimeDir()
    {
        if (hadValue_)
            qputenv("TAVRIK_RUNTIME_DIR", saved_);
        else
            qunsetenv("TAVRIK_RUNTIME_DIR");
    }
    IsolatedRuntimeDir(const IsolatedRuntimeDir&) = delete;
    IsolatedRuntimeDir& operator=(const IsolatedRuntimeDir&) = delete;

    const QString& path() const { return path_; }
    QString file(const QString& name) const { return path_ + u'/' + name; }

private:
    QTemporaryDir parent_;
    QString path_;
    QByteArray saved_;
    bool hadValue_;
};

} // namespace tavrik::test
